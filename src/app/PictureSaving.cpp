#include "app/PictureSaving.h"

#include "imageformats/TIFFWriter.h"
#include "planogram/Graphicsmanager.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/ui/Application.h"

#include <array>
#include <cmath>

namespace {

struct WrittenGroup {
    PictureFormat format;
    std::array<std::string_view, 5> extensions; // unused places stay empty
};

constexpr std::array<WrittenGroup, 4> WrittenGroups{{
    {PictureFormat::TIFF, {".TIF", ".FAX"}},
    {PictureFormat::JPEG, {".JPG"}},
    {PictureFormat::Targa, {".TGA", ".VST", ".ICB", ".VDA", ".WIN"}},
    {PictureFormat::BMP, {".BMP", ".RLE", ".DIB"}},
}};

// Three bytes a pixel: the editor's new pictures are made in 24 bits.
constexpr double NewPictureBytesPerPixel = 3;

} // namespace

PictureFormat FormatOfFilterIndex(int filterIndex)
{
    if (filterIndex < static_cast<int>(PictureFormat::JPEG) || filterIndex > static_cast<int>(PictureFormat::Targa))
        return PictureFormat::JPEG;
    return static_cast<PictureFormat>(filterIndex);
}

std::optional<PictureFormat> WrittenFormatOf(const std::string& path)
{
    const std::string extension = UpperCase(ExtractFileExt(path));
    if (extension.empty())
        return std::nullopt;
    for (const WrittenGroup& group : WrittenGroups)
        for (std::string_view written : group.extensions)
            if (extension == written)
                return group.format;
    return std::nullopt;
}

bool NeedsSaveAs(const std::string& path) { return !WrittenFormatOf(path).has_value(); }

bool NeedsSaveDialog(const std::string& path)
{
    return path.empty() || !FileExists(path) || FileIsReadOnly(path) || NeedsSaveAs(path);
}

std::string SaveNamePreset(const std::string& path)
{
    const std::string name = ExtractFileName(path);
    return name.substr(0, name.size() > 4 ? name.size() - 4 : 0);
}

std::string DefaultExtensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::BMP:
        return "bmp";
    case PictureFormat::TIFF:
        return "tif";
    case PictureFormat::Targa:
        return "tga";
    case PictureFormat::JPEG:
        break;
    }
    return "jpg";
}

bool WritePicture(const TBitmap& bitmap, const std::string& path, PictureFormat format, GraphicsManager& graphics)
{
    switch (format) {
    case PictureFormat::TIFF:
        return TIFFWriter().WriteBitmap(path, bitmap);
    case PictureFormat::JPEG:
        return ShowingExceptions([&] {
            TJPEGImage jpeg;
            jpeg.Assign(bitmap);
            jpeg.SaveToFile(path);
            return true;
        });
    case PictureFormat::BMP:
        return ShowingExceptions([&] {
            bitmap.SaveToFile(path);
            return true;
        });
    case PictureFormat::Targa:
        break;
    }
    return ShowingExceptions([&] { return graphics.SaveTarga(path, bitmap); });
}

NewPictureSize CheckNewPictureSize(double width, double height)
{
    if (width < 1 || height < 1)
        return NewPictureSize::Missing;
    const double bytes = std::trunc(width) * std::trunc(height) * NewPictureBytesPerPixel;
    if (width >= MaxNewPictureSide + 1 || height >= MaxNewPictureSide + 1 || bytes > MaxNewPictureBytes)
        return NewPictureSize::TooLarge;
    return NewPictureSize::Fine;
}

void ShowPictureTooLarge(double width, double height)
{
    Ui().MessageBox("A picture of " + FormatFloat("0", std::trunc(width)) + " x " + FormatFloat("0", std::trunc(height)) +
                        " pixels is too large to make: at most 30000 pixels a side and 512 MB in all.",
                    ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
}
