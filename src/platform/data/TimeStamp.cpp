#include "platform/data/TimeStamp.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

#include <cmath>

namespace {

// Day 1 is 0001-01-01; 9999-12-31 is the last day an OLE date reaches.
constexpr std::int32_t LastDay = 3652059;

void ValidateTimeStamp(const TTimeStamp& timeStamp)
{
    if (timeStamp.Date < 1 || timeStamp.Date > LastDay || timeStamp.Time < 0 || timeStamp.Time >= MSecsPerDay)
        throw EConvertError("'" + IntToStr(timeStamp.Date) + "." + IntToStr(timeStamp.Time) +
                            "' is not a valid timestamp");
}

} // namespace

TTimeStamp DateTimeToTimeStamp(double dateTime)
{
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > LastDay)
        throw EConvertError("'" + FloatToStr(dateTime) + "' is not a valid timestamp");
    double days = std::trunc(dateTime);
    auto milliseconds = static_cast<std::int64_t>(std::llround(std::fabs(dateTime - days) * MSecsPerDay));
    // A time that rounds up to midnight belongs to the next day, away from the epoch.
    if (milliseconds == MSecsPerDay) {
        milliseconds = 0;
        days += dateTime < 0 ? -1 : 1;
    }
    TTimeStamp result;
    result.Date = static_cast<std::int32_t>(days) + DateDelta;
    result.Time = static_cast<std::int32_t>(milliseconds);
    ValidateTimeStamp(result);
    return result;
}

double TimeStampToDateTime(const TTimeStamp& timeStamp)
{
    ValidateTimeStamp(timeStamp);
    const double days = static_cast<double>(timeStamp.Date - DateDelta);
    const double time = static_cast<double>(timeStamp.Time) / MSecsPerDay;
    // Before the epoch the fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00.
    return days >= 0 ? days + time : days - time;
}

double TimeStampToMSecs(const TTimeStamp& timeStamp)
{
    return static_cast<double>(timeStamp.Date) * MSecsPerDay + timeStamp.Time;
}

TTimeStamp MSecsToTimeStamp(double milliseconds)
{
    if (!std::isfinite(milliseconds) || milliseconds < 0 ||
        milliseconds > static_cast<double>(LastDay + 1) * MSecsPerDay)
        throw EConvertError("'" + FloatToStr(milliseconds) + "' is not a valid timestamp");
    const double days = std::floor(milliseconds / MSecsPerDay);
    TTimeStamp result;
    result.Date = static_cast<std::int32_t>(days);
    result.Time = static_cast<std::int32_t>(milliseconds - days * MSecsPerDay);
    ValidateTimeStamp(result);
    return result;
}
