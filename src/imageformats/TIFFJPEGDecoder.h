#pragma once

#include "imageformats/GraphicCompression.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct TImageProperties;

// JPEG-compressed strips of TIFF files (compression 7) through the system's JPEG library. Each strip
// is a JPEG stream, abbreviated when the file's JPEG tables hold what it leaves out. The strip must
// match what the properties expect of it; a mismatch raises EGraphicCompression with its own text,
// and an error of the library EJPEG as RaiseJPEGError words it. Three components are decoded to blue,
// green, red and one to grey, the rows BytesPerLine apart. Nothing here shows a box: the warnings (a
// strip that ends early, which is completed as if it had ended there, and the library's own) go to
// the event given. Moves neither pointer.
class TTIFFJPEGDecoder : public TDecoder {
public:
    using TWarningEvent = std::function<void(const std::string& message)>;

    // The properties are read at every Decode, for the row and strip being read.
    TTIFFJPEGDecoder(const TImageProperties& properties, TWarningEvent onWarning);
    ~TTIFFJPEGDecoder() override;

    // Sets the library up and reads the file's JPEG tables, when there are any.
    void DecodeInit() override;
    // Decodes one strip into rows of BytesPerLine bytes; the target must hold whole rows. Rows the
    // strip does not fill are set to zero.
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
    void DecodeEnd() override;
    // Decode in steps, so that a large strip needs no buffer of its size: BeginStrip reads the
    // strip's header, each DecodeRows its next rows, as Decode does.
    void BeginStrip(const std::uint8_t* source, std::int32_t packedSize);
    void DecodeRows(std::uint8_t* target, std::int32_t unpackedSize);

private:
    struct TLibrary;

    // Runs a call into the library, hands the warnings it gave to the event and raises its error.
    template <typename Call> void CallLibrary(Call&& call);
    void CheckStrip() const;
    void SetColorSpaces();
    void Destroy();

    const TImageProperties& properties_;
    TWarningEvent onWarning_;
    std::unique_ptr<TLibrary> library_;
    std::uint16_t horizontalSubsampling_ = 1;
    std::uint16_t verticalSubsampling_ = 1;
    std::size_t decodedRows_ = 0; // of the strip begun last
};
