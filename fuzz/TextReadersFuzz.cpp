// Number readers, the code page and the comma-text parser on arbitrary bytes: none may crash, and
// what they produce must round-trip.
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/StringList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Atoi(text);
    Atof(text);
    try {
        StrToInt(text);
    } catch (const EConvertError&) {
    }
    try {
        StrToFloat(text);
    } catch (const EConvertError&) {
    }
    if (Utf8ToWin1252(Win1252ToUtf8(text)) != text)
        std::abort();
    TStringList list;
    list.SetCommaText(text);
    TStringList again;
    again.SetCommaText(list.CommaText());
    if (again.CommaText() != list.CommaText())
        std::abort();
    return 0;
}
