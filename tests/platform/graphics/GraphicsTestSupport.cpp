#include "GraphicsTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

bool operator==(const RgbImage& a, const RgbImage& b)
{
    return a.width == b.width && a.height == b.height && a.rgb == b.rgb;
}

RgbImage RgbOf(const TBitmap& bitmap)
{
    RgbImage image{bitmap.Width(), bitmap.Height(), {}};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const auto color = static_cast<COLORREF>(bitmap.Pixel(x, y));
            image.rgb.insert(image.rgb.end(), {GetRValue(color), GetGValue(color), GetBValue(color)});
        }
    return image;
}

namespace {

std::size_t SkipSpace(const std::string& bytes, std::size_t pos)
{
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\n' || bytes[pos] == '\r' || bytes[pos] == '\t'))
        ++pos;
    return pos;
}

int ReadNumber(const std::string& bytes, std::size_t& pos)
{
    pos = SkipSpace(bytes, pos);
    int value = 0;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9')
        value = value * 10 + (bytes[pos++] - '0');
    return value;
}

} // namespace

RgbImage ParsePnm(const std::string& bytes)
{
    RgbImage image;
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) {
        ADD_FAILURE() << "not a binary PGM or PPM";
        return image;
    }
    const bool grey = bytes[1] == '5';
    std::size_t pos = 2;
    image.width = ReadNumber(bytes, pos);
    image.height = ReadNumber(bytes, pos);
    EXPECT_EQ(ReadNumber(bytes, pos), 255);
    ++pos;
    const std::size_t samples =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * (grey ? 1 : 3);
    EXPECT_GE(bytes.size(), pos + samples);
    for (std::size_t i = 0; i < samples && pos + i < bytes.size(); ++i) {
        const auto value = static_cast<std::uint8_t>(bytes[pos + i]);
        image.rgb.insert(image.rgb.end(), grey ? 3 : 1, value);
    }
    return image;
}

std::string PpmOf(const RgbImage& image)
{
    std::string text = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    text.append(image.rgb.begin(), image.rgb.end());
    return text;
}

RgbImage StripedImage(int width, int height, int colors)
{
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int c = (x + 2 * y) % colors;
            image.rgb.insert(image.rgb.end(),
                             {static_cast<std::uint8_t>(c * 37 % 256), static_cast<std::uint8_t>(255 - c * 11 % 256),
                              static_cast<std::uint8_t>(c * 101 % 256)});
        }
    return image;
}

RgbImage DecodeWithBmptopnm(const std::string& path)
{
    int status = 0;
    const std::string output = RunCommand("/usr/bin/bmptopnm '" + path + "' 2>/dev/null | /usr/bin/ppmtoppm", &status);
    EXPECT_EQ(status, 0) << path;
    return ParsePnm(output);
}
