// A multi-image collection from arbitrary bytes, read as ".zyb" and, without its header, as ".pmt":
// listing it and reading a picture from it may refuse the file but must never crash, raise or
// over-allocate.
#include "catalog/Zyb.h"
#include "platform/core/StringList.h"
#include "platform/graphics/Bitmap.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr size_t HeaderSize = 16;
constexpr std::uint8_t Magic[4] = {'Z', 'Y', 'B', 0};
// Each picture read scans the collection from its start, so reading every listed one would cost
// the square of the input.
constexpr int MaxPicturesRead = 8;

// The bytes after the header when the input has one, so that the ".pmt" file holds the same entries.
size_t HeaderBytes(const std::uint8_t* data, size_t size)
{
    return size >= HeaderSize && std::memcmp(data, Magic, sizeof Magic) == 0 ? HeaderSize : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile collection("kestrame-fuzz-zyb", ".zyb", data, size);
    const size_t header = HeaderBytes(data, size);
    const FuzzFile headerless("kestrame-fuzz-zyb", ".pmt", data + header, size - header);
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    ZybFile zyb;
    TStringList names;
    TStringList unused;
    TBitmap picture;
    zyb.ListImages(headerless.Path(), unused);
    zyb.ListImages(collection.Path(), names);
    for (const FuzzFile* file : {&collection, &headerless}) {
        for (int i = 0; i < std::min(names.Count(), MaxPicturesRead); ++i)
            zyb.ReadImage(file->Path(), names[i], picture, 1);
        zyb.ReadImage(file->Path(), "missing", picture, 1);
    }
    return 0;
}
