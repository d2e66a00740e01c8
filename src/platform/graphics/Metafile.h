#pragma once

#include "platform/graphics/Graphic.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// An enhanced metafile: the finished EMF bytes and the picture's size. It stands for the metafile
// handle of the platform: whoever plays a metafile is given this object. A TMetafileCanvas records
// into it; loading checks the header, and the records are checked when they are played.
class TMetafile : public TGraphic {
public:
    std::string ClassName() const override { return "TMetafile"; }

    // Raises EInvalidGraphic when the bytes do not start with an enhanced-metafile header whose
    // declared size lies within them; only the declared bytes are kept.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

    // Only the enhanced format is made and read.
    bool Enhanced() const { return true; }

    // The size in 0.01 mm, and in pixels of the reference device.
    int MMWidth() const { return mmWidth_; }
    int MMHeight() const { return mmHeight_; }
    void SetMMWidth(int width) { mmWidth_ = width; }
    void SetMMHeight(int height) { mmHeight_ = height; }
    int Width() const override;
    int Height() const override;
    bool Empty() const override { return data_.empty(); }

    const std::vector<std::uint8_t>& Data() const { return data_; }
    // Takes a metafile's bytes, checked as loading checks them; the size comes from the header's frame.
    void SetData(std::span<const std::uint8_t> data);

private:
    std::vector<std::uint8_t> data_;
    int mmWidth_ = 0;
    int mmHeight_ = 0;
    // The reference device, whose pixels give Width and Height: a screen of 96 pixels per inch
    // until a metafile's header names another.
    TSize devicePixels_{1920, 1440};
    TSize deviceMillimeters_{508, 381};
};
