// A multi-image collection from arbitrary bytes, read as ".zyb" and as ".pmt": listing it and
// reading a picture from it may refuse the file but must never crash, raise or over-allocate.
#include "catalog/Zyb.h"
#include "platform/core/StringList.h"
#include "platform/graphics/Bitmap.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const std::string base = "/tmp/kestrame-fuzz-zyb-" + std::to_string(getpid());
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    ZybFile zyb;
    TStringList names;
    TBitmap picture;
    for (const char* extension : {".zyb", ".pmt"}) {
        const std::string path = base + extension;
        WriteInputFile(path, data, size);
        zyb.ListImages(path, names);
        for (int i = 0; i < names.Count(); ++i)
            zyb.ReadImage(path, names[i], picture, 1);
        zyb.ReadImage(path, "missing", picture, 1);
    }
    return 0;
}
