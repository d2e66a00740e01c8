#include "ado/AdocompsTypes.h"

#include "platform/services/AdoConnection.h"

#include <algorithm>
#include <limits>

int ClampedToInt(std::int64_t value)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int AdoTypeOfFieldType(TFieldType type)
{
    static constexpr int types[] = {
        adEmpty,         adVarChar,       adSmallInt,      adInteger,        adUnsignedSmallInt,
        adBoolean,       adDouble,        adDouble,        6 /* currency */, adDBDate,
        adDBTime,        adDBTimeStamp,   adBinary,        adVarBinary,      adInteger,
        adLongVarBinary, adLongVarChar,   adLongVarBinary, adLongVarBinary,  adLongVarBinary,
        adLongVarBinary, adLongVarBinary, adEmpty,         adChar,           adChar,
        adBigInt};
    const auto index = static_cast<size_t>(type);
    return index < std::size(types) ? types[index] : adEmpty;
}

TFieldType FieldTypeOfAdo(int adoType)
{
    switch (adoType) {
    case adSmallInt:
    case adTinyInt:
        return ftSmallint;
    case adInteger:
    case 10: // error code
        return ftInteger;
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
        return ftWord;
    case adSingle:
    case adDouble:
        return ftFloat;
    case 6:  // currency
    case 14: // decimal
    case adNumeric:
    case 139: // variable numeric
        return ftBCD;
    case 7:  // date
    case 64: // file time
    case adDBTimeStamp:
    case 137: // database file time
        return ftDateTime;
    case adDBDate:
        return ftDate;
    case adDBTime:
        return ftTime;
    case 8: // BSTR
    case adGUID:
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
        return ftString;
    case adBoolean:
        return ftBoolean;
    // Unsigned 32-bit values from 2^31 on do not fit a 32-bit field.
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
        return ftLargeint;
    case adBinary:
        return ftBytes;
    case adVarBinary:
        return ftVarBytes;
    case adLongVarChar:
    case adLongVarWChar:
        return ftMemo;
    case adLongVarBinary:
        return ftBlob;
    case 136: // chapter
        return ftDataSet;
    default:
        return ftUnknown;
    }
}
