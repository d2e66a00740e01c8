// A multi-image collection from arbitrary bytes, read as ".zyb" and as ".pmt": listing it and
// reading a picture from it may refuse the file but must never crash, raise or over-allocate.
#include "catalog/Zyb.h"
#include "platform/core/StringList.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/ScriptedUi.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void WriteFile(const std::string& path, const std::uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const std::string base = "/tmp/kestrame-fuzz-zyb-" + std::to_string(getpid());
    ScriptedUi ui;
    ZybFile zyb;
    TStringList names;
    TBitmap picture;
    for (const char* extension : {".zyb", ".pmt"}) {
        const std::string path = base + extension;
        WriteFile(path, data, size);
        zyb.ListImages(path, names);
        for (int i = 0; i < names.Count(); ++i)
            zyb.ReadImage(path, names[i], picture, 1);
        zyb.ReadImage(path, "missing", picture, 1);
    }
    return 0;
}
