#include "platform/data/Fields.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DataSet.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/TimeStamp.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

[[noreturn]] void RaiseAccessError(const TField& field, std::string_view typeName)
{
    throw EConvertError("Cannot access field '" + Win1252ToUtf8(field.DisplayName()) + "' as type " +
                        std::string(typeName));
}

// A Variant conversion the field cannot make is a failure to read the field in that form.
template <typename Conversion> auto Converted(const TField& field, std::string_view typeName, Conversion conversion)
{
    try {
        return conversion();
    } catch (const EVariantError&) {
        RaiseAccessError(field, typeName);
    }
}

bool IsText(const Variant& value) { return value.VarType() == varOleStr; }

// A typed number has "." as its decimal point, under every locale: "1,000" is no number, as for a
// float field (the comma-tolerant reading is for what drivers hand over).
bool IsPointed(std::string_view text) { return text.find(',') == std::string_view::npos; }

std::int64_t TextToInt64(std::string_view text)
{
    const std::string trimmed = Trim(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw EConvertError("'" + Win1252ToUtf8(text) + "' is not a valid integer value");
    return value;
}

bool TextToBoolean(std::string_view text)
{
    if (SameText(text, "True"))
        return true;
    if (SameText(text, "False"))
        return false;
    throw EConvertError("'" + Win1252ToUtf8(text) + "' is not a valid boolean value");
}

bool ReadNumber(std::string_view text, size_t& pos, int digits, int& value)
{
    if (pos + static_cast<size_t>(digits) > text.size())
        return false;
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        if (text[pos] < '0' || text[pos] > '9')
            return false;
        value = value * 10 + (text[pos] - '0');
    }
    return true;
}

bool ReadSeparator(std::string_view text, size_t& pos, char separator)
{
    if (pos >= text.size() || text[pos] != separator)
        return false;
    ++pos;
    return true;
}

bool ReadTime(std::string_view text, size_t& pos, TDateParts& parts)
{
    return ReadNumber(text, pos, 2, parts.hour) && ReadSeparator(text, pos, ':') &&
           ReadNumber(text, pos, 2, parts.minute) && ReadSeparator(text, pos, ':') &&
           ReadNumber(text, pos, 2, parts.second) && parts.hour < 24 && parts.minute < 60 && parts.second < 60;
}

// Reads the texts the fields write: "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
double TextToDateTime(std::string_view text)
{
    const std::string trimmed = Trim(text);
    const std::string_view view = trimmed;
    TDateParts parts;
    size_t pos = 0;
    bool valid;
    if (view.size() == 8) {
        valid = ReadTime(view, pos, parts);
    } else {
        valid = ReadNumber(view, pos, 4, parts.year) && ReadSeparator(view, pos, '-') &&
                ReadNumber(view, pos, 2, parts.month) && ReadSeparator(view, pos, '-') &&
                ReadNumber(view, pos, 2, parts.day) && parts.year >= 100 && parts.month >= 1 && parts.month <= 12 &&
                parts.day >= 1;
        if (valid && pos < view.size())
            valid = ReadSeparator(view, pos, ' ') && ReadTime(view, pos, parts);
    }
    if (valid && pos == view.size()) {
        const double date = EncodeOleDate(parts);
        // A day past the month's end comes back as another day.
        if (view.size() == 8 || DecodeOleDate(date).day == parts.day)
            return date;
    }
    throw EConvertError("'" + Win1252ToUtf8(text) + "' is not a valid date and time");
}

[[noreturn]] void RaiseRangeError(const TField& field, const std::string& value, const std::string& low,
                                  const std::string& high)
{
    throw EConvertError(value + " is not a valid value for field '" + Win1252ToUtf8(field.DisplayName()) +
                        "'. The allowed range is " + low + " to " + high);
}

