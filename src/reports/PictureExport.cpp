#include "reports/PictureExport.h"

#include "imageformats/TIFFWriter.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "reports/DisplayRender.h"

#include <memory>
#include <new>

const char* const ExportFilter =
    "JPEG- Joint Photographic Experts Group (*.jpg)|*.jpg|Window's Bitmap (*.bmp)|*.bmp|TIFF-Tag Image File "
    "Format (*.tif)|*.tif|As Web Page (*.html)|*.html;*.htm|Targa  (*.tga)|*.tga";

namespace {

void ShowAllocationError() { Ui().MessageBox("Export allocation error", "Error", MsgButtons::OK, MsgIcon::Stop); }

// The wall as the settings ask for it; null, with the reason shown, when it cannot be made.
std::unique_ptr<TBitmap> ExportPicture(DocumentMainWindow& mainWindow, PlanogramDocument& document,
                                       const ExportSettings& settings)
{
    if (!settings.highResolution) {
        try {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(document.backBitmap);
            return bitmap;
        } catch (const std::bad_alloc&) {
            ShowAllocationError();
            return nullptr;
        }
    }
    std::unique_ptr<TBitmap> bitmap = DoubleSizeBitmap(document.backBitmap);
    if (!bitmap) {
        ShowAllocationError();
        return nullptr;
    }
    if (!RenderDisplayBitmap(mainWindow, &document, bitmap.get())) {
        Ui().MessageBox("Export error occured", "Export", MsgButtons::OK, MsgIcon::Exclamation);
        return nullptr;
    }
    return bitmap;
}

void SaveJpeg(const TBitmap& bitmap, const std::string& fileName, const ExportSettings& settings)
{
    TJPEGImage jpeg;
    jpeg.SetCompressionQuality(settings.jpegQuality);
    jpeg.SetProgressiveEncoding(settings.progressive);
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(fileName);
}

void SaveTiff(const TBitmap& bitmap, const std::string& fileName, const ExportSettings& settings)
{
    TIFFWriter writer;
    writer.byteOrder = settings.macintoshByteOrder ? TIFFWriter::ByteOrder::Motorola : TIFFWriter::ByteOrder::Intel;
    writer.WriteBitmap(fileName, bitmap);
}

} // namespace

void ExportDisplay(DocumentMainWindow& mainWindow, PlanogramDocument& document, int filterIndex,
                   const std::string& fileName, const ExportSettings& settings, std::string& defaultExtension)
{
    const std::unique_ptr<TBitmap> bitmap = ExportPicture(mainWindow, document, settings);
    if (!bitmap)
        return;
    switch (filterIndex) {
    case etJPEG:
        defaultExtension = "jpg";
        SaveJpeg(*bitmap, fileName, settings);
        break;
    case etBitmap:
        defaultExtension = "bmp";
        bitmap->SaveToFile(fileName);
        break;
    case etTIFF:
        defaultExtension = "tif";
        SaveTiff(*bitmap, fileName, settings);
        break;
    case etWebPage:
        defaultExtension = "html";
        ExportHtml(mainWindow, &document, fileName, settings.web);
        break;
    case etTarga:
        defaultExtension = "tga";
        document.graphics.SaveTarga(fileName, *bitmap);
        break;
    default:
        break;
    }
}
