#include "imageformats/CCITTDecoder.h"
#include "platform/core/Numbers.h"

#include "DecoderTesting.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int Width = 5200;
constexpr std::size_t RowBytes = (Width + 7) / 8;

// Each row as its runs, alternating white and black from a white one (of length 0 when the row
// starts black). Between them the rows hold a white and a black run of every terminating length and
// every make-up length up to 2560, runs of 67 and 2561, and runs of 5000 and of the whole width.
std::vector<std::vector<int>> FaxRuns()
{
    std::vector<int> lengths(63);
    std::iota(lengths.begin(), lengths.end(), 1);
    for (int length = 64; length <= 2560; length += 64)
        lengths.push_back(length);
    lengths.insert(lengths.end(), {67, 2561});

    std::vector<std::vector<int>> rows{{0, 5000, Width - 5000}, {5000, Width - 5000}, {Width}};
    std::vector<int> row;
    int used = 0;
    auto finishRow = [&] {
        if (used < Width)
            row.push_back(Width - used);
        rows.push_back(row);
        row.clear();
        used = 0;
    };
    for (int length : lengths) {
        if (used + 2 * length > Width)
            finishRow();
        row.insert(row.end(), {length, length});
        used += 2 * length;
    }
    finishRow();
    return rows;
}

Bytes PackedRows(const std::vector<std::vector<int>>& runs)
{
    Bytes packed(runs.size() * RowBytes);
    for (std::size_t y = 0; y < runs.size(); ++y) {
        int x = 0;
        bool black = false;
        for (int length : runs[y]) {
            for (int end = x + length; black && x < end; ++x)
                packed[y * RowBytes + static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            x += black ? 0 : length;
            black = !black;
        }
    }
    return packed;
}

// The picture, and the same picture encoded by outside tools, made once for all tests.
class FaxEncodings : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::make_unique<TemporaryFolder>();
        rows_ = static_cast<int>(FaxRuns().size());
        picture_ = PackedRows(FaxRuns());
        const std::string pbm = File("picture.pbm");
        WriteWholeFile(pbm, "P4\n" + IntToStr(Width) + " " + IntToStr(rows_) + "\n" +
                                std::string(picture_.begin(), picture_.end()));
        RunTool("/usr/bin/pbmtog3 -nofixedwidth " + pbm + " > " + File("raw.g3"));
        RunTool("/usr/bin/pbmtog3 -nofixedwidth -reversebits " + pbm + " > " + File("reversed.g3"));
        RunTool("/usr/bin/pnmtotiff -miniswhite " + pbm + " > " + File("plain.tif"));
        const std::string oneStrip = " -r " + IntToStr(rows_) + " " + File("plain.tif") + " ";
        RunTool("/usr/bin/tiffcp -c g3:1d" + oneStrip + File("g3.tif"));
        RunTool("/usr/bin/tiffcp -c g3:1d:fill" + oneStrip + File("g3fill.tif"));
        RunTool("/usr/bin/tiffcp -c g3:1d -f lsb2msb" + oneStrip + File("g3lsb.tif"));
        // One file of one strip, and one with a strip per row, which cuts the rows apart.
        RunTool("/usr/bin/python3 -c \"from PIL import Image, TiffImagePlugin\n"
                "picture = Image.frombytes('1', (" +
                IntToStr(Width) + ", " + IntToStr(rows_) + "), open('" + pbm + "', 'rb').read()[-" +
                IntToStr(static_cast<int>(picture_.size())) +
                ":])\n"
                "picture.save('" +
                File("mh.tif") +
                "', compression='tiff_ccitt')\n"
                "TiffImagePlugin.STRIP_SIZE = " +
                IntToStr(static_cast<int>(RowBytes)) + "\npicture.save('" + File("mhrows.tif") +
                "', compression='tiff_ccitt')\"");
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static std::string File(const std::string& name) { return folder_->File(name); }
    static Bytes FileBytes(const std::string& name) { return BytesOf(ReadWholeFile(File(name))); }
    static std::int32_t PictureSize() { return static_cast<std::int32_t>(picture_.size()); }

    static inline std::unique_ptr<TemporaryFolder> folder_;
    static inline Bytes picture_;
    static inline int rows_ = 0;
};

// Rows of 10 pixels from hand-made codes, as bit strings.
Bytes Codes(const std::string& bits)
{
    Bytes packed((bits.size() + 7) / 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            packed[i / 8] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
    return packed;
}

} // namespace

TEST_F(FaxEncodings, GroupThreeStreamsDecodeToThePicture)
{
    // The outside decoder agrees that the raw streams hold the picture.
    EXPECT_EQ(RunTool("/usr/bin/g3topbm " + File("raw.g3")), ReadWholeFile(File("picture.pbm")));
    EXPECT_EQ(RunTool("/usr/bin/g3topbm -reversebits " + File("reversed.g3")), ReadWholeFile(File("picture.pbm")));

    struct TCase {
        const char* name;
        Bytes packed;
        bool reversed;
    };
    const TCase cases[] = {
        {"pbmtog3", FileBytes("raw.g3"), false},
        {"pbmtog3 -reversebits", FileBytes("reversed.g3"), true},
        {"tiffcp g3:1d", TiffStrips(File("g3.tif")).at(0), false},
        {"tiffcp g3:1d:fill", TiffStrips(File("g3fill.tif")).at(0), false},
        {"tiffcp g3:1d lsb2msb", TiffStrips(File("g3lsb.tif")).at(0), true},
    };
    for (const TCase& c : cases) {
        TCCITTFax3Decoder decoder(0, c.reversed, false, Width);
        const TDecodeResult result = DecodeGuarded(decoder, c.packed, PictureSize());
        EXPECT_TRUE(result.Output == picture_) << c.name;
        EXPECT_EQ(result.SourceMoved, 0) << c.name;
        EXPECT_EQ(result.TargetMoved, 0) << c.name;
    }
}

