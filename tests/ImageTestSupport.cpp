#include "ImageTestSupport.h"

#include "platform/core/Streams.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/JPEGCompressor.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ostream>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

std::ostream& operator<<(std::ostream& out, const Rgb& pixel)
{
    return out << "(" << int(pixel.r) << " " << int(pixel.g) << " " << int(pixel.b) << ")";
}

RgbImage RgbOf(const TBitmap& bitmap)
{
    RgbImage image{bitmap.Width(), bitmap.Height(), {}};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const auto color = static_cast<COLORREF>(bitmap.Pixel(x, y));
            image.pixels.push_back({GetRValue(color), GetGValue(color), GetBValue(color)});
        }
    return image;
}

namespace {

// The next number of a PNM header, past white space and comments; -1 when there is none.
int HeaderNumber(const std::string& bytes, std::size_t& at)
{
    while (at < bytes.size() && (bytes[at] == '#' || std::isspace(static_cast<unsigned char>(bytes[at])))) {
        if (bytes[at] == '#')
            at = bytes.find('\n', at);
        if (at == std::string::npos)
            at = bytes.size();
        else
            ++at;
    }
    if (at >= bytes.size() || !std::isdigit(static_cast<unsigned char>(bytes[at])))
        return -1;
    int value = 0;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])) && value < 1000000)
        value = value * 10 + (bytes[at++] - '0');
    return value;
}

} // namespace

std::vector<std::uint8_t> AlphaOf(const TBitmap& bitmap)
{
    std::vector<std::uint8_t> alpha;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            alpha.push_back(bitmap.ScanLine(y)[4 * x + 3]);
    return alpha;
}

RgbImage ParsePnm(const std::string& bytes)
{
    RgbImage image;
    const bool grey = bytes.compare(0, 2, "P5") == 0;
    if (!grey && bytes.compare(0, 2, "P6") != 0) {
        ADD_FAILURE() << "not a binary PGM or PPM: " << bytes.substr(0, 40);
        return image;
    }
    std::size_t at = 2;
    image.width = HeaderNumber(bytes, at);
    image.height = HeaderNumber(bytes, at);
    const int maxValue = HeaderNumber(bytes, at);
    if (image.width < 0 || image.height < 0 || maxValue <= 0 || maxValue > 65535) {
        ADD_FAILURE() << "unreadable PNM header: " << bytes.substr(0, 40);
        return RgbImage{};
    }
    ++at;
    const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
    const auto scaled = [&](const char* sample) {
        unsigned value = static_cast<std::uint8_t>(sample[0]);
        if (sampleBytes == 2)
            value = value << 8 | static_cast<std::uint8_t>(sample[1]);
        return static_cast<std::uint8_t>(value * 255 / static_cast<unsigned>(maxValue));
    };
    const std::size_t pixelBytes = (grey ? 1 : 3) * sampleBytes;
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    for (std::size_t i = 0; i < count && at + (i + 1) * pixelBytes <= bytes.size(); ++i) {
        const char* p = bytes.data() + at + i * pixelBytes;
        const std::uint8_t r = scaled(p);
        image.pixels.push_back(grey ? Rgb{r, r, r} : Rgb{r, scaled(p + sampleBytes), scaled(p + 2 * sampleBytes)});
    }
    EXPECT_EQ(image.pixels.size(), count) << "PNM data cut short";
    return image;
}

std::string PpmOf(const RgbImage& image)
{
    std::string text = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    for (const Rgb& pixel : image.pixels)
        text += {static_cast<char>(pixel.r), static_cast<char>(pixel.g), static_cast<char>(pixel.b)};
    return text;
}

TRect InkBounds(const RgbImage& image, const TRect& area)
{
    constexpr int LightGrey = 192;
    TRect bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, image.height); ++y)
        for (int x = std::max(area.Left, 0); x < std::min(area.Right, image.width); ++x) {
            const Rgb& pixel = image.At(x, y);
            if (std::min({pixel.r, pixel.g, pixel.b}) >= LightGrey)
                continue;
            bounds = TRect{std::min(bounds.Left, x), std::min(bounds.Top, y), std::max(bounds.Right, x + 1),
                           std::max(bounds.Bottom, y + 1)};
        }
    return bounds.Left == INT_MAX ? TRect{} : bounds;
}

