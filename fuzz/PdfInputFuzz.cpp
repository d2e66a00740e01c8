// The input PDF reader on arbitrary bytes: it may refuse a file with an Exception, never crash,
// overrun or hang, and every page it lists must give its content or refuse it in the same way.
#include "pdf/PdfInputFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<std::int64_t>(size));
    TPdfInputFile input;
    try {
        input.ReadPDFStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    for (std::size_t page = 0; page < input.Pages().size(); ++page) {
        try {
            input.PageContent(static_cast<int>(page));
        } catch (const Exception&) {
        }
    }
    return 0;
}