TEST_F(FaxEncodings, ModifiedHuffmanRowsDecodeToThePictureAlsoWordAligned)
{
    const Bytes strip = TiffStrips(File("mh.tif")).at(0);
    TCCITTMHDecoder decoder(0, false, false, Width);
    EXPECT_TRUE(DecodeGuarded(decoder, strip, PictureSize()).Output == picture_);

    // The rows cut apart make up the one strip; padded to 16-bit boundaries they decode with word
    // alignment, with padding that looks like codes.
    const std::vector<Bytes> rows = TiffStrips(File("mhrows.tif"));
    ASSERT_EQ(static_cast<int>(rows.size()), rows_);
    Bytes joined, padded;
    int oddRows = 0;
    for (const Bytes& row : rows) {
        joined.insert(joined.end(), row.begin(), row.end());
        padded.insert(padded.end(), row.begin(), row.end());
        if (row.size() % 2 == 1) {
            padded.push_back(0xB5);
            ++oddRows;
        }
    }
    EXPECT_TRUE(joined == strip);
    EXPECT_GT(oddRows, 0);
    TCCITTMHDecoder aligned(0, false, true, Width);
    EXPECT_TRUE(DecodeGuarded(aligned, padded, PictureSize()).Output == picture_);
}

TEST(CCITTDecoder, RunsStopAtTheRowEndAndRowsTheDataMissStayWhite)
{
    // Rows of 10 pixels. White make-up 2560, 2560 again and terminating 3 make a run far past the row
    // end; white 0 and black make-up 64 with terminating 3 one that goes 57 pixels past it.
    const std::string whiteTooLong = "000000011111"
                                     "000000011111"
                                     "1000";
    const std::string blackTooLong = "00110101"
                                     "0000001111"
                                     "10";
    // Modified Huffman rows start on byte boundaries; the third row has no data.
    TCCITTMHDecoder mh(0, false, false, 10);
    EXPECT_EQ(DecodeGuarded(mh, Codes(whiteTooLong + "0000" + blackTooLong + "0000"), 6).Output,
              (Bytes{0, 0, 0xFF, 0xC0, 0, 0}));

    // Group 3: each row after an end-of-line code, the second with fill bits before it and ended
    // early by an end-of-line code, after which the third follows at once. A target that ends inside
    // the fourth row gets its first byte.
    const std::string eol = "000000000001";
    TCCITTFax3Decoder fax3(0, false, false, 10);
    const Bytes packed = Codes(eol + blackTooLong + "0000" + eol +
                               "0111"
                               "11"
                               "0111"
                               "10" +
                               eol +
                               "1000"
                               "11" +
                               eol + blackTooLong);
    EXPECT_EQ(DecodeGuarded(fax3, packed, 7).Output, (Bytes{0xFF, 0xC0, 0x33, 0x80, 0x18, 0x00, 0xFF}));
    // A row not preceded by an end-of-line code is skipped up to the next one.
    EXPECT_EQ(DecodeGuarded(fax3,
                            Codes("1000"
                                  "11"
                                  "1100" +
                                  eol +
                                  "1000"
                                  "11"
                                  "1100"),
                            4)
                  .Output,
              (Bytes{0x18, 0x00, 0, 0}));
}

TEST_F(FaxEncodings, DamagedStreamsNeverWritePastTheTarget)
{
    struct TCase {
        Bytes packed;
        bool modifiedHuffman;
        bool reversed;
        bool wordAligned;
    };
    const TCase cases[] = {
        {FileBytes("raw.g3"), false, false, false},
        {FileBytes("reversed.g3"), false, true, false},
        {TiffStrips(File("g3fill.tif")).at(0), false, false, false},
        {TiffStrips(File("mh.tif")).at(0), true, false, false},
        {TiffStrips(File("mh.tif")).at(0), true, false, true},
    };
    for (const TCase& c : cases)
        ForEachDamaged(c.packed, [&](const Bytes& damaged) {
            // One row and a bit, so that a target ending inside a row is covered too.
            for (std::int32_t size : {PictureSize(), static_cast<std::int32_t>(RowBytes + 3)}) {
                std::unique_ptr<TCCITTDecoder> decoder;
                if (c.modifiedHuffman)
                    decoder = std::make_unique<TCCITTMHDecoder>(0, c.reversed, c.wordAligned, Width);
                else
                    decoder = std::make_unique<TCCITTFax3Decoder>(0, c.reversed, c.wordAligned, Width);
                DecodeGuarded(*decoder, damaged, size);
            }
        });
}
