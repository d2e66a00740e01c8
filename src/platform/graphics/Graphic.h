#pragma once

#include "platform/core/Exceptions.h"
#include "platform/core/Geometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TStream;
class TBitmap;

KESTRAME_EXCEPTION(EInvalidGraphic, Exception)
KESTRAME_EXCEPTION(EInvalidGraphicOperation, Exception)
KESTRAME_EXCEPTION(EOutOfResources, Exception)

// The class library's texts for pictures that cannot be read or made.
inline constexpr std::string_view SInvalidBitmap = "Bitmap image is not valid";
inline constexpr std::string_view SInvalidPixelFormat = "Invalid pixel format";
inline constexpr std::string_view SScanLine = "Scan line index out of range";
inline constexpr std::string_view SOutOfResources = "Out of system resources";

enum TProgressStage { psStarting, psRunning, psEnding };

class TGraphic;

// The graphic progress event: a stage start with a text, running percentages, a stage end.
using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;

// The base of every picture class.
class TGraphic {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    virtual std::string ClassName() const = 0;

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    // Raises EFOpenError when the file cannot be opened, and what LoadFromStream raises.
    virtual void LoadFromFile(std::string_view fileName);
    // Written atomically: a failed save leaves the old file.
    virtual void SaveToFile(std::string_view fileName) const;

    // Takes over the source's picture; raises EConvertError "Cannot assign a X to a Y" when this
    // class cannot take the source's kind of picture.
    virtual void Assign(const TGraphic& source);
    // Gives the picture to a bitmap; what TBitmap::Assign calls for graphics that are no bitmaps.
    virtual void AssignTo(TBitmap& target) const;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;

    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value) { transparent_ = value; }

    TProgressEvent OnProgress;

protected:
    void Progress(TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const TRect& rect,
                  const std::string& message);
    [[noreturn]] void AssignError(const TGraphic& source) const;

private:
    bool transparent_ = false;
};
