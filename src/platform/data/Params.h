#pragma once

#include "platform/core/Variant.h"
#include "platform/data/Fields.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TComponent;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// A parameter of a command: a name, a direction, a type and a value.
class TParam {
public:
    TParam(std::string name, TFieldType dataType, TParamType paramType)
        : name_(std::move(name)), dataType_(dataType), paramType_(paramType)
    {
    }

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType dataType) { dataType_ = dataType; }
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType paramType) { paramType_ = paramType; }

    const Variant& Value() const { return value_; }
    void SetValue(const Variant& value) { value_ = value; }
    bool IsNull() const { return value_.IsEmpty() || value_.IsNull(); }
    void Clear() { value_ = Variant::Null(); }
    // Takes the field's type and value, as a detail's parameter takes its master field's.
    void AssignField(const TField& field);

private:
    std::string name_;
    TFieldType dataType_;
    TParamType paramType_;
    Variant value_;
};

class TParams {
public:
    // The owner, when there is one, names the failures ("Query1: Parameter 'id' not found").
    explicit TParams(const TComponent* owner = nullptr) : owner_(owner) {}

    int Count() const { return static_cast<int>(params_.size()); }
    TParam& Items(int index) const;
    TParam& CreateParam(TFieldType dataType, std::string name, TParamType paramType);
    void Clear() { params_.clear(); }
    // Names compare without regard to case.
    TParam* FindParam(std::string_view name) const;
    // Raises "Parameter '%s' not found".
    TParam& ParamByName(std::string_view name) const;

private:
    const TComponent* owner_;
    std::vector<std::unique_ptr<TParam>> params_;
};
