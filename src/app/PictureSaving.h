#pragma once

#include <optional>
#include <string>
#include <string_view>

class GraphicsManager;
class TBitmap;

// The formats the picture editor writes, numbered as the save dialog's filter indexes.
enum class PictureFormat { JPEG = 1, BMP = 2, TIFF = 3, Targa = 4 };

inline constexpr std::string_view PictureSaveFilter =
    "JPEG (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp|TIFF (*.tif)|*.tif|Targa (*.tga)|*.tga";

// The format a filter index names; an index outside the filter writes JPEG, the dialog's default.
PictureFormat FormatOfFilterIndex(int filterIndex);
// The written format the path's extension (any case) belongs to; nothing for a format that is only
// read, or for no extension.
std::optional<PictureFormat> WrittenFormatOf(const std::string& path);
// True when the picture cannot be written back in its own format.
bool NeedsSaveAs(const std::string& path);
// Whether saving to the path must ask for a name: no path, a file that is read-only or gone, or a
// format that is not written.
bool NeedsSaveDialog(const std::string& path);
// The name the save dialog proposes: the path's file-name part without its last four characters.
std::string SaveNamePreset(const std::string& path);
// The save dialog's default extension after writing a format.
std::string DefaultExtensionOf(PictureFormat format);

// Writes the bitmap to the path in the format, atomically; a failure is shown and gives false.
bool WritePicture(const TBitmap& bitmap, const std::string& path, PictureFormat format, GraphicsManager& graphics);

// Pictures the editor makes are kept within these, so that a mistyped size cannot ask for absurd
// memory.
inline constexpr double MaxNewPictureSide = 30000;
inline constexpr double MaxNewPictureBytes = 512.0 * 1024 * 1024;

enum class NewPictureSize { Fine, Missing, TooLarge };
// Whether a picture of width x height pixels (before truncation) may be made: under one pixel a
// side is missing, beyond the bounds too large.
NewPictureSize CheckNewPictureSize(double width, double height);
// Shows that a picture of that size is too large to make.
void ShowPictureTooLarge(double width, double height);
