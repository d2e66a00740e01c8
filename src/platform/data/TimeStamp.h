#pragma once

#include <cstdint>

// The class library's time stamp, the native layout in which record buffers hold dates and times: a
// date field keeps `Date`, a time field `Time`, a date-time field the milliseconds of both
// (`TimeStampToMSecs`). Dates elsewhere are OLE dates (days since 1899-12-30), as in Variant.
struct TTimeStamp {
    std::int32_t Time = 0; // milliseconds since midnight
    std::int32_t Date = 0; // days since 0001-01-01, plus one
};

// The day number of 1899-12-30, the OLE date 0.
constexpr std::int32_t DateDelta = 693594;
constexpr std::int32_t MSecsPerDay = 86400000;

// Raise EConvertError ("'0.5' is not a valid timestamp") for a date before 0001-01-01 or a time
// outside the day, as garbage in a buffer would give.
TTimeStamp DateTimeToTimeStamp(double dateTime);
double TimeStampToDateTime(const TTimeStamp& timeStamp);
double TimeStampToMSecs(const TTimeStamp& timeStamp);
TTimeStamp MSecsToTimeStamp(double milliseconds);
