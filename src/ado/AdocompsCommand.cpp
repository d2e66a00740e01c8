#include "ado/AdocompsCommand.h"

#include "ado/AdocompsConnection.h"
#include "ado/AdocompsDataset.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Params.h"

#include <algorithm>

namespace {

TFieldType FieldTypeOfValue(TVarType type)
{
    switch (type) {
    case varSmallint:
    case varByte:
        return ftSmallint;
    case varInteger:
        return ftInteger;
    case varSingle:
    case varDouble:
        return ftFloat;
    case varCurrency:
        return ftBCD;
    case varDate:
        return ftDateTime;
    case varOleStr:
        return ftString;
    case varBoolean:
        return ftBoolean;
    default:
        return ftUnknown;
    }
}

bool SameValue(const Variant& a, const Variant& b)
{
    if (a.VarType() != b.VarType())
        return false;
    if (a.VarType() == (varArray | varByte))
        return a.BytesValue() == b.BytesValue();
    if (a.IsArray())
        return std::equal(a.ArrayValue().begin(), a.ArrayValue().end(), b.ArrayValue().begin(), b.ArrayValue().end(),
                          SameValue);
    switch (a.VarType()) {
    case varEmpty:
    case varNull:
        return true;
    case varOleStr:
        return a.TextValue() == b.TextValue();
    case varSingle:
    case varDouble:
    case varDate:
        return a.AsDouble() == b.AsDouble();
    case varCurrency:
        return a.CurrencyValue() == b.CurrencyValue();
    case varDecimal:
        return a.DecimalValue().ToString() == b.DecimalValue().ToString();
    default:
        return a.AsInt64() == b.AsInt64();
    }
}

bool IsQuote(char c) { return c == '"' || c == '\'' || c == '`'; }

bool IsNameDelimiter(char c) { return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n'; }

} // namespace

// ---------------------------------------------------------------------------------------------
// Parameters

const std::shared_ptr<AdoParameter>& TParameter::ParameterObject()
{
    if (!parameter_)
        parameter_ = AdoCommand::CreateParameter({}, AdoTypeOfFieldType(ftUnknown), ToAdo(ad_ParamInput), 0);
    return parameter_;
}

void TParameter::Changed() { collection_.Update(); }

void TParameter::SetAttributes(TParameterAttributes attributes)
{
    Parameter().attributes = ToAdo(attributes);
    Changed();
}

void TParameter::SetDataType(TFieldType type)
{
    Parameter().type = AdoTypeOfFieldType(type);
    Changed();
}

void TParameter::SetDirection(TParameterDirection direction)
{
    Parameter().direction = ToAdo(direction);
    Changed();
}

void TParameter::SetName(std::string_view name)
{
    Parameter().name = name;
    Changed();
}

void TParameter::SetNumericScale(int scale)
{
    Parameter().scale = scale;
    Changed();
}

void TParameter::SetPrecision(int precision)
{
    Parameter().precision = precision;
    Changed();
}

void TParameter::SetSize(int size)
{
    Parameter().size = size;
    Changed();
}

void TParameter::SetValue(const Variant& value)
{
    if (value.IsEmpty() || value.IsNull()) {
        Parameter().value = Variant::Null();
    } else {
        if (DataType() == ftUnknown)
            SetDataType(FieldTypeOfValue(value.VarType()));
        Parameter().value = value;
    }
    Changed();
}

void TParameter::Assign(TParameter& source)
{
    if (&source == this)
        return;
    SetValue(source.Value());
    SetAttributes(source.Attributes());
    if (source.DataType() != ftUnknown)
        SetDataType(source.DataType());
    SetDirection(source.Direction());
    SetName(source.Name());
    SetNumericScale(source.NumericScale());
    SetPrecision(source.Precision());
    SetSize(source.Size());
}

void TParameter::Assign(const TField& source)
{
    SetDataType(source.DataType());
    SetSize(source.Size());
    SetValue(source.Value());
}

void TParameter::Assign(const TParam& source)
{
    SetDirection(source.ParamType() == ptUnknown ? ad_ParamInput
                                                 : static_cast<TParameterDirection>(source.ParamType()));
    SetName(source.Name());
    SetAttributes({});
    SetNumericScale(0);
    SetPrecision(0);
    SetSize(0);
    SetDataType(source.DataType());
    SetValue(source.Value());
}

void TParameter::AssignTo(TField& destination) { destination.SetValue(Value()); }

void TParameter::AssignTo(TParam& destination)
{
    destination.SetName(Name());
    destination.SetParamType(static_cast<TParamType>(Direction()));
    destination.SetDataType(DataType());
    destination.SetValue(Value());
}

bool TParameter::IsEqual(TParameter& other)
{
    return SameValue(Value(), other.Value()) && Name() == other.Name() && DataType() == other.DataType() &&
           Direction() == other.Direction() && NumericScale() == other.NumericScale() &&
           Precision() == other.Precision() && Size() == other.Size();
}

TParameter& TParameters::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    return *items_[static_cast<size_t>(index)];
}