// Ten-thousandths of a decimal, rounded half away from zero.
std::int64_t DecimalToCurrency(const TField& field, const TDecimal& decimal)
{
    unsigned __int128 mantissa = decimal.Mantissa();
    int scale = decimal.scale;
    for (; scale < 4; ++scale)
        mantissa *= 10;
    for (; scale > 5; --scale)
        mantissa /= 10;
    if (scale == 5)
        mantissa = (mantissa + 5) / 10;
    const auto limit = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
    if (mantissa > limit)
        RaiseRangeError(field, decimal.ToString(), "-922337203685477.5807", "922337203685477.5807");
    const auto value = static_cast<std::int64_t>(mantissa);
    return decimal.negative ? -value : value;
}

std::int64_t DoubleToCurrency(const TField& field, double value)
{
    const double scaled = std::round(value * 10000.0);
    if (!(scaled > -9223372036854775808.0 && scaled < 9223372036854775808.0))
        RaiseRangeError(field, FloatToStr(value), "-922337203685477.5807", "922337203685477.5807");
    return static_cast<std::int64_t>(scaled);
}

std::string BytesText(const Variant& value)
{
    const auto& bytes = value.BytesValue();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> BytesOf(const Variant& value)
{
    if (value.IsArray())
        return value.BytesValue();
    const std::string text = value.AsString();
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

template <typename T> T Load(const void* data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <typename T> void Store(void* data, T value) { std::memcpy(data, &value, sizeof value); }

// A field's native value read once: most fit on the stack. Zeroed, as a data set may leave bytes
// past a text's end unwritten.
class NativeValue {
public:
    explicit NativeValue(size_t size) : heap_(size > sizeof stack_ ? size : 0)
    {
        if (heap_.empty())
            std::memset(stack_.data(), 0, size);
    }
    void* Get() { return heap_.empty() ? stack_.data() : heap_.data(); }

private:
    std::array<std::uint8_t, 256> stack_;
    std::vector<std::uint8_t> heap_;
};

// A text field's native value, up to its terminator.
std::string_view NativeText(const TField& field, const void* data)
{
    const auto* chars = static_cast<const char*>(data);
    return {chars, strnlen(chars, static_cast<size_t>(field.Size()))};
}

} // namespace

// --- TField ---

TField::TField(TFieldType dataType, int size) : dataType_(dataType), size_(size) {}

TField::~TField() = default;

bool TField::GetData(void* buffer) const
{
    return dataSet_ != nullptr && dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer)
{
    if (dataSet_ == nullptr)
        DatabaseError("Field '" + Win1252ToUtf8(DisplayName()) + "' has no dataset");
    dataSet_->SetFieldData(this, buffer);
}

bool TField::IsNull() const { return !GetData(nullptr); }

Variant TField::Value() const
{
    if (IsBlob()) {
        Variant value;
        return GetData(&value) ? DataToVariant(&value) : Variant::Null();
    }
    NativeValue data(static_cast<size_t>(DataSize()));
    return GetData(data.Get()) ? DataToVariant(data.Get()) : Variant::Null();
}

void TField::SetValue(const Variant& value)
{
    if (value.IsEmpty() || value.IsNull()) {
        SetData(nullptr);
        return;
    }
    const std::string typeName = Variant::TypeName(value.VarType());
    Converted(*this, typeName, [&] { RequireFits(value); });
    if (IsBlob()) {
        Variant data;
        Converted(*this, typeName, [&] { VariantToData(value, &data); });
        SetData(&data);
    } else {
        std::vector<std::uint8_t> data(static_cast<size_t>(DataSize()));
        Converted(*this, typeName, [&] { VariantToData(value, data.data()); });
        SetData(data.data());
    }
}

template <typename Fill> std::string TField::TextOfNative(Fill fill) const
{
    if (IsBlob()) {
        Variant held;
        return fill(&held) ? DataText(&held) : std::string();
    }
    NativeValue data(static_cast<size_t>(DataSize()));
    return fill(data.Get()) ? DataText(data.Get()) : std::string();
}

std::string TField::AsString() const
{
    return TextOfNative([this](void* data) { return GetData(data); });
}

std::string TField::TextOfSource(const Variant& value) const
{
    if (value.IsEmpty() || value.IsNull())
        return {};
    return TextOfNative([&](void* data) {
        VariantToData(value, data);
        return true;
    });
}

std::string TField::DataText(const void* data) const
{
    const Variant value = DataToVariant(data);
    return value.IsNull() ? std::string() : Converted(*this, "String", [&] { return TextOf(value); });
}

int TField::AsInteger() const
{
    const Variant value = Value();
    if (value.IsNull())
        return 0;
    if (IsText(value))
        return StrToInt(value.AsString());
    const std::int64_t result = Converted(*this, "Integer", [&] { return value.AsInt64(); });
    if (!Variant::IntegerFits(result, varInteger))
        throw EConvertError("'" + IntToStr(result) + "' is not a valid integer value");
    return static_cast<int>(result);
}

double TField::AsFloat() const
{
    const Variant value = Value();
    if (value.IsNull())
        return 0;
    if (IsText(value))
        return StrToFloat(value.AsString());
    return Converted(*this, "Float", [&] { return value.AsDouble(); });
}

bool TField::AsBoolean() const
{
    const Variant value = Value();
    if (value.IsNull())
        return false;
    if (IsText(value))
        return TextToBoolean(value.AsString());
    return Converted(*this, "Boolean", [&] { return value.AsBoolean(); });
}

double TField::AsDateTime() const
{
    const Variant value = Value();
    return value.IsNull() ? 0 : DateTimeOf(value);
}

double TField::AsCurrency() const { return AsFloat(); }

void TField::SetAsString(std::string_view text) { SetValue(Variant::FromString(text)); }
void TField::SetAsInteger(int value) { SetValue(Variant::Integer(value)); }
void TField::SetAsFloat(double value) { SetValue(Variant::Double(value)); }
void TField::SetAsBoolean(bool value) { SetValue(Variant::Boolean(value)); }
void TField::SetAsDateTime(double value) { SetValue(Variant::Date(value)); }
void TField::SetAsCurrency(double value) { SetValue(Variant::Currency(DoubleToCurrency(*this, value))); }

double TField::DateTimeOf(const Variant& value) const
{
    if (value.VarType() == varDate)
        return value.DateValue();
    if (IsText(value))
        return TextToDateTime(value.AsString());
    RaiseAccessError(*this, "DateTime");
}

// --- The field classes ---

void TStringField::VariantToData(const Variant& value, void* data) const
{
    const std::string text = value.AsString();
    const size_t length = std::min(text.size(), static_cast<size_t>(Size()));
    std::memcpy(data, text.data(), length);
    static_cast<char*>(data)[length] = '\0';
}

void TStringField::RequireLength(size_t length) const
{
    if (length > static_cast<size_t>(Size()))
        DatabaseError("Value too long for field '" + Win1252ToUtf8(DisplayName()) + "'", DataSet());
}

void TStringField::RequireFits(const Variant& value) const { RequireLength(value.AsString().size()); }

void TWideStringField::RequireFits(const Variant& value) const { RequireLength(value.AsWideString().size()); }

Variant TStringField::DataToVariant(const void* data) const { return Variant::FromString(NativeText(*this, data)); }

// Windows-1252 comes back unchanged from the Variant's UTF-16.
std::string TStringField::DataText(const void* data) const { return std::string(NativeText(*this, data)); }

void TWideStringField::VariantToData(const Variant& value, void* data) const
{
    const std::u16string text = value.AsWideString();
    const size_t length = std::min(text.size(), static_cast<size_t>(Size()));
    std::memcpy(data, text.data(), length * 2);
    Store<char16_t>(static_cast<char*>(data) + length * 2, u'\0');
}

Variant TWideStringField::DataToVariant(const void* data) const
{
    std::u16string text;
    const auto* bytes = static_cast<const char*>(data);
    for (int i = 0; i < Size(); ++i) {
        const auto c = Load<char16_t>(bytes + i * 2);
        if (c == u'\0')
            break;
        text += c;
    }
    return Variant::Text(text);
}

void TIntegerFieldBase::VariantToData(const Variant& value, void* data) const
{
    const std::int64_t number = IsText(value) ? TextToInt64(value.AsString()) : value.AsInt64();
    if (!Variant::IntegerFits(number, varType_)) {
        const bool word = varType_ == varWord;
        const std::int64_t low = word          ? 0
                                 : width_ == 2 ? -32768
                                 : width_ == 4 ? std::numeric_limits<std::int32_t>::min()
                                               : 0;
        const std::int64_t high = word ? 65535 : width_ == 2 ? 32767 : std::numeric_limits<std::int32_t>::max();
        RaiseRangeError(*this, IntToStr(number), IntToStr(low), IntToStr(high));
    }
    switch (width_) {
    case 2:
        Store(data, static_cast<std::uint16_t>(number));
        break;
    case 4:
        Store(data, static_cast<std::int32_t>(number));
        break;
    default:
        Store(data, number);
    }
}

std::int64_t TIntegerFieldBase::NumberOf(const void* data) const
{
    switch (width_) {
    case 2:
        return varType_ == varWord ? Load<std::uint16_t>(data) : Load<std::int16_t>(data);
    case 4:
        return Load<std::int32_t>(data);
    default:
        return Load<std::int64_t>(data);
    }
}

Variant TIntegerFieldBase::DataToVariant(const void* data) const
{
    switch (width_) {
    case 2:
        return Variant::Integer(NumberOf(data), varType_ == varWord ? varWord : varSmallint);
    case 4:
        return Variant::Integer(NumberOf(data), varInteger);
    default:
        return Variant::Integer(NumberOf(data), varInt64);
    }
}

std::string TIntegerFieldBase::DataText(const void* data) const { return IntToStr(NumberOf(data)); }

std::int64_t TLargeintField::AsLargeInt() const
{
    const Variant value = Value();
    return value.IsNull() ? 0 : value.AsInt64();
}

void TLargeintField::SetAsLargeInt(std::int64_t value) { SetValue(Variant::Integer(value, varInt64)); }

void TBooleanField::VariantToData(const Variant& value, void* data) const
{
    const bool flag = IsText(value) ? TextToBoolean(value.AsString()) : value.AsBoolean();
    Store<std::int16_t>(data, flag ? 1 : 0);
}

Variant TBooleanField::DataToVariant(const void* data) const { return Variant::Boolean(Load<std::int16_t>(data) != 0); }

void TFloatField::VariantToData(const Variant& value, void* data) const
{
    Store(data, IsText(value) ? StrToFloat(value.AsString()) : value.AsDouble());
}

Variant TFloatField::DataToVariant(const void* data) const { return Variant::Double(Load<double>(data)); }

std::string TFloatField::DataText(const void* data) const { return FloatToStr(Load<double>(data)); }

void TCurrencyField::VariantToData(const Variant& value, void* data) const
{
    std::int64_t tenThousandths;
    TDecimal decimal;
    if (value.VarType() == varCurrency)
        tenThousandths = value.CurrencyValue();
    else if (value.VarType() == varDecimal)
        tenThousandths = DecimalToCurrency(*this, value.DecimalValue());
    else if (IsText(value) && IsPointed(value.AsString()) && TDecimal::Parse(Trim(value.AsString()), decimal))
        tenThousandths = DecimalToCurrency(*this, decimal);
    else
        tenThousandths = DoubleToCurrency(*this, IsText(value) ? StrToFloat(value.AsString()) : value.AsDouble());
    Store(data, tenThousandths);
}

Variant TCurrencyField::DataToVariant(const void* data) const { return Variant::Currency(Load<std::int64_t>(data)); }

double TDateTimeField::DateTimeOf(const Variant& value) const
{
    if (value.VarType() == varDate || IsText(value))
        return TField::DateTimeOf(value);
    return Converted(*this, "DateTime", [&] { return value.AsDouble(); });
}

void TDateTimeField::VariantToData(const Variant& value, void* data) const
{
    const TTimeStamp stamp = DateTimeToTimeStamp(DateTimeOf(value));
    switch (DataType()) {
    case ftDate:
        Store(data, stamp.Date);
        break;
    case ftTime:
        Store(data, stamp.Time);
        break;
    default:
        Store(data, TimeStampToMSecs(stamp));
    }
}

Variant TDateTimeField::DataToVariant(const void* data) const
{
    switch (DataType()) {
    case ftDate:
        return Variant::Date(TimeStampToDateTime({0, Load<std::int32_t>(data)}));
    case ftTime:
        return Variant::Date(TimeStampToDateTime({Load<std::int32_t>(data), DateDelta}));
    default:
        return Variant::Date(TimeStampToDateTime(MSecsToTimeStamp(Load<double>(data))));
    }
}

std::string TTimeField::TextOf(const Variant& value) const
{
    const TDateParts parts = DecodeOleDate(value.DateValue());
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.hour, parts.minute, parts.second);
    return text;
}

void TBytesField::VariantToData(const Variant& value, void* data) const
{
    const std::vector<std::uint8_t> bytes = BytesOf(value);
    const size_t length = std::min(bytes.size(), static_cast<size_t>(Size()));
    std::memset(data, 0, static_cast<size_t>(Size()));
    std::memcpy(data, bytes.data(), length);
}

Variant TBytesField::DataToVariant(const void* data) const
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Variant::Bytes(std::vector<std::uint8_t>(bytes, bytes + Size()));
}

