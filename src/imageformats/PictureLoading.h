#pragma once

#include "platform/core/Geometry.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class DecodedPictureCache;
enum class DecodeResult;
class TBitmap;
class TGraphic;

// Which extensions a reader is chosen for: the picture loader's own, or the item drawing's, which
// also takes ".TIFF", ".JPEG" and the numbered Targa extensions.
enum class ReaderTable { Loading, Drawing };

// A new, empty reader for an upper-cased extension with its dot (".JPG"); null when no reader
// here reads it.
std::unique_ptr<TGraphic> NewPictureReader(std::string_view extension, ReaderTable table);

// Where a picture file named in a planogram or catalog is found; empty when it is nowhere.
using PicturePathResolver = std::function<std::string(const std::string& path)>;

// Loads a picture file of a kind the loader's table takes into the target, from the path `resolve`
// finds for it. Collections and unknown extensions are refused with a message and false; a reader's
// error, a missing file's included, is raised. A reader's warnings are shown in a box.
bool LoadPicture(const std::string& path, TBitmap& target, const PicturePathResolver& resolve);

// Reads the file with the reader into the picture for the picture cache; a reader that is a bitmap
// is left empty, its pixels moved into the picture. A picture its reader warned about is not to be
// kept, so that every load of it warns as the first did; with `showWarnings` the warnings are shown
// in boxes, as LoadPicture shows them. A reader's error is raised.
DecodeResult DecodeToKeep(TGraphic& reader, const std::string& file, TBitmap& picture, bool showWarnings);

// As DecodeToKeep, for a drawing that needs the picture at `least` (see CoveringSize): a JPEG
// picture is decoded at the nearest of its library's scales above that, and a picture still larger
// is reduced to it. `whole` takes the picture's own size.
DecodeResult DecodeToDraw(TGraphic& reader, const std::string& file, TBitmap& picture, TSize least, TSize& whole,
                          bool showWarnings);

// LoadPicture through the cache, which keeps the decoded picture unless its reader warned (so that it
// warns again on the next load), whole or, for a caller that shows it smaller, at `least`. Null when
// the path is refused; the picture may be empty.
std::shared_ptr<const TBitmap> LoadCachedPicture(const std::string& path, const PicturePathResolver& resolve,
                                                 DecodedPictureCache& cache, TSize least = {});
