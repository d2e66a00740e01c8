#include "catalog/Zyb.h"
#include "platform/core/FilePaths.h"
#include "platform/core/StringList.h"
#include "platform/graphics/Bitmap.h"
#include "testing/ScriptedUi.h"

#include "LittleEndianBytes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string Header = std::string("ZYB\0", 4) + U32(1) + U32(3) + U32(0);

std::string Entry(const std::string& name, std::uint32_t width, std::uint32_t height, std::uint32_t bytesPerPixel,
                  std::uint32_t dataSize, std::uint32_t index = 1)
{
    return Fixed(name, 56) + U32(index) + U32(width) + U32(height) + U32(bytesPerPixel) + U32(dataSize);
}

// A 24-bit picture whose every byte differs from its neighbours.
void Paint(TBitmap& bitmap, int width, int height, int seed)
{
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(seed + 31 * y + 7 * x);
}

bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Width()) * 3) != 0)
            return false;
    return true;
}

class Collection : public testing::Test {
protected:
    std::vector<std::string> Names(const std::string& path)
    {
        TStringList list;
        list.Add("stale");
        zyb.ListImages(path, list);
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i)
            names.push_back(list[i]);
        return names;
    }

    void ExpectOneMessage(const std::string& text, const std::string& caption, MsgIcon icon = MsgIcon::None)
    {
        ASSERT_EQ(ui.Calls().size(), 1u) << text;
        EXPECT_EQ(ui.Calls()[0].text, text);
        EXPECT_EQ(ui.Calls()[0].caption, caption);
        EXPECT_EQ(ui.Calls()[0].icon, icon);
        ui.ClearCalls();
    }

    TemporaryFolder folder;
    ScriptedUi ui;
    ZybFile zyb;
};

} // namespace

TEST_F(Collection, TheFirstPictureMakesTheFile)
{
    TBitmap picture;
    Paint(picture, 5, 2, 0);
    const std::string path = folder.File("new.zyb");
    ASSERT_TRUE(zyb.Append(path, "Shelf.jpg", picture, 1));
    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 16u + 76 + 32);
    EXPECT_EQ(bytes.substr(0, 16), Header);
    EXPECT_EQ(bytes.substr(16, 76), Entry("Shelf.jpg", 5, 2, 3, 32));
    // Rows of 15 bytes padded to 16, the bottom row first.
    EXPECT_EQ(bytes.substr(92, 15), std::string(reinterpret_cast<const char*>(picture.ScanLine(1)), 15));
    EXPECT_EQ(bytes[107], '\0');
    EXPECT_EQ(bytes.substr(108, 15), std::string(reinterpret_cast<const char*>(picture.ScanLine(0)), 15));
    EXPECT_EQ(bytes[123], '\0');

    TBitmap wide;
    Paint(wide, 4, 3, 99);
    ASSERT_TRUE(zyb.Append(path, "four", wide, 1));
    const std::string more = ReadWholeFile(path);
    ASSERT_EQ(more.size(), bytes.size() + 76 + 36);
    EXPECT_EQ(more.substr(bytes.size(), 76), Entry("four", 4, 3, 3, 36));
    EXPECT_EQ(more.substr(bytes.size() + 76, 12), std::string(reinterpret_cast<const char*>(wide.ScanLine(2)), 12));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(Collection, PicturesComeBackExactly)
{
    const std::string path = folder.File("pics.zyb");
    TBitmap first, second, third;
    Paint(first, 5, 2, 0);
    Paint(second, 4, 7, 50);
    third.SetPixelFormat(pf32bit);
    third.SetSize(3, 3);
    third.SetPixel(1, 2, 0x123456);
    ASSERT_TRUE(zyb.Append(path, "first.bmp", first, 1));
    ASSERT_TRUE(zyb.Append(path, "second.bmp", second, 1));
    ASSERT_TRUE(zyb.Append(path, "third.bmp", third, 1));

    TBitmap read;
    ASSERT_TRUE(zyb.ReadImage(path, "second.bmp", read, 1));
    EXPECT_TRUE(SamePixels(read, second));
    ASSERT_TRUE(zyb.ReadImage(path, "first.bmp", read, 1));
    EXPECT_TRUE(SamePixels(read, first));
    ASSERT_TRUE(zyb.ReadImage(path, "third.bmp", read, 1));
    EXPECT_EQ(read.PixelFormat(), pf24bit);
    EXPECT_EQ(read.Pixel(1, 2), 0x123456);
    EXPECT_EQ(read.Pixel(0, 0), third.Pixel(0, 0));
    EXPECT_FALSE(zyb.ReadImage(path, "second.bmp", read, 2)); // another index
    EXPECT_FALSE(zyb.ReadImage(path, "fourth.bmp", read, 1));
    EXPECT_EQ(read.Width(), 3); // untouched by what was not found
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(Names(path), (std::vector<std::string>{"first.bmp", "second.bmp", "third.bmp"}));
}

