#include "platform/core/Exceptions.h"
#include "platform/data/DataSet.h"
#include "platform/data/TimeStamp.h"

#include "TestSupport.h"
#include "testing/MemoryDataSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

double Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return EncodeOleDate({year, month, day, hour, minute, second, 0});
}

TDecimal DecimalOf(std::string_view text)
{
    TDecimal value;
    EXPECT_TRUE(TDecimal::Parse(text, value)) << text;
    return value;
}

const std::vector<TMemoryDataSet::Column> EveryType = {
    {"Name", ftString, 10}, {"Wide", ftWideString, 10}, {"Small", ftSmallint}, {"Count", ftInteger},
    {"Word", ftWord},       {"Id", ftAutoInc},          {"Big", ftLargeint},   {"Flag", ftBoolean},
    {"Ratio", ftFloat},     {"Huge", ftFloat},          {"Price", ftCurrency}, {"Cost", ftBCD, 4},
    {"Day", ftDate},        {"Clock", ftTime},          {"Stamp", ftDateTime}, {"Code", ftBytes, 4},
    {"Key", ftVarBytes, 8}, {"Picture", ftBlob},        {"Notes", ftMemo},
};

// One row of every type, one row of nulls.
std::unique_ptr<TMemoryDataSet> DataSetOfEveryType()
{
    std::vector<TMemoryDataSet::Row> rows(2, TMemoryDataSet::Row(EveryType.size(), Variant::Null()));
    rows[0] = {
        Variant::FromString("Cola, 33 cl"),
        Variant::Text(u"Cr\u00e8me"),
        Variant::Integer(-12, varSmallint),
        Variant::Integer(123456),
        Variant::Integer(65535, varWord),
        Variant::Integer(7),
        Variant::Integer(9007199254740993, varInt64),
        Variant::Boolean(true),
        Variant::Double(2.5),
        Variant::Double(1e20),
        Variant::Currency(125000),
        Variant::Decimal(DecimalOf("1.234567")),
        Variant::Date(Date(2024, 2, 29)),
        Variant::Date(Date(1899, 12, 30, 13, 5, 9)),
        Variant::Date(Date(2024, 2, 29, 13, 5, 9)),
        Variant::Bytes({'a', 'b', 'c', 'd'}),
        Variant::Bytes({'x', 'y', 'z'}),
        Variant::Bytes({'P', 'N', 'G'}),
        Variant::FromString("Shelf 3, left"),
    };
    return std::make_unique<TMemoryDataSet>(EveryType, std::move(rows));
}

// Fields made by hand, as a data set with calculated fields needs its data fields too.
void CreateFieldsFromDefinitions(TDataSet& dataSet)
{
    dataSet.FieldDefs().Update();
    for (int i = 0; i < dataSet.FieldDefs().Count(); ++i)
        dataSet.FieldDefs().Items(i).CreateField(dataSet);
}

std::vector<std::string> Texts(TDataSet& dataSet)
{
    std::vector<std::string> texts;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        texts.push_back(dataSet.Fields()[i]->AsString());
    return texts;
}

} // namespace