std::string TBytesField::TextOf(const Variant& value) const { return BytesText(value); }

void TVarBytesField::VariantToData(const Variant& value, void* data) const
{
    const std::vector<std::uint8_t> bytes = BytesOf(value);
    const auto length =
        static_cast<std::uint16_t>(std::min<size_t>({bytes.size(), static_cast<size_t>(Size()), 65535}));
    Store(data, length);
    std::memcpy(static_cast<std::uint8_t*>(data) + 2, bytes.data(), length);
}

Variant TVarBytesField::DataToVariant(const void* data) const
{
    // The length comes from the record: never past the field's own bytes.
    const size_t length = std::min<size_t>(Load<std::uint16_t>(data), static_cast<size_t>(Size()));
    const auto* bytes = static_cast<const std::uint8_t*>(data) + 2;
    return Variant::Bytes(std::vector<std::uint8_t>(bytes, bytes + length));
}

void TBlobField::VariantToData(const Variant& value, void* data) const
{
    auto& held = *static_cast<Variant*>(data);
    if (DataType() == ftMemo)
        held = value.IsArray() ? Variant::FromString(BytesText(value)) : Variant::Text(value.AsWideString());
    else
        held = Variant::Bytes(BytesOf(value));
}

Variant TBlobField::DataToVariant(const void* data) const { return *static_cast<const Variant*>(data); }