TParameter& TParameters::AddParameter() { return AddWithObject(nullptr); }

TParameter& TParameters::AddWithObject(std::shared_ptr<AdoParameter> parameter)
{
    items_.push_back(std::make_unique<TParameter>(*this));
    items_.back()->SetParameterObject(std::move(parameter));
    changed_ = true;
    return *items_.back();
}

TParameter* TParameters::FindParam(std::string_view name) const
{
    for (const auto& item : items_)
        if (SameText(item->Name(), name))
            return item.get();
    return nullptr;
}

TParameter& TParameters::ParamByName(std::string_view name) const
{
    TParameter* parameter = FindParam(name);
    if (parameter == nullptr)
        NotFoundError("Parameter", name, &command_.ComponentRef());
    return *parameter;
}

void TParameters::Assign(TParameters& source)
{
    if (&source == this)
        return;
    Clear();
    for (const auto& item : source.items_)
        AddParameter().Assign(*item);
}

void TParameters::AssignValues(TParameters& source)
{
    for (const auto& item : source.items_)
        if (TParameter* namesake = FindParam(item->Name()))
            namesake->Assign(*item);
}

std::string TParameters::Parse(std::string_view sql)
{
    Clear();
    std::string text(sql);
    bool inLiteral = false;
    size_t at = 0;
    while (at < text.size()) {
        const bool colonOutside = text[at] == ':' && !inLiteral && at + 1 < text.size();
        if (colonOutside && text[at + 1] == ':') {
            text.erase(at, 1);
            ++at;
        } else if (colonOutside) {
            size_t end = at + 1;
            for (; end < text.size() && (inLiteral || !IsNameDelimiter(text[end])); ++end)
                if (IsQuote(text[end]))
                    inLiteral = !inLiteral;
            std::string name = text.substr(at + 1, end - at - 1);
            if (!name.empty() && IsQuote(name.front())) {
                name.erase(0, 1);
                if (!name.empty() && IsQuote(name.back()))
                    name.pop_back();
            }
            AddParameter().SetName(name);
            text[at] = '?';
            text.erase(at + 1, end - at - 1);
            ++at;
        } else {
            if (IsQuote(text[at]))
                inLiteral = !inLiteral;
            ++at;
        }
    }
    return text;
}

bool TParameters::Refresh()
{
    command_.Initialize(false);
    Clear();
    AdoParameters& described = command_.CommandObject().Parameters();
    described.Refresh();
    // A text's markers come from the driver, which knows no fixed-size binary parameters.
    const bool text = command_.CommandType() == ad_CmdText;
    for (int i = 0; i < described.Count(); ++i) {
        const AdoParameter& source = described.Item(i);
        auto parameter = AdoCommand::CreateParameter(
            source.name.empty() ? "Param" + std::to_string(i + 1) : source.name,
            text && source.type == adBinary ? adVarBinary : source.type, source.direction, source.size, Variant());
        parameter->precision = source.precision;
        parameter->scale = source.scale;
        parameter->attributes = source.attributes;
        AddWithObject(std::move(parameter));
    }
    return Count() > 0;
}

void TParameters::AppendParameters()
{
    command_.CheckConnection(true);
    AdoParameters& target = command_.CommandObject().Parameters();
    for (int i = target.Count() - 1; i >= 0; --i)
        target.Delete(i);
    for (const auto& item : items_)
        target.Append(item->ParameterObject());
    changed_ = false;
}

// ---------------------------------------------------------------------------------------------
// Command

