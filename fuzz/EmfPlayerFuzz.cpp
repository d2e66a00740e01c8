// The PDF writer's metafile player on arbitrary bytes, playing onto the content-stream device with
// clip records honoured: it may refuse a metafile that is none, never crash, overrun or hang, and
// the device's own rules must hold whatever the records ask.
#include "pdf/PdfAssert.h"
#include "pdf/PdfGenericPSDevice.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    TPdfGenericPSDevice device;
    device.DCStack().SetPage(0, 842);
    device.SetModes({peClipRectSupport});
    device.PSStartOutput(&stream);
    try {
        device.PlayEnhMetaFile(std::span(data, size), 0, 0, 0, 0, false, 0, 0);
        device.PSEndOutput();
    } catch (const EAssertionFailed&) {
        std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