TEST_F(Collection, NamesAreCutAndMatchedWithoutCase)
{
    const std::string path = folder.File("names.zyb");
    const std::string longName = std::string(50, 'n') + "ABCDEFGHIJ";
    TBitmap a, b, c;
    Paint(a, 2, 2, 1);
    Paint(b, 2, 2, 2);
    Paint(c, 2, 2, 3);
    ASSERT_TRUE(zyb.Append(path, longName, a, 1));
    ASSERT_TRUE(zyb.Append(path, "Shelf.jpg", b, 1));
    ASSERT_TRUE(zyb.Append(path, "shelf.JPG", c, 1));
    EXPECT_EQ(ReadWholeFile(path).substr(16, 56), longName.substr(0, 55) + '\0');
    EXPECT_EQ(Names(path), (std::vector<std::string>{longName.substr(0, 55), "Shelf.jpg", "shelf.JPG"}));

    TBitmap read;
    ASSERT_TRUE(zyb.ReadImage(path, longName, read, 1));
    EXPECT_TRUE(SamePixels(read, a));
    ASSERT_TRUE(zyb.ReadImage(path, "SHELF.JPG", read, 1));
    EXPECT_TRUE(SamePixels(read, b));
}

TEST_F(Collection, HeaderlessFilesAreOnlyRead)
{
    TBitmap picture;
    Paint(picture, 3, 2, 5);
    ASSERT_TRUE(zyb.Append(folder.File("x.zyb"), "p", picture, 1));
    const std::string path = folder.File("old.PMT");
    WriteWholeFile(path, ReadWholeFile(folder.File("x.zyb")).substr(16));
    TBitmap read;
    ASSERT_TRUE(zyb.ReadImage(path, "P", read, 1));
    EXPECT_TRUE(SamePixels(read, picture));
    EXPECT_TRUE(ui.Calls().empty());
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_TRUE(Names(path).empty());
    ExpectOneMessage("This is not a valid Multi Image File!", "Error");
}

TEST_F(Collection, CmykIsRefusedOnlyWhenAsked)
{
    const std::string path = folder.File("cmyk.zyb");
    TBitmap picture;
    Paint(picture, 1, 1, 9);
    WriteWholeFile(path, Header + Entry("cmyk", 1, 1, 4, 4) + "CMYK");
    ASSERT_TRUE(zyb.Append(path, "rgb", picture, 1));
    TBitmap read;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(zyb.ReadImage(path, "cmyk", read, 1));
    ExpectOneMessage("Sorry, this application does not support CMYK images", "ERROR");
    ASSERT_TRUE(zyb.ReadImage(path, "rgb", read, 1));
    EXPECT_TRUE(SamePixels(read, picture));
    EXPECT_EQ(Names(path), (std::vector<std::string>{"cmyk", "rgb"}));
}