std::string TBlobField::TextOf(const Variant& value) const
{
    return value.IsArray() ? BytesText(value) : value.AsString();
}

std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size)
{
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
        return std::make_unique<TStringField>(size);
    case ftWideString:
        return std::make_unique<TWideStringField>(size);
    case ftSmallint:
        return std::make_unique<TSmallintField>();
    case ftInteger:
        return std::make_unique<TIntegerField>();
    case ftWord:
        return std::make_unique<TWordField>();
    case ftAutoInc:
        return std::make_unique<TAutoIncField>();
    case ftLargeint:
        return std::make_unique<TLargeintField>();
    case ftBoolean:
        return std::make_unique<TBooleanField>();
    case ftFloat:
        return std::make_unique<TFloatField>();
    case ftCurrency:
        return std::make_unique<TCurrencyField>();
    case ftBCD:
        return std::make_unique<TBCDField>(size);
    case ftDate:
        return std::make_unique<TDateField>();
    case ftTime:
        return std::make_unique<TTimeField>();
    case ftDateTime:
        return std::make_unique<TDateTimeField>();
    case ftBytes:
        return std::make_unique<TBytesField>(size);
    case ftVarBytes:
        return std::make_unique<TVarBytesField>(size);
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
        return std::make_unique<TBlobField>();
    case ftMemo:
    case ftFmtMemo:
        return std::make_unique<TMemoField>();
    default:
        return nullptr;
    }
}

