#pragma once

#include "platform/core/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;
class TStringList;

// The class library's field types, in its order.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// A column of a data set. A field holds no value of its own: it reads the record the data set has
// at hand for its state (GetFieldData) in the field type's native layout, and writes through
// SetFieldData. Texts never follow the process locale: a catalog reads them back with atof.
//
// Native layouts (DataSize bytes): texts zero-terminated in Size + 1 characters (16-bit ones for
// wide texts); smallint, word and boolean 16 bits; integer and auto-increment 32 bits; large
// integers 64; floats a double; currency and BCD a 64-bit count of ten-thousandths; dates the time
// stamp's day, times its milliseconds (32 bits each), date-times the time stamp's milliseconds as a
// double (TimeStamp.h); fixed bytes Size bytes, variable bytes a 16-bit length and Size bytes; blobs
// and memos a Variant object that holds the whole value.
class TField {
public:
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name) { fieldName_ = std::move(name); }
    const std::string& DisplayName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    // The defined size: characters of a text, bytes of a byte field, decimals of a BCD field.
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    // The position of its definition, from 1; 0 or less for calculated and lookup fields.
    int FieldNo() const { return fieldNo_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    bool Calculated() const { return fieldKind_ == fkCalculated || fieldKind_ == fkLookup; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    virtual bool IsBlob() const { return false; }
    virtual int DataSize() const = 0;
    // Where a calculated field's has-value byte lies in the calculated area of a record.
    int Offset() const { return offset_; }

    // The data set whose fields hold it (TDataSet::AddField).
    TDataSet* DataSet() const { return dataSet_; }

    // Whether the data set's record has a value for it; `buffer` (DataSize bytes, or a Variant for a
    // blob; or none) receives it in the native layout. False where the data set has no record.
    bool GetData(void* buffer) const;
    // Writes the native value; none writes null.
    void SetData(const void* buffer);

    bool IsNull() const;
    void Clear() { SetData(nullptr); }

    // Null reads as an empty text, 0, false and a zero date. A value the field cannot take or give in
    // the asked form raises EConvertError.
    Variant Value() const;
    void SetValue(const Variant& value);
    std::string AsString() const;
    void SetAsString(std::string_view text);
    int AsInteger() const;
    void SetAsInteger(int value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // An OLE date.
    double AsDateTime() const;
    void SetAsDateTime(double value);
    double AsCurrency() const;
    void SetAsCurrency(double value);

    // The native layout of a value (a non-null one) and back: the field's own conversions, which a
    // data set uses to fill its records from the values its source hands over.
    virtual void VariantToData(const Variant& value, void* data) const = 0;
    virtual Variant DataToVariant(const void* data) const = 0;
    // The text AsString gives on a record whose source holds `value`: a record the data set is not on
    // is read so without moving to it.
    std::string TextOfSource(const Variant& value) const;

protected:
    TField(TFieldType dataType, int size);

    virtual std::string TextOf(const Variant& value) const { return value.AsString(); }
    // The text of a native value: TextOf its Variant, which a field class may make without one.
    virtual std::string DataText(const void* data) const;
    // Raises when a value set would not fit whole; reads still take what fits.
    virtual void RequireFits(const Variant& /*value*/) const {}
    virtual double DateTimeOf(const Variant& value) const;

private:
    friend class TDataSet;

    // The text of the native value `fill(data)` writes, or "" where it writes none.
    template <typename Fill> std::string TextOfNative(Fill fill) const;

    std::string fieldName_;
    TFieldType dataType_;
    int size_;
    int fieldNo_ = 0;
    int offset_ = 0;
    TFieldKind fieldKind_ = fkData;
    bool readOnly_ = false;
    bool required_ = false;
    TDataSet* dataSet_ = nullptr;
};

class TStringField : public TField {
public:
    explicit TStringField(int size = 20) : TField(ftString, size) {}
    int DataSize() const override { return Size() + 1; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;
    // A text longer than the size raises "Value too long for field '<name>'": it is never cut.
    void RequireFits(const Variant& value) const override;

protected:
    TStringField(TFieldType dataType, int size) : TField(dataType, size) {}
    void RequireLength(size_t length) const;
    std::string DataText(const void* data) const override;
};

class TWideStringField : public TStringField {
public:
    explicit TWideStringField(int size = 20) : TStringField(ftWideString, size) {}
    int DataSize() const override { return (Size() + 1) * 2; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;
    void RequireFits(const Variant& value) const override;

protected:
    std::string DataText(const void* data) const override { return TField::DataText(data); }
};

// The integer fields share one reading and writing, by the width and range of their layout.
class TIntegerFieldBase : public TField {
public:
    int DataSize() const override { return width_; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    TIntegerFieldBase(TFieldType dataType, int width, TVarType varType)
        : TField(dataType, 0), width_(width), varType_(varType)
    {
    }
    std::string DataText(const void* data) const override;

private:
    std::int64_t NumberOf(const void* data) const;

    int width_;
    TVarType varType_;
};

class TSmallintField : public TIntegerFieldBase {
public:
    TSmallintField() : TIntegerFieldBase(ftSmallint, 2, varSmallint) {}
};

class TWordField : public TIntegerFieldBase {
public:
    TWordField() : TIntegerFieldBase(ftWord, 2, varWord) {}
};

class TIntegerField : public TIntegerFieldBase {
public:
    TIntegerField() : TIntegerFieldBase(ftInteger, 4, varInteger) {}

protected:
    explicit TIntegerField(TFieldType dataType) : TIntegerFieldBase(dataType, 4, varInteger) {}
};

class TAutoIncField : public TIntegerField {
public:
    TAutoIncField() : TIntegerField(ftAutoInc) {}
};

class TLargeintField : public TIntegerFieldBase {
public:
    TLargeintField() : TIntegerFieldBase(ftLargeint, 8, varInt64) {}
    std::int64_t AsLargeInt() const;
    void SetAsLargeInt(std::int64_t value);
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean, 0) {}
    int DataSize() const override { return 2; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;
};

class TFloatField : public TField {
public:
    TFloatField() : TField(ftFloat, 0) {}
    int DataSize() const override { return 8; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    std::string DataText(const void* data) const override;
};

// Currency and BCD values are kept exactly, in ten-thousandths, and written with up to four
// decimals.
class TCurrencyField : public TField {
public:
    TCurrencyField() : TField(ftCurrency, 0) {}
    int DataSize() const override { return 8; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    TCurrencyField(TFieldType dataType, int size) : TField(dataType, size) {}
};

class TBCDField : public TCurrencyField {
public:
    explicit TBCDField(int size = 4) : TCurrencyField(ftBCD, size) {}
    int Precision() const { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }

private:
    int precision_ = 0;
};

// Date, time and date-time fields: the time stamp's parts in the native layout, OLE dates outside.
class TDateTimeField : public TField {
public:
    TDateTimeField() : TField(ftDateTime, 0) {}
    int DataSize() const override { return DataType() == ftDateTime ? 8 : 4; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    explicit TDateTimeField(TFieldType dataType) : TField(dataType, 0) {}
    double DateTimeOf(const Variant& value) const override;
};

class TDateField : public TDateTimeField {
public:
    TDateField() : TDateTimeField(ftDate) {}
};

class TTimeField : public TDateTimeField {
public:
    TTimeField() : TDateTimeField(ftTime) {}

protected:
    std::string TextOf(const Variant& value) const override; // "HH:MM:SS"
};

// Fixed bytes; their text is the bytes themselves.
class TBytesField : public TField {
public:
    explicit TBytesField(int size = 16) : TField(ftBytes, size) {}
    int DataSize() const override { return Size(); }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    TBytesField(TFieldType dataType, int size) : TField(dataType, size) {}
    std::string TextOf(const Variant& value) const override;
};

class TVarBytesField : public TBytesField {
public:
    explicit TVarBytesField(int size = 16) : TBytesField(ftVarBytes, size) {}
    int DataSize() const override { return Size() + 2; }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;
};

// A large value, held whole in a Variant: bytes for a blob, text for a memo.
class TBlobField : public TField {
public:
    TBlobField() : TField(ftBlob, 0) {}
    bool IsBlob() const override { return true; }
    int DataSize() const override { return static_cast<int>(sizeof(Variant)); }
    void VariantToData(const Variant& value, void* data) const override;
    Variant DataToVariant(const void* data) const override;

protected:
    explicit TBlobField(TFieldType dataType) : TField(dataType, 0) {}
    std::string TextOf(const Variant& value) const override;
};

class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) {}
};

// A new field of the class for the type; none for a type without one (ftUnknown, ftDataSet ...).
std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size);

// The fields of a data set, in their order; it owns them.
class TFields {
public:
    int Count() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    // Names compare without regard to case.
    TField* FindField(std::string_view name) const;
    int IndexOf(const TField* field) const;

private:
    friend class TDataSet;

    TField* Add(std::unique_ptr<TField> field);
    void Clear() { fields_.clear(); }

    std::vector<std::unique_ptr<TField>> fields_;
};

enum TFieldAttribute : unsigned {
    faHiddenCol = 1,
    faReadonly = 2,
    faRequired = 4,
    faLink = 8,
    faUnNamed = 16,
    faFixed = 32
};

// The description of a column the data set's source offers, from which default fields are made.
class TFieldDef {
public:
    TFieldDef(std::string name, TFieldType dataType, int size, int fieldNo)
        : name_(std::move(name)), dataType_(dataType), size_(size), fieldNo_(fieldNo)
    {
    }
    const std::string& Name() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType dataType) { dataType_ = dataType; }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    int Precision() const { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }
    int FieldNo() const { return fieldNo_; }
    unsigned Attributes() const { return attributes_; }
    void SetAttributes(unsigned attributes) { attributes_ = attributes; }
    bool Required() const { return (attributes_ & faRequired) != 0; }

    // A field of the definition's type, name and size, added to the data set; none for a type
    // without a field class.
    TField* CreateField(TDataSet& dataSet) const;

private:
    std::string name_;
    TFieldType dataType_;
    int size_;
    int precision_ = 0;
    int fieldNo_;
    unsigned attributes_ = 0;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet& dataSet) : dataSet_(dataSet) {}

    int Count() const { return static_cast<int>(defs_.size()); }
    TFieldDef& Items(int index) const;
    // A new definition numbered after the last one.
    TFieldDef& AddFieldDef(std::string name, TFieldType dataType, int size = 0, bool required = false);
    void Clear();
    int IndexOf(std::string_view name) const;
    // Raises "Field '%s' not found".
    TFieldDef& Find(std::string_view name) const;

    // The definitions are read again from the data set's source on the next Update.
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }
    void Update();

private:
    TDataSet& dataSet_;
    std::vector<std::unique_ptr<TFieldDef>> defs_;
    bool updated_ = false;
};

enum TIndexOption : unsigned {
    ixPrimary = 1,
    ixUnique = 2,
    ixDescending = 4,
    ixCaseInsensitive = 8,
    ixExpression = 16,
    ixNonMaintained = 32,
};

class TIndexDef {
public:
    TIndexDef(std::string name, std::string fields, unsigned options)
        : name_(std::move(name)), fields_(std::move(fields)), options_(options)
    {
    }
    const std::string& Name() const { return name_; }
    // Field names separated by ";".
    const std::string& Fields() const { return fields_; }
    void SetFields(std::string fields) { fields_ = std::move(fields); }
    unsigned Options() const { return options_; }

private:
    std::string name_;
    std::string fields_;
    unsigned options_;
};

class TIndexDefs {
public:
    explicit TIndexDefs(TDataSet& dataSet) : dataSet_(dataSet) {}

    int Count() const { return static_cast<int>(defs_.size()); }
    TIndexDef& Items(int index) const;
    TIndexDef& Add(std::string name, std::string fields, unsigned options);
    void Clear() { defs_.clear(); }
    int IndexOf(std::string_view name) const;
    // Raises "Index '%s' not found".
    TIndexDef& Find(std::string_view name) const;
    void GetItemNames(TStringList& list) const;

    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }
    // Asks the data set for its indexes when they are stale.
    void Update();

private:
    TDataSet& dataSet_;
    std::vector<std::unique_ptr<TIndexDef>> defs_;
    bool updated_ = false;
};