TEST_F(Collection, CorruptEntriesAreRefused)
{
    const std::string path = folder.File("bad.zyb");
    const std::string good = Entry("good", 1, 1, 3, 4) + "abc" + '\0';
    const struct {
        std::string bytes;
        bool listed; // ListImages finds the file sound
    } cases[] = {
        {Header + Entry("bad", 1, 1, 3, 5) + "abc", false}, // D past the end
        {Header + Entry("skipped", 1, 1, 3, 0xFFFFFFF0) + good, false},
        {Header + Entry("bad", 2, 1, 3, 4) + "abcd", true}, // D not the rows' size
        {Header + Entry("bad", 0, 1, 3, 0), true},
        {Header + Entry("bad", 40000, 1, 3, 120000) + std::string(120000, 'x'), true},
        {Header + Entry("bad", 1, 0x80000000u, 3, 0), true},
        {Header + Entry("bad", 0x40000000u, 4, 3, 0), true}, // the rows' size wraps in 32 bits
        {Header + Entry("bad", 1, 1, 2, 4) + "abcd", true},
    };
    TBitmap read;
    Paint(read, 2, 2, 0);
    TBitmap before;
    before.Assign(read);
    for (const auto& corrupt : cases) {
        WriteWholeFile(path, corrupt.bytes);
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(zyb.ReadImage(path, "bad", read, 1));
        ExpectOneMessage("This is not a valid Multi Image File", "Error");
        EXPECT_TRUE(SamePixels(read, before));
        if (!corrupt.listed)
            ui.AnswerMessage(MsgAnswer::OK);
        Names(path);
        if (corrupt.listed) {
            EXPECT_TRUE(ui.Calls().empty());
        } else {
            ExpectOneMessage("This is not a valid Multi Image File!", "Error");
        }
    }
    // Only entries up to the wanted one are read.
    WriteWholeFile(path, Header + good + Entry("bad", 1, 1, 3, 5));
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_TRUE(zyb.ReadImage(path, "good", read, 1));
    EXPECT_EQ(Names(path), (std::vector<std::string>{"good"}));
    ExpectOneMessage("This is not a valid Multi Image File!", "Error");
}

TEST_F(Collection, NamesAndMagicAreReadWithinTheirFields)
{
    const std::string path = folder.File("bounded.zyb");
    std::string unterminated = Entry("", 1, 1, 3, 4) + "abc" + '\0';
    unterminated.replace(0, 56, std::string(56, 'Q'));
    WriteWholeFile(path, Header + unterminated);
    EXPECT_EQ(Names(path), std::vector<std::string>{std::string(56, 'Q')});
    TBitmap read;
    // No writer makes a name of 56: it is read whole, and no name asked for, cut to 55, matches it.
    EXPECT_FALSE(zyb.ReadImage(path, std::string(56, 'q'), read, 1));
    EXPECT_TRUE(ui.Calls().empty());

    for (const std::string& header :
         {std::string("ZYBX") + U32(1) + U32(3) + U32(0), std::string("zyb\0", 4), std::string("ZY"), std::string()}) {
        WriteWholeFile(path, header + unterminated);
        ui.ClearCalls();
        for (int box = 0; box < 3; ++box)
            ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(zyb.ReadImage(path, "x", read, 1));
        ExpectOneMessage("This is not a valid Multi Image File", "Error");
        EXPECT_TRUE(Names(path).empty());
        ExpectOneMessage("This is not a valid Multi Image File!", "Error");
        EXPECT_FALSE(zyb.Append(path, "x", read, 1));
        ExpectOneMessage("This is not a valid Multi Image File!", "Error");
        EXPECT_EQ(ReadWholeFile(path), header + unterminated);
    }
}

TEST_F(Collection, MissingFilesCannotBeOpened)
{
    TBitmap read;
    for (int box = 0; box < 3; ++box)
        ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(zyb.ReadImage(folder.File("none.zyb"), "x", read, 1));
    ExpectOneMessage("Can not open file", "Error");
    EXPECT_TRUE(Names(folder.File("none.zyb")).empty());
    ExpectOneMessage("Can not open file", "Error");
    Paint(read, 1, 1, 0);
    EXPECT_FALSE(zyb.Append(folder.File("no/such/folder.zyb"), "x", read, 1));
    ExpectOneMessage("Can not open file", "Error", MsgIcon::Exclamation);
}

