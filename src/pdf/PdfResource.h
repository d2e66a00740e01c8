#pragma once

#include "pdf/PdfCustomType.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TPdfDevice;
class TPdfEncodingVector;
class TPdfFont;
class TPdfStream;

// The one resource dictionary that every page of a document shares. It owns the image and form
// streams that pages place as XObjects "xob" + number, unless a stream was added under its own name,
// and the fonts, "F" + number, with their encodings. Fonts need the document device's settings.
class TPdfResource : public TPdfCustomType {
public:
    explicit TPdfResource(TPdfFileWriter* owner, TPdfDevice* device = nullptr);
    ~TPdfResource() override;
    const char* ClassName() const override { return "TPdfResource"; }
    void WriteIt() override;

    // Answers the XObject's number, from 1.
    int AddXObject(std::unique_ptr<TPdfStream> stream, std::string name = {});
    int XObjectCount() const { return static_cast<int>(xObjects_.size()); }
    TPdfStream* XObject(int index) const { return owned_.at(static_cast<std::size_t>(index)).get(); }
    // The index of the XObject added under this name, whatever the case of its letters; -1 when
    // none was.
    int FindXObject(std::string_view name) const;
    const std::string& XObjectName(int index) const { return xObjects_.at(static_cast<std::size_t>(index)).name; }

    // The number of the font of that face, style (bold 1, italic 2) and Windows character set,
    // made when there is none yet; it becomes the current font. Raises "Object has no owner"
    // without a device.
    int AddFontName(std::string_view name, int charset, int style);
    // Appends the font and answers its number; the first font names the device's default font.
    int AddFont(std::unique_ptr<TPdfFont> font);
    // What follows "/Encoding " in the dictionary of a TrueType font of the character set.
    std::string EncodingString(int charset);
    int FontCount() const { return static_cast<int>(fonts_.size()); }
    TPdfFont* Font(int number) const { return fonts_.at(static_cast<std::size_t>(number - 1)).get(); }
    TPdfFont* CurrentFont() const { return currentFont_; }

private:
    TPdfDevice& FontDevice() const;
    void WriteFontEntry() const;
    int FindFont(std::string_view name, int charset, int style) const;
    std::unique_ptr<TPdfFont> NewBase14Font(std::string_view name, std::string_view postScriptName, int charset,
                                            int style);
    std::unique_ptr<TPdfFont> NewTrueTypeFont(std::string_view name, std::string_view postScriptName, int charset,
                                              int style);

    TPdfDevice* device_;
    std::vector<std::unique_ptr<TPdfFont>> fonts_;
    std::vector<std::unique_ptr<TPdfEncodingVector>> encodings_;
    TPdfFont* currentFont_ = nullptr;
    std::vector<TPdfNamedObject> xObjects_;
    std::vector<std::unique_ptr<TPdfStream>> owned_;
};
