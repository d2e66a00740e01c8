#include "imageformats/PictureLoading.h"

#include "imageformats/DecodedPictureCache.h"
#include "imageformats/FileFormatList.h"
#include "imageformats/ImageGraphic.h"
#include "imageformats/Resampling.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include <algorithm>
#include <vector>

namespace {

// Extensions the loader takes, and the registry's extension whose class reads them: the reader is
// always the registry's, so the loader and the picture dialogs never disagree about a format.
struct ReaderGroup {
    std::vector<std::string_view> extensions;
    std::string_view registeredAs;
};

// The groups in the order they are tried.
const std::vector<ReaderGroup>& LoadingGroups()
{
    static const std::vector<ReaderGroup> groups = {
        {{".TIF", ".FAX"}, "tif"},
        {{".JPG"}, "jpg"},
        {{".EPS"}, "eps"},
        {{".BW", ".RGB", ".RGBA", ".SGI"}, "sgi"},
        {{".CEL", ".PIC"}, "cel"},
        {{".TGA", ".VST", ".ICB", ".VDA", ".WIN"}, "tga"},
        {{".PCX", ".PCC"}, "pcx"},
        {{".PCD"}, "pcd"},
        {{".PPM", ".PGM", ".PBM"}, "ppm"},
        // A Dr. Halo palette file loads through the picture's reader.
        {{".CUT", ".PAL"}, "cut"},
        {{".RLA", ".RPF"}, "rla"},
        {{".PSD", ".PDD"}, "psd"},
        {{".PSP"}, "psp"},
        {{".PNG"}, "png"},
        {{".BMP", ".RLE", ".DIB"}, "bmp"},
    };
    return groups;
}

// The item drawing's additions to the groups of the same readers.
const std::vector<ReaderGroup>& DrawingExtras()
{
    static const std::vector<ReaderGroup> groups = {
        {{".TIFF"}, "tif"},
        {{".JPEG"}, "jpg"},
        {{".1", ".2", ".3", ".5", ".6", ".7"}, "tga"},
    };
    return groups;
}

TGraphicClass ReaderIn(const std::vector<ReaderGroup>& groups, std::string_view extension)
{
    for (const ReaderGroup& group : groups)
        if (std::find(group.extensions.begin(), group.extensions.end(), extension) != group.extensions.end())
            return RegisteredGraphicClass(group.registeredAs);
    return nullptr;
}

// The loader's reader for the path's extension; null, after saying why, when it takes no such file.
std::unique_ptr<TGraphic> LoadingReader(const std::string& path)
{
    const std::string extension = UpperCase(ExtractFileExt(path));
    std::unique_ptr<TGraphic> reader = NewPictureReader(extension, ReaderTable::Loading);
    if (reader == nullptr) {
        if (extension == ".ZYB")
            Ui().MessageBox("You can not edit ZYB files.", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
        else
            Ui().MessageBox("Could not recognize the file extention or file type.", ApplicationTitle, MsgButtons::OK,
                            MsgIcon::None);
    }
    return reader;
}

// Reads the file into the target; returns whether the reader warned. A picture the user chose may
// warn of damage it still loads despite: with `show` the boxes say so.
bool ReadNotingWarnings(TGraphic& reader, const std::string& file, TBitmap& target, bool show)
{
    bool warned = false;
    if (auto* imageReader = dynamic_cast<TImageGraphic*>(&reader))
        imageReader->OnWarning = [&warned, show](TGraphic&, const std::string& message) {
            warned = true;
            if (show)
                Ui().MessageBox(message, "Warning", MsgButtons::OK, MsgIcon::Warning);
        };
    reader.LoadFromFile(file);
    // The reader is done with its pixels: moving them keeps one picture in memory, not two.
    if (auto* pixels = dynamic_cast<TBitmap*>(&reader))
        target.TakeOver(*pixels);
    else
        target.Assign(reader);
    return warned;
}

} // namespace

std::unique_ptr<TGraphic> NewPictureReader(std::string_view extension, ReaderTable table)
{
    TGraphicClass reader = ReaderIn(LoadingGroups(), extension);
    if (reader == nullptr && table == ReaderTable::Drawing)
        reader = ReaderIn(DrawingExtras(), extension);
    return reader == nullptr ? nullptr : reader();
}

bool LoadPicture(const std::string& path, TBitmap& target, const PicturePathResolver& resolve)
{
    std::unique_ptr<TGraphic> reader = LoadingReader(path);
    if (reader == nullptr)
        return false;
    ReadNotingWarnings(*reader, resolve(path), target, true);
    return true;
}

DecodeResult DecodeToKeep(TGraphic& reader, const std::string& file, TBitmap& picture, bool showWarnings)
{
    return ReadNotingWarnings(reader, file, picture, showWarnings) ? DecodeResult::UnkeptPicture
                                                                   : DecodeResult::Picture;
}

DecodeResult DecodeToDraw(TGraphic& reader, const std::string& file, TBitmap& picture, TSize least, TSize& whole,
                          bool showWarnings)
{
    auto* jpeg = dynamic_cast<TJPEGImage*>(&reader);
    if (jpeg != nullptr)
        jpeg->SetLeastSize(least);
    const DecodeResult result = DecodeToKeep(reader, file, picture, showWarnings);
    whole = jpeg != nullptr ? jpeg->WholeSize() : TSize{picture.Width(), picture.Height()};
    ReduceToCover(picture, least);
    return result;
}

std::shared_ptr<const TBitmap> LoadCachedPicture(const std::string& path, const PicturePathResolver& resolve,
                                                 DecodedPictureCache& cache, TSize least)
{
    std::unique_ptr<TGraphic> reader = LoadingReader(path);
    if (reader == nullptr)
        return nullptr;
    const std::string file = resolve(path);
    return cache.Picture({file, "", reader->ClassName()}, least, [&](TBitmap& picture, TSize atLeast, TSize& whole) {
        return DecodeToDraw(*reader, file, picture, atLeast, whole, true);
    });
}
