#include "imageformats/DecodedPictureCache.h"
#include "imageformats/PictureLoading.h"
#include "imageformats/Resampling.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

// Pictures of 10 x 10 at 24 bits (320 bytes) from files written once; the decoder counts its calls.
TEST(DecodedPictureCache, KeepsTheMostRecentlyUsedPicturesWithinTheLimitAndNoFailures)
{
    TemporaryFolder folder;
    DecodedPictureCache cache;
    cache.SetLimitBytes(3 * 320);
    int decodes = 0;
    DecodeResult result = DecodeResult::Picture;
    const auto load = [&](const std::string& name) {
        if (!FileExists(folder.File(name)))
            WriteWholeFile(folder.File(name), "picture");
        return cache.Picture({folder.File(name), "", "TBitmap"}, [&](TBitmap& picture) {
            ++decodes;
            picture.SetPixelFormat(pf24bit);
            picture.SetSize(10, 10);
            return result;
        });
    };
    const std::shared_ptr<const TBitmap> a = load("a.bmp");
    load("b.bmp");
    load("c.bmp");
    EXPECT_EQ(load("a.bmp"), a); // shared, and b is now the least recently used
    load("d.bmp");
    EXPECT_EQ(decodes, 4);
    load("a.bmp");
    load("c.bmp");
    EXPECT_EQ(decodes, 4);
    load("b.bmp");
    EXPECT_EQ(decodes, 5);
    EXPECT_EQ(cache.KeptBytes(), 3u * 320);

    // Failures and pictures to draw once are read again each time; neither is kept, nor is anything
    // a reader's error interrupts.
    for (const DecodeResult once : {DecodeResult::Failed, DecodeResult::UnkeptPicture}) {
        result = once;
        EXPECT_EQ(load("e.bmp") == nullptr, once == DecodeResult::Failed);
        EXPECT_EQ(load("e.bmp") == nullptr, once == DecodeResult::Failed);
    }
    EXPECT_EQ(decodes, 9);
    const auto raising = [](TBitmap&) -> DecodeResult { throw EInvalidGraphic("Bad picture"); };
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] {
                  cache.Picture({folder.File("e.bmp"), "", "TBitmap"}, raising);
              }),
              "Bad picture");
    EXPECT_EQ(cache.KeptCount(), 3u);

    cache.SetLimitBytes(320);
    EXPECT_EQ(cache.KeptCount(), 1u);
    EXPECT_EQ(load("b.bmp"), load("b.bmp")); // the one kept is the one used last
    EXPECT_EQ(decodes, 9);
}

// The decoded picture is as wide as the file is long, so that it tells which state of the file it
// was decoded from.
TEST(DecodedPictureCache, APassLooksAtEachFileOnceAndEveryOtherPassLooksAgain)
{
    TemporaryFolder folder;
    DecodedPictureCache cache;
    const std::string path = folder.File("a.bmp");
    const auto width = [&] {
        const std::shared_ptr<const TBitmap> picture = cache.Picture({path, "", "TBitmap"}, [&](TBitmap& decoded) {
            if (!FileExists(path))
                return DecodeResult::Failed;
            decoded.SetSize(static_cast<int>(ReadWholeFile(path).size()), 1);
            return DecodeResult::Picture;
        });
        return picture ? picture->Width() : 0;
    };
    WriteWholeFile(path, "old");
    {
        DecodedPictureCache::CheckPass pass(cache);
        EXPECT_EQ(width(), 3);
        WriteWholeFile(path, "rewritten");
        EXPECT_EQ(width(), 3); // as the pass first saw the file
        DecodedPictureCache::CheckPass inner(cache);
        EXPECT_EQ(width(), 9);
    }
    EXPECT_EQ(width(), 9);
    {
        DecodedPictureCache::CheckPass pass(cache);
        EXPECT_EQ(width(), 9);
        std::filesystem::remove(path);
        EXPECT_EQ(width(), 9);
    }
    EXPECT_EQ(width(), 0);
}

// A 400 x 300 picture asked for at several sizes, in turn: each answer covers the size asked for in
// the picture's proportions, and a kept picture too small for a request is decoded again at the
// larger of both. The decoder reduces as a drawing's does.
TEST(DecodedPictureCache, KeepsAPictureAtTheSizeAskedAndDecodesItLargerOnlyWhenAskedLarger)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("a.jpg"), "picture");
    DecodedPictureCache cache;
    const struct {
        TSize least;
        TSize kept;
        std::size_t decodes;
    } requests[] = {{{40, 30}, {40, 30}, 1},     {{20, 10}, {40, 30}, 1},  {{10, 30}, {40, 30}, 1},
                    {{80, 20}, {80, 60}, 2},     {{40, 70}, {94, 70}, 3},  {{0, 0}, {400, 300}, 4},
                    {{500, 500}, {400, 300}, 4}, {{90, 90}, {400, 300}, 4}};
    for (const auto& request : requests) {
        const std::shared_ptr<const TBitmap> picture = cache.Picture(
            {folder.File("a.jpg"), "", "TJPEGImage"}, request.least, [](TBitmap& decoded, TSize least, TSize& whole) {
                decoded.SetSize(400, 300);
                whole = {400, 300};
                ReduceToCover(decoded, least);
                return DecodeResult::Picture;
            });
        EXPECT_EQ((TSize{picture->Width(), picture->Height()}), request.kept) << request.least.cx;
        EXPECT_EQ(cache.DecodeCount(), request.decodes) << request.least.cx;
    }
    EXPECT_EQ(cache.KeptCount(), 1u);
}

// What the drawing's decoder makes of a picture for a size, the cache takes for that size again:
// JPEG pictures of many sizes, each decoded at its library's least scale that covers the size and
// then reduced, asked for at many sizes, up to beyond the picture's own, each decoded once.
TEST(DecodedPictureCache, APictureDecodedForASizeServesThatSize)
{
    TemporaryFolder folder;
    DecodedPictureCache cache;
    std::mt19937 random(5417);
    const auto upTo = [&](int most) { return std::uniform_int_distribution(1, most)(random); };
    for (int picture = 0; picture < 24; ++picture) {
        const TSize whole{16 + upTo(600), 16 + upTo(600)};
        const std::string file = folder.File(IntToStr(picture) + ".jpg");
        WriteStripedJpeg(file, whole.cx, whole.cy, {clRed, clBlue});
        for (int box = 0; box < 16; ++box) {
            const TSize least{upTo(whole.cx * 5 / 4), upTo(whole.cy * 5 / 4)};
            cache.Clear();
            const std::size_t decodes = cache.DecodeCount();
            std::shared_ptr<const TBitmap> kept;
            for (int draw = 0; draw < 2; ++draw)
                kept =
                    cache.Picture({file, "", "TJPEGImage"}, least, [&](TBitmap& decoded, TSize atLeast, TSize& size) {
                        TJPEGImage reader;
                        return DecodeToDraw(reader, file, decoded, atLeast, size, false);
                    });
            const TSize keptSize{kept->Width(), kept->Height()};
            const std::string request = IntToStr(whole.cx) + " x " + IntToStr(whole.cy) + " for " + IntToStr(least.cx) +
                                        " x " + IntToStr(least.cy);
            EXPECT_EQ(cache.DecodeCount(), decodes + 1) << request;
            EXPECT_TRUE(keptSize == whole || (keptSize.cx >= least.cx && keptSize.cy >= least.cy)) << request;
        }
    }
}