TEST_F(Collection, AFailedAppendIsTakenBack)
{
    const std::string path = folder.File("full.zyb");
    TBitmap small, big, last;
    Paint(small, 2, 2, 1);
    Paint(big, 100, 100, 2);
    Paint(last, 3, 1, 3);
    ASSERT_TRUE(zyb.Append(path, "small", small, 1));
    const std::string before = ReadWholeFile(path);
    {
        FileSizeLimit limit(before.size() + 1000);
        ui.AnswerMessage(MsgAnswer::OK);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(zyb.Append(path, "big", big, 1));
        EXPECT_FALSE(zyb.Append(folder.File("fresh.zyb"), "big", big, 1));
    }
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>(2, "An error occured while adding images to the ZYB file. "
                                          "One or more images may not have been appended to the file."));
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Stop);
    ui.ClearCalls();
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_FALSE(FileExists(folder.File("fresh.zyb")));
    ASSERT_TRUE(zyb.Append(path, "last", last, 1));
    TBitmap read;
    ASSERT_TRUE(zyb.ReadImage(path, "last", read, 1));
    EXPECT_TRUE(SamePixels(read, last));
    EXPECT_EQ(Names(path), (std::vector<std::string>{"small", "last"}));
}

// The reader takes sides from 1 to 32767 pixels: the writer refuses any other picture, file untouched.
TEST_F(Collection, PicturesTheReaderRefusesAreNeverWritten)
{
    const std::string path = folder.File("sides.zyb");
    TBitmap picture, read;
    Paint(picture, 32767, 1, 1);
    ASSERT_TRUE(zyb.Append(path, "widest", picture, 1));
    ASSERT_TRUE(zyb.ReadImage(path, "widest", read, 1));
    EXPECT_TRUE(SamePixels(read, picture));
    const std::string before = ReadWholeFile(path);
    for (const auto& [width, height] : {std::pair{32768, 1}, {1, 32768}, {0, 0}}) {
        Paint(picture, width, height, 5);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(zyb.Append(path, "Полка.bmp", picture, 1));
        ExpectOneMessage("The picture Полка.bmp cannot be added to the Multi Image File: its width and height must be "
                         "from 1 to 32767 pixels.",
                         "Error", MsgIcon::Exclamation);
        EXPECT_EQ(ReadWholeFile(path), before);
    }
}

TEST_F(Collection, PixelsDecodeAsABitmapFile)
{
    TBitmap picture;
    Paint(picture, 7, 5, 17);
    const std::string path = folder.File("bmp.zyb");
    ASSERT_TRUE(zyb.Append(path, "p", picture, 1));
    const std::string pixels = ReadWholeFile(path).substr(16 + 76);
    ASSERT_EQ(pixels.size(), 24u * 5);
    // The block behind a BITMAPINFOHEADER of 24 bits, 75 pixels per metre, as the writer describes it.
    const auto u16 = [](int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
    const std::string info =
        U32(40) + U32(7) + U32(5) + u16(1) + u16(24) + U32(0) + U32(120) + U32(75) + U32(75) + U32(0) + U32(0);
    const std::string bmp = "BM" + U32(14 + 40 + 120) + U32(0) + U32(54) + info + pixels;
    WriteWholeFile(folder.File("p.bmp"), bmp);
    int status = -1;
    const std::string ppm = RunCommand("bmptopnm " + folder.File("p.bmp") + " 2>/dev/null", &status);
    ASSERT_EQ(status, 0);
    const std::string prefix = "P6\n7 5\n255\n";
    ASSERT_EQ(ppm.substr(0, prefix.size()), prefix);
    std::string expected;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int channel : {2, 1, 0})
                expected += static_cast<char>(picture.ScanLine(y)[x * 3 + channel]);
    EXPECT_EQ(ppm.substr(prefix.size()), expected);
}
