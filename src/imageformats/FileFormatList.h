#pragma once

#include "platform/graphics/Picture.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class TStringList;

// A set of a small enumeration, one bit a value (the first value is bit 0).
template <typename Enum> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<Enum> values)
    {
        for (Enum value : values)
            bits_ = static_cast<std::uint8_t>(bits_ | BitOf(value));
    }
    constexpr bool Contains(Enum value) const { return (bits_ & BitOf(value)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool Shares(TEnumSet other) const { return (bits_ & other.bits_) != 0; }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    static constexpr unsigned BitOf(Enum value) { return 1u << static_cast<unsigned>(value); }
    std::uint8_t bits_ = 0;
};

enum TFormatType : std::uint8_t { ftAnimation, ftLayered, ftMultiImage, ftRaster, ftVector };
using TFormatTypes = TEnumSet<TFormatType>;

enum TFilterSortType : std::uint8_t { fstNone, fstBoth, fstDescription, fstExtension };

enum TFilterOption : std::uint8_t { foCompact, foIncludeAll, foIncludeExtension };
using TFilterOptions = TEnumSet<TFilterOption>;

struct TClassEntry {
    TGraphicClass GraphicClass = nullptr;
    std::string Description;
    int Count = 0; // extensions registered to the class
};

struct TExtensionEntry {
    std::string Extension;   // without a dot
    std::string Description; // may be empty: the class's description stands for it
    TFormatTypes FormatTypes;
    TClassEntry* ClassReference = nullptr;
};

// The picture formats by file extension, each with its graphic class, descriptions and kinds.
// Every registration is passed on to TPicture, so that picture loading and the picture dialogs
// know the same formats.
class TFileFormatList {
public:
    TFileFormatList() = default;
    ~TFileFormatList();
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // Unregisters every class from TPicture and empties both lists.
    void Clear();

    // Compared without regard to case; -1 for none and for an empty extension.
    int FindExtension(std::string_view extension) const;
    // The class itself, not one it derives from; -1 for none.
    int FindGraphicClass(TGraphicClass graphicClass) const;
    // Empty for a class not registered.
    std::string GetDescription(TGraphicClass graphicClass) const;
    void GetExtensionList(TStringList& list) const;

    // The class of the text after the last dot ("tif", ".tif" and "a.b.tif" alike); null for none.
    TGraphicClass GraphicFromExtension(std::string_view text) const;
    // The first image reader, in the order of registration, that can load the file or stream;
    // null for none. Classes that are no image readers are not asked. Opening the file may raise.
    TGraphicClass GraphicFromContent(std::string_view fileName) const;
    TGraphicClass GraphicFromContent(TStream& stream) const;

    // An extension registered again raises EInvalidGraphic unless `replace` is set; replacing moves
    // the extension to the class and keeps its description and kinds, and drops a class left with
    // no extension. A non-empty common description becomes the class's.
    void RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                            std::string_view individualDescription, TFormatTypes formatTypes, bool replace,
                            TGraphicClass graphicClass);
    // One extension, whatever `graphicClass` is; or, when the extension is empty, every extension
    // of the class. Either leaves nothing for what is not registered.
    void UnregisterFileFormat(std::string_view extension, TGraphicClass graphicClass);

    // An open dialog's filter of the formats of the kinds (all for none), sorted, compacted to one
    // entry a class, and led by an entry of all as the options say; only the class's formats when
    // one is given.
    std::string GetGraphicFilter(TFormatTypes formatTypes, TFilterSortType sortType, TFilterOptions options,
                                 TGraphicClass graphicClass = nullptr) const;

private:
    void LinkToClass(TExtensionEntry& entry, std::string_view commonDescription, TGraphicClass graphicClass);
    void RemoveClassEntry(const TClassEntry* entry);

    std::vector<std::unique_ptr<TClassEntry>> classes_;
    std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// The registry of the program's picture formats; it exists from InitializeFileFormatList to
// FinalizeFileFormatList, which the program calls first and last, and tests that need it.
extern std::unique_ptr<TFileFormatList> FileFormatList;

// Creates the list and registers every format the program reads, in their fixed order.
void InitializeFileFormatList();
// Unregisters the formats and frees the list; TPicture then knows none of them.
void FinalizeFileFormatList();

// Holds the list for a scope: initializes it on construction and finalizes it on every way out,
// so that the list never outlives TPicture's registry, also when start-up throws.
class TFileFormatListScope {
public:
    TFileFormatListScope() { InitializeFileFormatList(); }
    ~TFileFormatListScope() { FinalizeFileFormatList(); }
    TFileFormatListScope(const TFileFormatListScope&) = delete;
    TFileFormatListScope& operator=(const TFileFormatListScope&) = delete;
};

// The class the registry's table gives an extension without its dot, in any case, whether or not
// the list exists; null for an extension not in it.
TGraphicClass RegisteredGraphicClass(std::string_view extension);