// --- TFields ---

TField* TFields::Fields(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    return fields_[static_cast<size_t>(index)].get();
}

TField* TFields::FindField(std::string_view name) const
{
    for (const auto& field : fields_)
        if (SameText(field->FieldName(), name))
            return field.get();
    return nullptr;
}

int TFields::IndexOf(const TField* field) const
{
    for (int i = 0; i < Count(); ++i)
        if (fields_[static_cast<size_t>(i)].get() == field)
            return i;
    return -1;
}

TField* TFields::Add(std::unique_ptr<TField> field)
{
    fields_.push_back(std::move(field));
    return fields_.back().get();
}

// --- Definitions ---

TField* TFieldDef::CreateField(TDataSet& dataSet) const
{
    std::unique_ptr<TField> field = CreateFieldOfType(dataType_, size_);
    if (!field)
        return nullptr;
    field->SetFieldName(name_);
    field->SetRequired(Required());
    field->SetReadOnly((attributes_ & faReadonly) != 0);
    if (auto* bcd = dynamic_cast<TBCDField*>(field.get()))
        bcd->SetPrecision(precision_);
    return dataSet.AddField(std::move(field));
}

TFieldDef& TFieldDefs::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    return *defs_[static_cast<size_t>(index)];
}

TFieldDef& TFieldDefs::AddFieldDef(std::string name, TFieldType dataType, int size, bool required)
{
    defs_.push_back(std::make_unique<TFieldDef>(std::move(name), dataType, size, Count() + 1));
    if (required)
        defs_.back()->SetAttributes(faRequired);
    return *defs_.back();
}