TdADOCommand::TdADOCommand() : command_(std::make_unique<AdoCommand>()), parameters_(*this)
{
    SetCommandType(ad_CmdText);
}

TdADOCommand::~TdADOCommand() { SetConnection(nullptr); }

bool TdADOCommand::ComponentLoading() const { return Loading() || (Owner() != nullptr && Owner()->Loading()); }

void TdADOCommand::SetCommandText(std::string_view text)
{
    commandText_ = text;
    AssignCommandText(text, ComponentLoading());
}

void TdADOCommand::SetCommandType(TCommandType type)
{
    if (command_->CommandType() == ToAdo(type))
        return;
    command_->SetCommandType(ToAdo(type));
    // A text converted for one type would reach the driver wrong as another.
    if (!commandText_.empty())
        AssignCommandText(commandText_, ComponentLoading());
}

// Text commands have their markers converted; anything else (tables, procedures, and texts sent
// unchecked) goes as it is: the stand-in quotes table and procedure names itself.
void TdADOCommand::AssignCommandText(std::string_view text, bool loading)
{
    if (CommandType() == ad_CmdText && paramCheck_ && !text.empty()) {
        ConvertMarkers(text, loading);
        return;
    }
    command_->SetCommandText(text);
    if (!loading)
        parameters_.Clear();
}

void TdADOCommand::ConvertMarkers(std::string_view text, bool loading)
{
    TParameters parsed(*this);
    command_->SetCommandText(parsed.Parse(std::string(text) + " "));
    parsed.AssignValues(parameters_);
    if (!loading) {
        // What the provider describes sets the parsed markers' types; a provider that cannot
        // describe them (or a connection that cannot be had) leaves them as parsed.
        try {
            if (CheckConnection(false) && parameters_.Refresh() && parameters_.Count() == parsed.Count())
                for (int i = 0; i < parsed.Count(); ++i) {
                    TParameter& target = parsed.Items(i);
                    TParameter& source = parameters_.Items(i);
                    target.SetDataType(source.DataType());
                    target.SetSize(source.Size());
                    target.SetNumericScale(source.NumericScale());
                    target.SetPrecision(source.Precision());
                    target.SetDirection(source.Direction());
                    target.SetAttributes(source.Attributes());
                }
        } catch (const std::exception&) {
        }
    }
    if (parsed.Count() > 0)
        parameters_.Assign(parsed);
}

void TdADOCommand::SetConnection(TdADOConnection* connection)
{
    if (connection == connection_)
        return;
    if (connection_ != nullptr)
        connection_->RemoveCommand(*this);
    connection_ = connection;
    if (connection_ != nullptr)
        connection_->AddCommand(*this);
    ClearActiveConnection();
}

bool TdADOCommand::CheckConnection(bool raise)
{
    if (command_->ActiveConnection())
        return true;
    if (connection_ != nullptr) {
        connection_->CheckActive();
        command_->SetActiveConnection(connection_->ConnectionObject());
        return true;
    }
    if (raise)
        DatabaseError("Missing connection property");
    return false;
}

void TdADOCommand::Initialize(bool appendParameters)
{
    CheckConnection(true);
    if (commandText_.empty())
        DatabaseError("Missing " + propertyName_ + " property", componentRef_);
    if (appendParameters)
        parameters_.AppendParameters();
}

std::shared_ptr<AdoRecordset> TdADOCommand::Execute(int& recordsAffected, const Variant& parameters)
{
    Initialize(true);
    std::int64_t affected = 0;
    auto recordset = command_->Execute(affected, parameters, command_->CommandType() + ToAdo(executeOptions_));
    recordsAffected = ClampedToInt(affected);
    return recordset;
}

std::shared_ptr<AdoRecordset> TdADOCommand::Execute(const Variant& parameters)
{
    int recordsAffected = 0;
    return Execute(recordsAffected, parameters);
}

void TdADOCommand::Assign(TdADOCommand& source)
{
    if (source.Connection() != nullptr)
        SetConnection(source.Connection());
    SetCommandText(source.CommandText());
    SetCommandTimeout(source.CommandTimeout());
    SetCommandType(source.CommandType());
    SetPrepared(source.Prepared());
    SetParameters(source.Parameters());
}
