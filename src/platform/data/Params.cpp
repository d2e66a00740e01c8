#include "platform/data/Params.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DatabaseError.h"

void TParam::AssignField(const TField& field)
{
    dataType_ = field.DataType();
    value_ = field.Value();
}

TParam& TParams::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    return *params_[static_cast<size_t>(index)];
}

TParam& TParams::CreateParam(TFieldType dataType, std::string name, TParamType paramType)
{
    params_.push_back(std::make_unique<TParam>(std::move(name), dataType, paramType));
    return *params_.back();
}

TParam* TParams::FindParam(std::string_view name) const
{
    for (const auto& param : params_)
        if (SameText(param->Name(), name))
            return param.get();
    return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) const
{
    TParam* param = FindParam(name);
    if (param == nullptr)
        NotFoundError("Parameter", name, owner_);
    return *param;
}