TEST(Fields, TextsOfEveryTypeIgnoreTheLocale)
{
    const std::vector<std::string> expected = {
        "Cola, 33 c", "Cr\xe8me", "-12",           "123456", "65535",      "7",        "9007199254740993",    "True",
        "2.5",        "1E20",     "12.5",          "1.2346", "2024-02-29", "13:05:09", "2024-02-29 13:05:09", "abcd",
        "xyz",        "PNG",      "Shelf 3, left",
    };
    auto dataSet = DataSetOfEveryType();
    dataSet->Open();
    EXPECT_EQ(Texts(*dataSet), expected);
    {
        CommaLocale comma;
        ASSERT_TRUE(comma.Active()) << "the de_DE.UTF-8 locale is missing (package locales-all)";
        EXPECT_EQ(Texts(*dataSet), expected) << "under a comma locale";
    }
    const std::vector<TFieldType> types = {
        ftString,   ftWideString, ftSmallint, ftInteger, ftWord,     ftAutoInc, ftLargeint, ftBoolean, ftFloat, ftFloat,
        ftCurrency, ftBCD,        ftDate,     ftTime,    ftDateTime, ftBytes,   ftVarBytes, ftBlob,    ftMemo};
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        EXPECT_EQ(dataSet->Fields()[i]->DataType(), types[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(dataSet->FieldByName("Ratio")->AsInteger(), 2);
    EXPECT_DOUBLE_EQ(dataSet->FieldByName("Price")->AsCurrency(), 12.5);
    EXPECT_DOUBLE_EQ(dataSet->FieldByName("Day")->AsDateTime(), Date(2024, 2, 29));
    EXPECT_TRUE(dataSet->FieldByName("Flag")->AsBoolean());
    EXPECT_EQ(dataSet->FieldByName("Count")->AsFloat(), 123456.0);

    dataSet->Next();
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField& field = *dataSet->Fields()[i];
        EXPECT_TRUE(field.IsNull()) << field.FieldName();
        EXPECT_TRUE(field.Value().IsNull()) << field.FieldName();
        EXPECT_EQ(field.AsString(), "") << field.FieldName();
        EXPECT_EQ(field.AsInteger(), 0) << field.FieldName();
        EXPECT_EQ(field.AsFloat(), 0) << field.FieldName();
        EXPECT_FALSE(field.AsBoolean()) << field.FieldName();
        EXPECT_EQ(field.AsDateTime(), 0) << field.FieldName();
    }
}

TEST(Fields, DatesLargeIntegersAndCurrencySurviveTheirForms)
{
    auto dataSet = DataSetOfEveryType();
    // Calculated fields take each value through its As... form; the row's fields give it.
    auto* day = dataSet->AddField(std::make_unique<TDateTimeField>());
    auto* big = dataSet->AddField(std::make_unique<TLargeintField>());
    auto* price = dataSet->AddField(std::make_unique<TBCDField>());
    auto* priceText = dataSet->AddField(std::make_unique<TBCDField>());
    for (TField* field : std::vector<TField*>{day, big, price, priceText})
        field->SetFieldKind(fkCalculated);
    day->SetFieldName("CalcDay");
    big->SetFieldName("CalcBig");
    price->SetFieldName("CalcPrice");
    priceText->SetFieldName("CalcPriceText");

    struct Values {
        double date;
        std::int64_t large;
        double currency;
        std::string currencyText;
    };
    const Values cases[] = {
        {Date(2024, 2, 29, 13, 5, 9), 9007199254740993, 12.3456, "-12345678901.2345"},
        {Date(1850, 6, 15, 6, 30), std::numeric_limits<std::int64_t>::min(), -0.0001, "922337203685477.5807"},
        {Date(9999, 12, 31, 23, 59, 59), std::numeric_limits<std::int64_t>::max(), 0, "2.00005"},
    };
    const Values* current = nullptr;
    dataSet->OnCalcFields = [&](TDataSet&) {
        if (current == nullptr)
            return;
        day->SetAsDateTime(current->date);
        big->SetAsLargeInt(current->large);
        price->SetAsCurrency(current->currency);
        priceText->SetAsString(current->currencyText);
    };
    for (const Values& values : cases) {
        current = &values;
        dataSet->Close();
        dataSet->Open();
        EXPECT_EQ(day->AsDateTime(), values.date);
        EXPECT_EQ(big->AsLargeInt(), values.large);
        EXPECT_EQ(big->AsString(), std::to_string(values.large));
        EXPECT_EQ(price->AsCurrency(), values.currency);
        EXPECT_EQ(priceText->AsString(), values.currencyText == "2.00005" ? "2.0001" : values.currencyText);
    }
}

TEST(Fields, ConversionsThatFailRaiseConvertErrors)
{
    auto dataSet = DataSetOfEveryType();
    CreateFieldsFromDefinitions(*dataSet);
    auto* small = dataSet->AddField(std::make_unique<TSmallintField>());
    small->SetFieldName("Tiny");
    small->SetFieldKind(fkCalculated);
    std::string calcError;
    dataSet->OnCalcFields = [&](TDataSet&) {
        calcError = RaisedMessage<EConvertError>([&] { small->SetAsInteger(40000); });
    };
    dataSet->Open();
    EXPECT_EQ(calcError, "40000 is not a valid value for field 'Tiny'. The allowed range is -32768 to 32767");
    EXPECT_TRUE(small->IsNull()) << "the refused value is not stored";

    TField* name = dataSet->FieldByName("Name");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { name->AsInteger(); }), "'Cola, 33 c' is not a valid integer value");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { name->AsFloat(); }),
              "'Cola, 33 c' is not a valid floating point value");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { name->AsBoolean(); }), "'Cola, 33 c' is not a valid boolean value");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { name->AsDateTime(); }), "'Cola, 33 c' is not a valid date and time");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { dataSet->FieldByName("Count")->AsDateTime(); }),
              "Cannot access field 'Count' as type DateTime");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { dataSet->FieldByName("Picture")->AsInteger(); }),
              "Cannot access field 'Picture' as type Integer");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { dataSet->FieldByName("Big")->AsInteger(); }),
              "'9007199254740993' is not a valid integer value");
}