RgbImage StripedImage(int width, int height, int colors)
{
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int c = (x + 2 * y) % colors;
            image.pixels.push_back({static_cast<std::uint8_t>(c * 37 % 256),
                                    static_cast<std::uint8_t>(255 - c * 11 % 256),
                                    static_cast<std::uint8_t>(c * 101 % 256)});
        }
    return image;
}

std::string RunTool(const std::string& command)
{
    int status = -1;
    std::string output = RunCommand(command + " 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << command;
    return output;
}

RgbImage DecodedBy(const std::string& command) { return ParsePnm(RunTool(command)); }

void ExpectSameImage(const RgbImage& ours, const RgbImage& theirs, const std::string& label, int significantBits,
                     int tolerance)
{
    ASSERT_EQ(ours.width, theirs.width) << label;
    ASSERT_EQ(ours.height, theirs.height) << label;
    ASSERT_EQ(ours.pixels.size(), theirs.pixels.size()) << label;
    const int shift = 8 - significantBits;
    const auto near = [&](std::uint8_t a, std::uint8_t b) {
        return std::abs((a >> shift) - (b >> shift)) <= tolerance;
    };
    int mismatches = 0;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x) {
            const Rgb& a = ours.At(x, y);
            const Rgb& b = theirs.At(x, y);
            if (near(a.r, b.r) && near(a.g, b.g) && near(a.b, b.b))
                continue;
            if (++mismatches < 4)
                ADD_FAILURE() << label << " at " << x << "," << y << ": " << a << " against " << b;
        }
    EXPECT_EQ(mismatches, 0) << label;
}

void LoadFromBytes(TGraphic& graphic, const std::string& bytes)
{
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
}

namespace {

// Sets the peak of the resident pages back to the pages resident now.
bool ResetPeakMemory()
{
    FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr)
        return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
}

} // namespace

MeasuredWork MeasureWork(const std::function<std::string()>& work)
{
    int channel[2];
    if (pipe(channel) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string report = "-1 the peak of memory cannot be reset";
        if (ResetPeakMemory()) {
            const std::int64_t before = StatusBytes("VmRSS");
            std::string answer;
            try {
                answer = work();
            } catch (const std::exception& error) {
                answer = std::string("exception: ") + error.what();
            }
            report = std::to_string(StatusBytes("VmHWM") - before) + " " + answer;
        }
        const bool sent = write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the measured work ended abnormally";
    const std::size_t space = report.find(' ');
    if (space == std::string::npos)
        return {report, -1};
    return {report.substr(space + 1), std::strtoll(report.c_str(), nullptr, 10)};
}

std::vector<std::size_t> CutLengths(std::size_t size)
{
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length < size; length += 1 + length / 8)
        lengths.push_back(length);
    return lengths;
}

void ForEachBitFlip(const std::string& bytes, int count, std::size_t headerBytes,
                    const std::function<void(const std::string& flipped)>& visit)
{
    if (bytes.empty())
        return;
    std::mt19937 random(11);
    const auto headerBits = static_cast<int>(8 * std::min(headerBytes, bytes.size()));
    for (int flip = 0; flip < count; ++flip) {
        std::string copy = bytes;
        const std::size_t at = flip < headerBits ? static_cast<std::size_t>(flip / 8) : random() % copy.size();
        copy[at] = static_cast<char>(copy[at] ^ (1 << (flip % 8)));
        visit(copy);
    }
}

void WriteStripedJpeg(const std::string& path, int width, int height, const std::vector<TColor>& colours)
{
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        const TColor colour = colours[static_cast<std::size_t>(x) * colours.size() / static_cast<std::size_t>(width)];
        row[3 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(colour >> 16);
        row[3 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(colour >> 8);
        row[3 * static_cast<std::size_t>(x) + 2] = static_cast<std::uint8_t>(colour);
    }
    TFileStream file(path, fmCreate);
    // A step of nothing gives every row the same pixels.
    CompressJPEGRows(row.data(), 0, width, height, {}, file);
}
