#pragma once

#include "ado/AdocompsTypes.h"
#include "platform/core/Component.h"
#include "platform/services/AdoConnection.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TParam;
class TdADOCommand;
class TParameters;

// ---------------------------------------------------------------------------------------------
// Command parameters

// A parameter of a command: a front for one ADO parameter, which holds every property.
class TParameter {
public:
    explicit TParameter(TParameters& collection) : collection_(collection) {}
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    TParameterAttributes Attributes() { return SetFromAdo<TParameterAttribute>(Parameter().attributes); }
    void SetAttributes(TParameterAttributes attributes);
    TFieldType DataType() { return FieldTypeOfAdo(Parameter().type); }
    void SetDataType(TFieldType type);
    TParameterDirection Direction() { return FromAdo<TParameterDirection>(Parameter().direction); }
    void SetDirection(TParameterDirection direction);
    const std::string& Name() { return Parameter().name; }
    void SetName(std::string_view name);
    int NumericScale() { return Parameter().scale; }
    void SetNumericScale(int scale);
    int Precision() { return Parameter().precision; }
    void SetPrecision(int precision);
    int Size() { return static_cast<int>(Parameter().size); }
    void SetSize(int size);
    const Variant& Value() { return Parameter().value; }
    // Null for an empty value; a parameter without a type takes one from the value first.
    void SetValue(const Variant& value);
    void Clear() { SetValue(Variant::Null()); }
    const std::string& GetDisplayName() { return Name(); }

    void Assign(TParameter& source);
    void Assign(const TField& source);
    void Assign(const TParam& source);
    void AssignTo(TField& destination);
    void AssignTo(TParam& destination);
    bool IsEqual(TParameter& other);

    // The ADO parameter, made on first use.
    const std::shared_ptr<AdoParameter>& ParameterObject();
    void SetParameterObject(std::shared_ptr<AdoParameter> parameter) { parameter_ = std::move(parameter); }

private:
    AdoParameter& Parameter() { return *ParameterObject(); }
    void Changed();

    TParameters& collection_;
    std::shared_ptr<AdoParameter> parameter_;
};

// The parameters of a command: the markers of its text, or what the provider describes.
class TParameters {
public:
    explicit TParameters(TdADOCommand& command) : command_(command) {}

    int Count() const { return static_cast<int>(items_.size()); }
    TParameter& Items(int index) const;
    TParameter& AddParameter();
    void Clear() { items_.clear(); }
    // Names compare without regard to case.
    TParameter* FindParam(std::string_view name) const;
    // Raises "Parameter '%s' not found" after the name of the command's dataset (or the command's).
    TParameter& ParamByName(std::string_view name) const;
    // Copies every item of the other collection.
    void Assign(TParameters& source);
    // Each item of the other collection with a namesake here gives it its properties.
    void AssignValues(TParameters& source);

    // The text with each ":name" marker replaced by "?" (an item added for each, in order), "::" by
    // ":"; colons inside quotes stay. Quotes right after the colon enclose a name with blanks.
    std::string Parse(std::string_view sql);
    // Fills the collection with what the provider describes for the command; whether there is any.
    bool Refresh();
    // Hands the items to the ADO command, in their order, in place of what it held.
    void AppendParameters();
    // Whether an item changed since the items were last handed to the ADO command.
    bool Changed() const { return changed_; }
    void Update() { changed_ = true; }

    TdADOCommand& Command() const { return command_; }

private:
    TParameter& AddWithObject(std::shared_ptr<AdoParameter> parameter);

    TdADOCommand& command_;
    std::vector<std::unique_ptr<TParameter>> items_;
    bool changed_ = false;
};

// ---------------------------------------------------------------------------------------------
// Command

// Runs a command text against a connection, and is the engine inside every dataset, which keeps its
// text, connection and parameters here.
class TdADOCommand : public TComponent, public TAdoConnectionUser {
public:
    TdADOCommand();
    ~TdADOCommand() override;

    const std::string& CommandText() const { return commandText_; }
    void SetCommandText(std::string_view text);
    int CommandTimeout() const { return command_->CommandTimeout(); }
    void SetCommandTimeout(int seconds) { command_->SetCommandTimeout(seconds); }
    TCommandType CommandType() const { return FromAdo<TCommandType>(command_->CommandType()); }
    void SetCommandType(TCommandType type);
    TdADOConnection* Connection() const { return connection_; }
    void SetConnection(TdADOConnection* connection) override;
    TExecuteOptions ExecuteOptions() const { return executeOptions_; }
    void SetExecuteOptions(TExecuteOptions options) { executeOptions_ = options; }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool check) { paramCheck_ = check; }
    TParameters& Parameters() { return parameters_; }
    void SetParameters(TParameters& parameters) { parameters_.Assign(parameters); }
    bool Prepared() const { return command_->Prepared(); }
    void SetPrepared(bool prepared) { command_->SetPrepared(prepared); }

    // The property and the component that messages name: "CommandText" of this command by default,
    // the dataset and its own property for a dataset's command.
    void SetPropertyName(std::string name) { propertyName_ = std::move(name); }
    const TComponent& ComponentRef() const { return *componentRef_; }
    void SetComponentRef(const TComponent& component) { componentRef_ = &component; }
    bool IsDatasetCommand() const override { return componentRef_ != this; }

    AdoCommand& CommandObject() { return *command_; }
    const std::shared_ptr<AdoConnection>& GetActiveConnection() const { return command_->ActiveConnection(); }
    void ClearActiveConnection() { command_->SetActiveConnection(nullptr); }
    // Whether the ADO command has an active connection, taking (and opening) the connection's when it
    // has none; without a connection, raises "Missing connection property" when asked to.
    bool CheckConnection(bool raise);
    // Checks the connection and the text ("Missing CommandText property"), and hands the parameters
    // over when asked to.
    void Initialize(bool appendParameters);
    // Values given (one, or an array) replace the parameters'. Statements without rows give a closed
    // recordset, or none with ad_ExecuteNoRecords.
    std::shared_ptr<AdoRecordset> Execute(int& recordsAffected, const Variant& parameters = {});
    std::shared_ptr<AdoRecordset> Execute(const Variant& parameters = {});

    void Assign(TdADOCommand& source);

private:
    bool ComponentLoading() const;
    void AssignCommandText(std::string_view text, bool loading);
    void ConvertMarkers(std::string_view text, bool loading);

    std::unique_ptr<AdoCommand> command_;
    std::string commandText_;
    std::string propertyName_ = "CommandText";
    const TComponent* componentRef_ = this;
    TdADOConnection* connection_ = nullptr;
    TExecuteOptions executeOptions_;
    bool paramCheck_ = true;
    TParameters parameters_;
};
