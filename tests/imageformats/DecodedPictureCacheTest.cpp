#include "imageformats/DecodedPictureCache.h"
#include "platform/graphics/Bitmap.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

// 10 x 10 at 24 bits: rows of 32 bytes.
constexpr std::size_t PictureBytes = 320;

// A decoder that counts its calls and makes a 10 x 10 picture of the colour, or what it is told to.
struct CountingDecoder {
    int calls = 0;
    TColor color = clRed;
    DecodeResult result = DecodeResult::Picture;

    DecodedPictureCache::Decoder operator()()
    {
        return [this](TBitmap& picture) {
            ++calls;
            picture.SetPixelFormat(pf24bit);
            picture.SetSize(10, 10);
            picture.SetPixel(0, 0, color);
            return result;
        };
    }
};

class PictureCache : public testing::Test {
protected:
    std::string File(const std::string& name, std::string_view bytes = "picture")
    {
        WriteWholeFile(folder.File(name), bytes);
        return folder.File(name);
    }

    // Moves the file's modification time on, as a later save would.
    static void Touch(const std::string& path)
    {
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(1));
    }

    TemporaryFolder folder;
    DecodedPictureCache cache;
};

} // namespace

TEST_F(PictureCache, SharesOnePictureUntilItsFileChangesOrGoes)
{
    CountingDecoder decoder;
    const std::string path = File("cola.bmp");
    const std::shared_ptr<const TBitmap> first = cache.Picture({path, "", "TBitmap"}, decoder());
    EXPECT_EQ(cache.Picture({path, "", "TBitmap"}, decoder()), first);
    EXPECT_EQ(decoder.calls, 1);
    EXPECT_EQ(cache.KeptBytes(), PictureBytes);

    // Another reader or a collection's entry is another picture of the file.
    EXPECT_NE(cache.Picture({path, "", "TTargaGraphic"}, decoder()), first);
    EXPECT_NE(cache.Picture({path, "cola.bmp", "collection"}, decoder()), first);
    EXPECT_EQ(decoder.calls, 3);

    // Rewritten at the same size: the modification time tells.
    decoder.color = clBlue;
    File("cola.bmp", "PICTURE");
    Touch(path);
    const std::shared_ptr<const TBitmap> rewritten = cache.Picture({path, "", "TBitmap"}, decoder());
    EXPECT_EQ(rewritten->Pixel(0, 0), clBlue);
    EXPECT_EQ(first->Pixel(0, 0), clRed); // still whole for whoever holds it
    // Rewritten at another size with the old time: the size tells.
    const auto time = std::filesystem::last_write_time(path);
    File("cola.bmp", "a longer picture");
    std::filesystem::last_write_time(path, time);
    EXPECT_NE(cache.Picture({path, "", "TBitmap"}, decoder()), rewritten);
    EXPECT_EQ(decoder.calls, 5);
    EXPECT_EQ(cache.KeptCount(), 3u);

    // Gone: the reader is asked (and fails as it would), and the old picture is dropped.
    std::filesystem::remove(path);
    decoder.result = DecodeResult::Failed;
    EXPECT_EQ(cache.Picture({path, "", "TBitmap"}, decoder()), nullptr);
    EXPECT_EQ(decoder.calls, 6);
    EXPECT_EQ(cache.KeptCount(), 2u);
}

TEST_F(PictureCache, FailuresWarningsErrorsAndEmptyPicturesAreNeverKept)
{
    const std::string path = File("cola.bmp");
    CountingDecoder decoder;
    decoder.result = DecodeResult::Failed;
    EXPECT_EQ(cache.Picture({path, "", "TBitmap"}, decoder()), nullptr);
    decoder.result = DecodeResult::UnkeptPicture;
    EXPECT_EQ(cache.Picture({path, "", "TBitmap"}, decoder())->Width(), 10);
    EXPECT_EQ(decoder.calls, 2);

    const auto raising = [](TBitmap&) -> DecodeResult { throw EInvalidGraphic("Bad picture"); };
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] { cache.Picture({path, "", "TBitmap"}, raising); }), "Bad picture");
    const auto empty = [](TBitmap&) { return DecodeResult::Picture; };
    EXPECT_TRUE(cache.Picture({path, "", "TBitmap"}, empty)->Empty());
    // A file that is not there cannot be stamped, so what is read under its name is not kept.
    decoder.result = DecodeResult::Picture;
    EXPECT_NE(cache.Picture({folder.File("missing.bmp"), "", "TBitmap"}, decoder()), nullptr);
    EXPECT_EQ(cache.KeptCount(), 0u);

    EXPECT_NE(cache.Picture({path, "", "TBitmap"}, decoder()), nullptr);
    EXPECT_EQ(cache.KeptCount(), 1u);
}

TEST_F(PictureCache, LeastRecentlyUsedPicturesGoFirstAndTheLimitHolds)
{
    cache.SetLimitBytes(3 * PictureBytes);
    CountingDecoder decoder;
    // Each file is written once, so that a later load finds it unchanged.
    const auto load = [&](const std::string& name) {
        const std::string path = folder.File(name);
        if (!std::filesystem::exists(path))
            File(name);
        return cache.Picture({path, "", "TBitmap"}, decoder());
    };
    load("a.bmp");
    load("b.bmp");
    load("c.bmp");
    load("a.bmp"); // b is now the least recently used
    load("d.bmp");
    EXPECT_EQ(decoder.calls, 4);
    EXPECT_EQ(cache.KeptBytes(), 3 * PictureBytes);
    load("a.bmp");
    load("c.bmp");
    EXPECT_EQ(decoder.calls, 4);
    load("b.bmp");
    EXPECT_EQ(decoder.calls, 5);

    // Many pictures pass through; no more than the limit is ever kept.
    for (int i = 0; i < 20; ++i) {
        load("many" + std::to_string(i) + ".bmp");
        EXPECT_LE(cache.KeptBytes(), cache.LimitBytes());
    }

    // A picture bigger than the whole limit is drawn, and drops nothing.
    const auto big = [](TBitmap& picture) {
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(100, 100);
        return DecodeResult::Picture;
    };
    EXPECT_EQ(cache.Picture({File("big.bmp"), "", "TBitmap"}, big)->Width(), 100);
    EXPECT_EQ(cache.KeptCount(), 3u);

    cache.SetLimitBytes(PictureBytes);
    EXPECT_EQ(cache.KeptCount(), 1u);
    cache.Clear();
    EXPECT_EQ(cache.KeptBytes(), 0u);
}