void TFieldDefs::Clear() { defs_.clear(); }

int TFieldDefs::IndexOf(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(defs_[static_cast<size_t>(i)]->Name(), name))
            return i;
    return -1;
}

TFieldDef& TFieldDefs::Find(std::string_view name) const
{
    const int index = IndexOf(name);
    if (index < 0)
        NotFoundError("Field", name, &dataSet_);
    return *defs_[static_cast<size_t>(index)];
}

void TFieldDefs::Update()
{
    if (updated_)
        return;
    dataSet_.InitFieldDefs();
    updated_ = true;
}

TIndexDef& TIndexDefs::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    return *defs_[static_cast<size_t>(index)];
}

TIndexDef& TIndexDefs::Add(std::string name, std::string fields, unsigned options)
{
    defs_.push_back(std::make_unique<TIndexDef>(std::move(name), std::move(fields), options));
    return *defs_.back();
}

int TIndexDefs::IndexOf(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(defs_[static_cast<size_t>(i)]->Name(), name))
            return i;
    return -1;
}

TIndexDef& TIndexDefs::Find(std::string_view name) const
{
    const int index = IndexOf(name);
    if (index < 0)
        NotFoundError("Index", name, &dataSet_);
    return *defs_[static_cast<size_t>(index)];
}

void TIndexDefs::GetItemNames(TStringList& list) const
{
    list.Clear();
    for (const auto& def : defs_)
        list.Add(def->Name());
}

void TIndexDefs::Update()
{
    if (updated_)
        return;
    dataSet_.UpdateIndexDefs();
    updated_ = true;
}
