#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"

#include <string>
#include <string_view>

// The class library's text for an icon file that cannot be read.
inline constexpr std::string_view SInvalidIcon = "Icon image is not valid";

// A Windows icon: of the images an .ico file holds, the largest, as a 32-bit bitmap with its alpha.
class TIcon : public TGraphic {
public:
    std::string ClassName() const override { return "TIcon"; }

    // Reads the rest of the stream; a file that holds no readable image, or one beyond the readers'
    // size rule, raises EInvalidGraphic SInvalidIcon and leaves the icon as it was.
    void LoadFromStream(TStream& stream) override;
    // Writes the image as an icon file of one image.
    void SaveToStream(TStream& stream) const override;

    // From another icon only.
    void Assign(const TGraphic& source) override;
    void AssignTo(TBitmap& target) const override;

    int Width() const override { return image_.Width(); }
    int Height() const override { return image_.Height(); }
    bool Empty() const override { return image_.Empty(); }

private:
    TBitmap image_;
};
