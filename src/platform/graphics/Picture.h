#pragma once

#include "platform/graphics/Graphic.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBitmap;

// What loading a Windows metafile (".wmf") raises: only enhanced metafiles are read.
inline constexpr std::string_view SWindowsMetafileUnsupported =
    "Cannot load image. Windows metafiles (.wmf) are not supported.";

// A graphic class as the registry knows it: the function that makes a new, empty object of it.
using TGraphicClass = std::unique_ptr<TGraphic> (*)();

template <class T> std::unique_ptr<TGraphic> NewGraphic() { return std::make_unique<T>(); }

template <class T> TGraphicClass GraphicClassOf() { return &NewGraphic<T>; }

// The picture registry: graphic classes by file extension, and a picture that loads a file by its
// extension. It starts empty: the image formats' registry registers every format the program reads.
class TPicture {
public:
    // The extension without its dot; registering an extension again replaces its entry, so that a
    // filter never lists it twice.
    static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                   TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // The class of an extension ("jpg" or ".JPG"), compared without regard to case; nullptr for none.
    static TGraphicClass GraphicClassFromExtension(std::string_view extension);
    // "All (*.bmp;*.jpg)|*.bmp;*.jpg|Bitmaps (*.bmp)|*.bmp|..." in registration order.
    static std::string GraphicFilter();
    // The same for Qt's file dialogs: "All (*.bmp *.jpg);;Bitmaps (*.bmp);;...".
    static std::string QtGraphicFilter();

    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Makes the class registered for the file's extension and loads the file with it; an unknown
    // extension raises EInvalidGraphic "Unknown picture file extension (.xyz)", and a registered
    // ".wmf" SWindowsMetafileUnsupported.
    void LoadFromFile(std::string_view fileName);
    void SaveToFile(std::string_view fileName) const;
    TGraphic* Graphic() const { return graphic_.get(); }
    int Width() const;
    int Height() const;

    // Loads a picture file of any registered class into a bitmap, replacing its size, format,
    // palette and pixels; a file that cannot be read leaves the bitmap as it was.
    static void LoadBitmapFromFile(std::string_view fileName, TBitmap& bitmap);

private:
    std::unique_ptr<TGraphic> graphic_;
};
