// The input PDF reader on arbitrary bytes: it may refuse a file with an Exception, never crash,
// overrun or hang. Every page it lists must give its content and be carried into a document, with
// all its objects, or be refused in the same way.
#include "pdf/PdfFileWriter.h"
#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputObjects.h"
#include "pdf/PdfPageTree.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

#include <cstdint>

namespace {

void CarryPagesOver(const TPdfInputFile& input, const TPdfPages& tree)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfInputObjects objects(input, writer);
    objects.LeaveOut(input.RootObject());
    for (const TPdfInputPage& page : tree.InputPages())
        objects.Claim(page.number);
    for (const TPdfInputPage& page : tree.InputPages()) {
        objects.ObjectOf(page.resources);
        objects.WritePage(page, "1 0 R");
    }
    objects.WritePending();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<std::int64_t>(size));
    TPdfInputFile input;
    TPdfPages tree(nullptr);
    try {
        input.ReadPDFStream(stream, tree);
    } catch (const Exception&) {
        return 0;
    }
    for (const TPdfInputPage& page : tree.InputPages()) {
        try {
            input.PageContent(page);
        } catch (const Exception&) {
        }
    }
    try {
        CarryPagesOver(input, tree);
    } catch (const Exception&) {
    }
    return 0;
}
