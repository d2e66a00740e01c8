#include "imageformats/DecodedPictureCache.h"

#include "imageformats/Resampling.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>

#include <sys/stat.h>

namespace {

std::string KeyOf(const PictureSource& source)
{
    std::string key = source.path;
    key += '\0';
    key += source.entry;
    key += '\0';
    key += source.decoding;
    return key;
}

std::size_t BytesOf(const TBitmap& picture)
{
    return static_cast<std::size_t>(picture.BytesPerScanLine()) * static_cast<std::size_t>(picture.Height());
}

} // namespace

bool DecodedPictureCache::StampOf(const std::string& path, FileStamp& stamp)
{
    struct stat info;
    if (path.empty() || ::stat(NativePath(path).c_str(), &info) != 0)
        return false;
    stamp.size = info.st_size;
    stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return true;
}

bool DecodedPictureCache::LookAt(const std::string& path, FileStamp& stamp)
{
    if (openPass_ == nullptr)
        return StampOf(path, stamp);
    auto [seen, first] = openPass_->stamps_.try_emplace(path);
    if (first) {
        FileStamp read;
        if (StampOf(path, read))
            seen->second = read;
    }
    if (!seen->second)
        return false;
    stamp = *seen->second;
    return true;
}

DecodedPictureCache::CheckPass::CheckPass(DecodedPictureCache& cache) : cache_(cache), outer_(cache.openPass_)
{
    cache_.openPass_ = this;
}

DecodedPictureCache::CheckPass::~CheckPass() { cache_.openPass_ = outer_; }

std::shared_ptr<const TBitmap> DecodedPictureCache::Picture(const PictureSource& source, const Decoder& decode)
{
    return Picture(source, {}, [&](TBitmap& picture, TSize, TSize& whole) {
        const DecodeResult result = decode(picture);
        whole = {picture.Width(), picture.Height()};
        return result;
    });
}

std::shared_ptr<const TBitmap> DecodedPictureCache::Picture(const PictureSource& source, TSize least,
                                                            const SizedDecoder& decode)
{
    return FindOrDecode(source, least, decode, nullptr);
}

std::shared_ptr<const TBitmap> DecodedPictureCache::UsablePicture(const PictureSource& source, TSize least,
                                                                  const SizedDecoder& decode, Unusable& unusable)
{
    return FindOrDecode(source, least, decode, &unusable);
}

std::shared_ptr<const TBitmap> DecodedPictureCache::FindOrDecode(const PictureSource& source, TSize least,
                                                                 const SizedDecoder& decode, Unusable* unusable)
{
    std::string key = KeyOf(source);
    FileStamp stamp;
    const bool stamped = LookAt(source.path, stamp);
    if (const auto hit = index_.find(key); hit != index_.end()) {
        Entry& kept = *hit->second;
        if (stamped && kept.stamp == stamp &&
            Covers({kept.picture->Width(), kept.picture->Height()}, kept.whole, least)) {
            entries_.splice(entries_.begin(), entries_, hit->second);
            return kept.picture;
        }
        // A picture kept smaller than now needed is decoded again at the larger of both sizes, so
        // that drawings at different sizes do not take turns decoding it. One asked for whole stays so.
        if (stamped && kept.stamp == stamp && least.cx > 0 && least.cy > 0)
            least = {std::max(least.cx, kept.picture->Width()), std::max(least.cy, kept.picture->Height())};
        // Of no further use: the file changed or went, or it is too small.
        Drop(hit->second);
    }
    // What cannot be used is remembered only with the state of its file, so a changed file is tried again.
    const auto remember = [&] {
        if (unusable != nullptr && stamped)
            unusable->files_[key] = stamp;
    };
    if (unusable != nullptr) {
        const auto known = unusable->files_.find(key);
        if (known != unusable->files_.end() && stamped && known->second == stamp)
            return nullptr;
    }
    auto picture = std::make_shared<TBitmap>();
    DecodeResult result = DecodeResult::Failed;
    TSize whole;
    ++decodeCount_;
    try {
        result = decode(*picture, least, whole);
    } catch (...) {
        remember();
        throw;
    }
    if (result == DecodeResult::Failed || (unusable != nullptr && picture->Empty())) {
        remember();
        return nullptr;
    }
    if (result == DecodeResult::Picture && stamped && !picture->Empty())
        Keep(std::move(key), stamp, picture, whole);
    return picture;
}

void DecodedPictureCache::Keep(std::string key, const FileStamp& stamp, std::shared_ptr<const TBitmap> picture,
                               TSize whole)
{
    const std::size_t bytes = BytesOf(*picture);
    if (bytes > limitBytes_)
        return;
    DropToFit(limitBytes_ - bytes);
    entries_.push_front(Entry{key, stamp, std::move(picture), whole, bytes});
    index_.emplace(std::move(key), entries_.begin());
    keptBytes_ += bytes;
}

void DecodedPictureCache::Drop(Entries::iterator entry)
{
    keptBytes_ -= entry->bytes;
    index_.erase(entry->key);
    entries_.erase(entry);
}

void DecodedPictureCache::DropToFit(std::size_t bytes)
{
    while (keptBytes_ > bytes)
        Drop(std::prev(entries_.end()));
}

void DecodedPictureCache::SetLimitBytes(std::size_t bytes)
{
    limitBytes_ = bytes;
    DropToFit(bytes);
}

void DecodedPictureCache::Clear() { DropToFit(0); }

DecodedPictureCache& DecodedPictures()
{
    static DecodedPictureCache cache;
    return cache;
}
