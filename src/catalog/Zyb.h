#pragma once

#include <cstdint>
#include <string>

class TBitmap;
class TStringList;

// The multi-image collection file (".zyb"): a 16-byte header, then per picture a 76-byte entry (its
// name of at most 55 characters, an index, width, height, bytes per pixel and the size D of the
// pixels) followed by D bytes of bottom-up 24-bit rows padded to four bytes. A ".pmt" file is the
// same without the header, and is only read.
//
// Every failure is reported in a message box and gives false (or, for a list, no further names);
// a failed read leaves the target bitmap as it was, a failed append leaves the file as it was.
class ZybFile {
public:
    static constexpr std::size_t MaxNameLength = 55;

    // An existing file takes further pictures only when it is a collection; otherwise the message.
    bool IsCollectionToAppendTo(const std::string& path);
    // Adds the picture at the end, creating the file with its header when there is none.
    bool Append(const std::string& path, const std::string& name, const TBitmap& bitmap, std::uint32_t index);
    // Loads the first picture whose name equals `name` (letter case ignored, cut to 55 characters
    // as the writer cuts it) and whose index equals `index`; false, without a message, when there
    // is none.
    bool ReadImage(const std::string& path, const std::string& name, TBitmap& bitmap, std::uint32_t index);
    // Replaces the list with the names of the pictures, in file order.
    void ListImages(const std::string& path, TStringList& list);
};