TEST(Fields, CalculatedFieldsAreComputedOnEveryScroll)
{
    std::vector<TMemoryDataSet::Row> rows;
    for (int id = 1; id <= 3; ++id)
        rows.push_back({Variant::Integer(id)});
    TMemoryDataSet dataSet({{"ID", ftInteger}}, std::move(rows));
    CreateFieldsFromDefinitions(dataSet);
    auto* twice = dataSet.AddField(std::make_unique<TIntegerField>());
    twice->SetFieldName("Twice");
    twice->SetFieldKind(fkCalculated);
    int calculations = 0;
    dataSet.OnCalcFields = [&](TDataSet& set) {
        ++calculations;
        EXPECT_EQ(set.State(), dsCalcFields);
        twice->SetAsInteger(set.FieldByName("ID")->AsInteger() * 2);
    };

    dataSet.Open();
    EXPECT_FALSE(dataSet.DefaultFields());
    EXPECT_EQ(twice->FieldNo(), -1);
    EXPECT_EQ(twice->AsInteger(), 2);
    dataSet.Next();
    EXPECT_EQ(twice->AsInteger(), 4);
    dataSet.Last();
    EXPECT_EQ(twice->AsInteger(), 6);
    dataSet.Prior();
    EXPECT_EQ(twice->AsString(), "4");
    EXPECT_EQ(calculations, 4);
    EXPECT_EQ(dataSet.State(), dsBrowse);
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 2) << "fields made by hand outlive the opening";
}

TEST(TimeStamp, ConvertsBetweenDatesAndTheNativeLayout)
{
    EXPECT_EQ(DateTimeToTimeStamp(0).Date, DateDelta);
    const TTimeStamp morning = DateTimeToTimeStamp(Date(2024, 2, 29, 6));
    EXPECT_EQ(morning.Time, 6 * 3600 * 1000);
    EXPECT_EQ(morning.Date, 738945) << "days since 0001-01-01, plus one";
    const double before = Date(1899, 12, 29, 6);
    EXPECT_EQ(before, -1.25);
    EXPECT_EQ(TimeStampToDateTime(DateTimeToTimeStamp(before)), before);
    EXPECT_EQ(TimeStampToDateTime(MSecsToTimeStamp(TimeStampToMSecs(morning))), Date(2024, 2, 29, 6));
    EXPECT_EQ(DateTimeToTimeStamp(1.0 - 1e-12).Date, DateDelta + 1) << "a time rounding to midnight is the next day";

    // Garbage where a time stamp belongs is refused, never turned into a date.
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TimeStampToDateTime({-5, 10}); }), "'10.-5' is not a valid timestamp");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TimeStampToDateTime({0, 0}); }), "'0.0' is not a valid timestamp");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { MSecsToTimeStamp(-1); }), "'-1' is not a valid timestamp");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { DateTimeToTimeStamp(1e300); }), "'1E300' is not a valid timestamp");
}
