#pragma once

#include "platform/core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

class TBitmap;

// Which picture of a file: the file's path as found, the entry inside a collection file (empty for
// a picture file) and how it is decoded (the reader, and any form the picture is converted to), so
// that a file decoded in two ways is two pictures.
struct PictureSource {
    std::string path;
    std::string entry;
    std::string decoding;
};

// What a decoder made of a file: nothing to draw, a picture to keep, or a picture to draw this once
// (one whose reader warned keeps warning on every load).
enum class DecodeResult { Failed, Picture, UnkeptPicture };

// Decoded pictures kept for the drawing, so that a redraw decodes each picture file once. A picture
// is kept while its file has the size and modification time it was decoded at; a changed file is
// decoded again on its next load. A drawing asks for a picture at the least size it draws it at: the
// picture is kept at that size (in its proportions, covering it), not larger, and decoded again
// larger only when a later drawing needs more than is kept. The least recently used pictures go
// first when the kept bitmaps pass the byte limit. Kept bitmaps are shared and const: whoever draws
// them never changes them.
class DecodedPictureCache {
    // The file as it was when its picture was decoded.
    struct FileStamp {
        std::int64_t size = -1;
        std::int64_t modifiedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

public:
    static constexpr std::size_t DefaultLimitBytes = std::size_t{256} << 20;

    // Fills the bitmap from the file; a reader's error passes through and nothing is kept.
    using Decoder = std::function<DecodeResult(TBitmap& picture)>;
    // As Decoder, for a drawing that needs the picture at `least` (see CoveringSize): the bitmap is
    // filled at that size or larger, and `whole` takes the picture's own size.
    using SizedDecoder = std::function<DecodeResult(TBitmap& picture, TSize least, TSize& whole)>;

    // The source's whole picture, kept or newly decoded; null when the decoder failed. A failure, an
    // empty picture, a picture larger than the limit and a file that cannot be looked at are never
    // kept. One not kept is a bitmap made for this call and held by the caller alone, who may move
    // its pixels out.
    std::shared_ptr<const TBitmap> Picture(const PictureSource& source, const Decoder& decode);
    // As Picture, at least at the size given: one kept at that size or larger is taken as it is.
    std::shared_ptr<const TBitmap> Picture(const PictureSource& source, TSize least, const SizedDecoder& decode);

    // Sources whose picture could not be used, each with the state its file was in then. A drawing
    // that holds them decodes such a file once, not on every redraw, until the file changes.
    class Unusable {
        friend class DecodedPictureCache;
        std::unordered_map<std::string, FileStamp> files_;
    };

    // As the sized Picture, for a drawing: null without decoding for a source that `unusable` holds
    // in its file's present state. A picture that fails, whose reader raises (the error passes on) or
    // that is empty goes into `unusable`, and is null. One too large to keep is drawn all the same.
    std::shared_ptr<const TBitmap> UsablePicture(const PictureSource& source, TSize least, const SizedDecoder& decode,
                                                 Unusable& unusable);

    // While a pass is open, each file's size and time are read once: a drawing sees every file as it
    // was when it first looked at it, as if it had been made in that instant. A pass opened inside
    // another (a drawing started while one gives way to events) looks again for itself, as does every
    // later one, so a drawing begun after a change on disk shows it.
    class CheckPass {
    public:
        explicit CheckPass(DecodedPictureCache& cache);
        ~CheckPass();
        CheckPass(const CheckPass&) = delete;
        CheckPass& operator=(const CheckPass&) = delete;

    private:
        friend class DecodedPictureCache;
        DecodedPictureCache& cache_;
        CheckPass* outer_;
        // No stamp for a file that could not be looked at.
        std::unordered_map<std::string, std::optional<FileStamp>> stamps_;
    };

    std::size_t LimitBytes() const { return limitBytes_; }
    // Drops the least recently used pictures until the rest fit. A limit of 0 turns the cache off:
    // nothing is kept.
    void SetLimitBytes(std::size_t bytes);
    std::size_t KeptBytes() const { return keptBytes_; }
    std::size_t KeptCount() const { return entries_.size(); }
    // How often a decoder has been called, for those who count what a drawing decodes.
    std::size_t DecodeCount() const { return decodeCount_; }
    void Clear();

private:
    struct Entry {
        std::string key;
        FileStamp stamp;
        std::shared_ptr<const TBitmap> picture;
        // The picture's own size, which the kept one may be a reduction of.
        TSize whole;
        std::size_t bytes = 0;
    };
    using Entries = std::list<Entry>; // most recently used first

    std::shared_ptr<const TBitmap> FindOrDecode(const PictureSource& source, TSize least, const SizedDecoder& decode,
                                                Unusable* unusable);
    static bool StampOf(const std::string& path, FileStamp& stamp);
    // The file's stamp, read once in the innermost open pass.
    bool LookAt(const std::string& path, FileStamp& stamp);
    void Keep(std::string key, const FileStamp& stamp, std::shared_ptr<const TBitmap> picture, TSize whole);
    void Drop(Entries::iterator entry);
    void DropToFit(std::size_t bytes);

    std::size_t limitBytes_ = DefaultLimitBytes;
    std::size_t keptBytes_ = 0;
    std::size_t decodeCount_ = 0;
    Entries entries_;
    std::unordered_map<std::string, Entries::iterator> index_;
    CheckPass* openPass_ = nullptr;
};

// The one cache every picture load of the drawing shares.
DecodedPictureCache& DecodedPictures();
