#include "platform/graphics/Picture.h"

#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>

namespace {

struct FileFormat {
    std::string extension;
    std::string description;
    TGraphicClass graphicClass;
};

// Never destroyed: the file format list, made before it and so destroyed after it at exit, takes its
// formats back from here even when the program ends through exit() (as when its display goes).
std::vector<FileFormat>& FileFormats()
{
    static auto* const formats = new std::vector<FileFormat>;
    return *formats;
}

std::string WithoutDot(std::string_view extension)
{
    return std::string(!extension.empty() && extension.front() == '.' ? extension.substr(1) : extension);
}

std::vector<FileFormat>::iterator FindFormat(std::string_view extension)
{
    const std::string wanted = WithoutDot(extension);
    return std::find_if(FileFormats().begin(), FileFormats().end(),
                        [&](const FileFormat& format) { return SameText(format.extension, wanted); });
}

// The filter in either syntax: the separator between patterns and between entries.
std::string BuildFilter(std::string_view patternSeparator, std::string_view entrySeparator, bool repeatPatterns)
{
    std::string all;
    std::string entries;
    for (const FileFormat& format : FileFormats()) {
        const std::string pattern = "*." + format.extension;
        if (!all.empty())
            all += patternSeparator;
        all += pattern;
        entries += entrySeparator;
        entries += format.description + " (" + pattern + ")";
        if (repeatPatterns)
            entries += "|" + pattern;
    }
    std::string filter = "All (" + all + ")";
    if (repeatPatterns)
        filter += "|" + all;
    return filter + entries;
}

} // namespace

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description, TGraphicClass graphicClass)
{
    const std::string name = WithoutDot(extension);
    if (name.empty() || !graphicClass)
        return;
    auto found = FindFormat(name);
    if (found != FileFormats().end()) {
        found->description = std::string(description);
        found->graphicClass = graphicClass;
        return;
    }
    FileFormats().push_back({name, std::string(description), graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass)
{
    std::erase_if(FileFormats(), [&](const FileFormat& format) { return format.graphicClass == graphicClass; });
}

TGraphicClass TPicture::GraphicClassFromExtension(std::string_view extension)
{
    const auto found = FindFormat(extension);
    return found == FileFormats().end() ? nullptr : found->graphicClass;
}

std::string TPicture::GraphicFilter() { return BuildFilter(";", "|", true); }

std::string TPicture::QtGraphicFilter() { return BuildFilter(" ", ";;", false); }

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::LoadFromFile(std::string_view fileName)
{
    const std::string extension = ExtractFileExt(fileName);
    const TGraphicClass graphicClass = GraphicClassFromExtension(extension);
    // Metafiles are recorded and played in the enhanced format only: the older format is named as
    // such rather than failing as a damaged enhanced metafile.
    if (graphicClass && SameText(WithoutDot(extension), "wmf"))
        throw EInvalidGraphic(std::string(SWindowsMetafileUnsupported));
    if (!graphicClass)
        throw EInvalidGraphic("Unknown picture file extension (." + LowerCase(WithoutDot(extension)) + ")");
    std::unique_ptr<TGraphic> graphic = graphicClass();
    graphic->LoadFromFile(fileName);
    graphic_ = std::move(graphic);
}

void TPicture::SaveToFile(std::string_view fileName) const
{
    if (graphic_)
        graphic_->SaveToFile(fileName);
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadBitmapFromFile(std::string_view fileName, TBitmap& bitmap)
{
    TPicture picture;
    picture.LoadFromFile(fileName);
    // The loaded picture is thrown away, so its pixels move rather than being copied; a JPEG picture
    // hands over the rows it decoded into through Assign.
    if (auto* loaded = dynamic_cast<TBitmap*>(picture.Graphic()))
        bitmap.TakeOver(*loaded);
    else
        bitmap.Assign(*picture.Graphic());
}
