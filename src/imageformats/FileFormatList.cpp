#include "imageformats/FileFormatList.h"

#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/SGIGraphic.h"
#include "imageformats/TIFFGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"

#include <algorithm>

std::unique_ptr<TFileFormatList> FileFormatList;

namespace {

struct TFormatRow {
    std::string_view extension;
    std::string_view commonDescription;
    std::string_view individualDescription;
    TFormatTypes formatTypes;
    TGraphicClass graphicClass;
};

// The formats in the order they are registered: the order of GetExtensionList, of the unsorted
// filters and, for the image readers, of the questions of GraphicFromContent.
const std::vector<TFormatRow>& FormatTable()
{
    static const std::vector<TFormatRow> rows = {
        {"bmp", "Windows bitmaps", "", {ftRaster}, GraphicClassOf<TBitmap>()},
        {"ico", "Windows icons", "", {ftRaster}, GraphicClassOf<TIcon>()},
        {"wmf", "Windows metafiles", "", {ftVector}, GraphicClassOf<TMetafile>()},
        {"emf", "Windows metafiles", "Windows enhanced meta files", {ftVector}, GraphicClassOf<TMetafile>()},
        {"jfif", "JPG images", "JFIF images", {ftRaster}, GraphicClassOf<TJPEGImage>()},
        {"jpg", "JPG images", "JPG images", {ftRaster}, GraphicClassOf<TJPEGImage>()},
        {"jpe", "JPG images", "JPE images", {ftRaster}, GraphicClassOf<TJPEGImage>()},
        {"jpeg", "JPG images", "JPEG images", {ftRaster}, GraphicClassOf<TJPEGImage>()},
        {"rle", "Windows bitmaps", "Run length encoded Windows bitmaps", {ftRaster}, GraphicClassOf<TBitmap>()},
        {"dib", "Windows bitmaps", "Device independant Windows bitmaps", {ftRaster}, GraphicClassOf<TBitmap>()},
        {"win", "Truevision images", "", {ftRaster}, GraphicClassOf<TTargaGraphic>()},
        {"vst", "Truevision images", "", {ftRaster}, GraphicClassOf<TTargaGraphic>()},
        {"vda", "Truevision images", "", {ftRaster}, GraphicClassOf<TTargaGraphic>()},
        {"tga", "Truevision images", "", {ftRaster}, GraphicClassOf<TTargaGraphic>()},
        {"icb", "Truevision images", "", {ftRaster}, GraphicClassOf<TTargaGraphic>()},
        {"tiff",
         "Tagged image file format images",
         "Macintosh TIFF images",
         {ftMultiImage, ftRaster},
         GraphicClassOf<TTIFFGraphic>()},
        {"tif",
         "Tagged image file format images",
         "PC TIF images",
         {ftMultiImage, ftRaster},
         GraphicClassOf<TTIFFGraphic>()},
        {"fax",
         "Tagged image file format images",
         "GFI fax images",
         {ftMultiImage, ftRaster},
         GraphicClassOf<TTIFFGraphic>()},
        {"eps", "Encapsulated Postscript images", "", {ftRaster}, GraphicClassOf<TEPSGraphic>()},
        {"pcx", "ZSoft Paintbrush images", "", {ftRaster}, GraphicClassOf<TPCXGraphic>()},
        {"pcc", "ZSoft Paintbrush images", "", {ftRaster}, GraphicClassOf<TPCXGraphic>()},
        {"scr", "ZSoft Paintbrush images", "Word 5.x screen capture images", {ftRaster}, GraphicClassOf<TPCXGraphic>()},
        {"rpf", "Alias/Wavefront images", "", {ftRaster}, GraphicClassOf<TRLAGraphic>()},
        {"rla", "Alias/Wavefront images", "", {ftRaster}, GraphicClassOf<TRLAGraphic>()},
        {"sgi", "SGI images", "SGI true color images", {ftRaster}, GraphicClassOf<TSGIGraphic>()},
        {"rgba", "SGI images", "SGI true color images with alpha", {ftRaster}, GraphicClassOf<TSGIGraphic>()},
        {"rgb", "SGI images", "SGI true color images", {ftRaster}, GraphicClassOf<TSGIGraphic>()},
        {"bw", "SGI images", "SGI black/white images", {ftRaster}, GraphicClassOf<TSGIGraphic>()},
        {"psd", "Photoshop images", "", {ftLayered, ftRaster}, GraphicClassOf<TPSDGraphic>()},
        {"pdd", "Photoshop images", "", {ftLayered, ftRaster}, GraphicClassOf<TPSDGraphic>()},
        {"ppm", "Portable map images", "Portable pixel map images", {ftRaster}, GraphicClassOf<TPPMGraphic>()},
        {"pgm", "Portable map images", "Portable gray map images", {ftRaster}, GraphicClassOf<TPPMGraphic>()},
        {"pbm", "Portable map images", "Portable bitmap images", {ftRaster}, GraphicClassOf<TPPMGraphic>()},
        {"cel", "Autodesk images", "", {ftRaster}, GraphicClassOf<TAutodeskGraphic>()},
        {"pic", "Autodesk images", "", {ftRaster}, GraphicClassOf<TAutodeskGraphic>()},
        {"pcd", "Kodak Photo-CD images", "", {ftRaster}, GraphicClassOf<TPCDGraphic>()},
        {"cut", "Dr. Halo images", "", {ftRaster}, GraphicClassOf<TCUTGraphic>()},
        {"psp", "Paintshop Pro images", "", {ftRaster, ftVector}, GraphicClassOf<TPSPGraphic>()},
        {"png", "Portable network graphic images", "", {ftRaster}, GraphicClassOf<TPNGGraphic>()},
    };
    return rows;
}

constexpr TFormatTypes AllFormatTypes = {ftAnimation, ftLayered, ftMultiImage, ftRaster, ftVector};

// A description with the patterns of its extensions.
struct TFilterEntry {
    std::string Description;
    std::string Patterns;
};

std::string JoinedPatterns(const std::vector<std::string>& extensions)
{
    std::string joined;
    for (const std::string& extension : extensions)
        joined += (joined.empty() ? "*." : "; *.") + extension;
    return joined;
}

// As a sorted string list orders, without regard to case; equal texts keep their order.
template <typename T, typename Key> void SortByText(std::vector<T>& items, Key key)
{
    std::stable_sort(items.begin(), items.end(),
                     [&key](const T& a, const T& b) { return CompareText(key(a), key(b)) < 0; });
}

} // namespace

TFileFormatList::~TFileFormatList() { Clear(); }

void TFileFormatList::Clear()
{
    for (const auto& entry : classes_)
        TPicture::UnregisterGraphicClass(entry->GraphicClass);
    classes_.clear();
    extensions_.clear();
}

int TFileFormatList::FindExtension(std::string_view extension) const
{
    if (extension.empty())
        return -1;
    const auto found = std::find_if(extensions_.begin(), extensions_.end(),
                                    [&](const auto& entry) { return SameText(entry->Extension, extension); });
    return found == extensions_.end() ? -1 : static_cast<int>(found - extensions_.begin());
}

int TFileFormatList::FindGraphicClass(TGraphicClass graphicClass) const
{
    const auto found = std::find_if(classes_.begin(), classes_.end(),
                                    [&](const auto& entry) { return entry->GraphicClass == graphicClass; });
    return found == classes_.end() ? -1 : static_cast<int>(found - classes_.begin());
}

std::string TFileFormatList::GetDescription(TGraphicClass graphicClass) const
{
    const int index = FindGraphicClass(graphicClass);
    return index < 0 ? std::string() : classes_[static_cast<std::size_t>(index)]->Description;
}

void TFileFormatList::GetExtensionList(TStringList& list) const
{
    list.Clear();
    for (const auto& entry : extensions_)
        list.Add(entry->Extension);
}

TGraphicClass TFileFormatList::GraphicFromExtension(std::string_view text) const
{
    const std::size_t dot = text.rfind('.');
    const int index = FindExtension(dot == std::string_view::npos ? text : text.substr(dot + 1));
    return index < 0 ? nullptr : extensions_[static_cast<std::size_t>(index)]->ClassReference->GraphicClass;
}

TGraphicClass TFileFormatList::GraphicFromContent(std::string_view fileName) const
{
    TFileStream stream(fileName, fmOpenRead);
    return GraphicFromContent(stream);
}

TGraphicClass TFileFormatList::GraphicFromContent(TStream& stream) const
{
    for (const auto& entry : classes_) {
        const std::unique_ptr<TGraphic> graphic = entry->GraphicClass();
        const auto* reader = dynamic_cast<const TImageGraphic*>(graphic.get());
        if (reader != nullptr && reader->CanLoad(stream))
            return entry->GraphicClass;
    }
    return nullptr;
}

void TFileFormatList::RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                                         std::string_view individualDescription, TFormatTypes formatTypes, bool replace,
                                         TGraphicClass graphicClass)
{
    if (extension.empty())
        return;
    const int index = FindExtension(extension);
    TExtensionEntry* entry = nullptr;
    if (index < 0) {
        extensions_.push_back(std::make_unique<TExtensionEntry>(
            TExtensionEntry{std::string(extension), std::string(individualDescription), formatTypes, nullptr}));
        entry = extensions_.back().get();
        LinkToClass(*entry, commonDescription, graphicClass);
    } else if (!replace) {
        throw EInvalidGraphic("Attempt to register " + std::string(extension) + " twice.");
    } else {
        entry = extensions_[static_cast<std::size_t>(index)].get();
        TClassEntry* old = entry->ClassReference;
        if (old->GraphicClass != graphicClass) {
            LinkToClass(*entry, commonDescription, graphicClass);
            if (--old->Count == 0)
                RemoveClassEntry(old);
        }
    }
    const TClassEntry& owner = *entry->ClassReference;
    TPicture::RegisterFileFormat(entry->Extension, entry->Description.empty() ? owner.Description : entry->Description,
                                 owner.GraphicClass);
}

void TFileFormatList::LinkToClass(TExtensionEntry& entry, std::string_view commonDescription,
                                  TGraphicClass graphicClass)
{
    const int index = FindGraphicClass(graphicClass);
    if (index < 0)
        classes_.push_back(std::make_unique<TClassEntry>(TClassEntry{graphicClass, {}, 0}));
    TClassEntry& owner = index < 0 ? *classes_.back() : *classes_[static_cast<std::size_t>(index)];
    if (!commonDescription.empty())
        owner.Description = std::string(commonDescription);
    ++owner.Count;
    entry.ClassReference = &owner;
}

void TFileFormatList::RemoveClassEntry(const TClassEntry* entry)
{
    std::erase_if(classes_, [entry](const auto& owned) { return owned.get() == entry; });
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension, TGraphicClass graphicClass)
{
    if (!extension.empty()) {
        const int index = FindExtension(extension);
        if (index < 0)
            return;
        TClassEntry* owner = extensions_[static_cast<std::size_t>(index)]->ClassReference;
        if (--owner->Count == 0) {
            TPicture::UnregisterGraphicClass(owner->GraphicClass);
            RemoveClassEntry(owner);
        }
        extensions_.erase(extensions_.begin() + index);
        return;
    }
    const int classIndex = FindGraphicClass(graphicClass);
    if (classIndex < 0)
        return;
    TClassEntry* owner = classes_[static_cast<std::size_t>(classIndex)].get();
    for (std::size_t i = extensions_.size(); i-- > 0 && owner->Count > 0;)
        if (extensions_[i]->ClassReference == owner) {
            extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(i));
            --owner->Count;
        }
    RemoveClassEntry(owner);
    TPicture::UnregisterGraphicClass(graphicClass);
}

std::string TFileFormatList::GetGraphicFilter(TFormatTypes formatTypes, TFilterSortType sortType,
                                              TFilterOptions options, TGraphicClass graphicClass) const
{
    const TFormatTypes wanted = formatTypes.Empty() ? AllFormatTypes : formatTypes;
    const bool includeAll = options.Contains(foIncludeAll);
    std::vector<TFilterEntry> entries;
    std::vector<std::string> allExtensions;
    if (options.Contains(foCompact)) {
        for (const auto& owner : classes_) {
            if (graphicClass != nullptr && owner->GraphicClass != graphicClass)
                continue;
            std::vector<std::string> extensions;
            for (const auto& entry : extensions_)
                if (entry->ClassReference == owner.get() && entry->FormatTypes.Shares(wanted))
                    extensions.push_back(entry->Extension);
            if (includeAll)
                allExtensions.insert(allExtensions.end(), extensions.begin(), extensions.end());
            if (!extensions.empty())
                entries.push_back({owner->Description, JoinedPatterns(extensions)});
        }
    } else {
        for (const auto& entry : extensions_) {
            if ((graphicClass != nullptr && entry->ClassReference->GraphicClass != graphicClass) ||
                !entry->FormatTypes.Shares(wanted))
                continue;
            const std::string& description =
                entry->Description.empty() ? entry->ClassReference->Description : entry->Description;
            entries.push_back({description, "*." + entry->Extension});
            if (includeAll)
                allExtensions.push_back(entry->Extension);
        }
    }
    if (sortType == fstBoth || sortType == fstDescription)
        SortByText(entries, [](const TFilterEntry& entry) -> const std::string& { return entry.Description; });
    if (sortType == fstBoth || sortType == fstExtension)
        SortByText(allExtensions, [](const std::string& extension) -> const std::string& { return extension; });

    std::string filter;
    if (includeAll && !allExtensions.empty())
        filter = "All images|" + JoinedPatterns(allExtensions) + "|";
    for (const TFilterEntry& entry : entries) {
        filter += entry.Description;
        if (options.Contains(foIncludeExtension))
            filter += " (" + entry.Patterns + ")";
        filter += "|" + entry.Patterns + "|";
    }
    if (!filter.empty())
        filter.pop_back();
    return filter;
}

void InitializeFileFormatList()
{
    FileFormatList = std::make_unique<TFileFormatList>();
    for (const TFormatRow& row : FormatTable())
        FileFormatList->RegisterFileFormat(row.extension, row.commonDescription, row.individualDescription,
                                           row.formatTypes, false, row.graphicClass);
}

void FinalizeFileFormatList()
{
    if (!FileFormatList)
        return;
    for (const TGraphicClass reader :
         {GraphicClassOf<TPSPGraphic>(), GraphicClassOf<TPSDGraphic>(), GraphicClassOf<TTargaGraphic>(),
          GraphicClassOf<TTIFFGraphic>(), GraphicClassOf<TSGIGraphic>(), GraphicClassOf<TPCXGraphic>(),
          GraphicClassOf<TAutodeskGraphic>(), GraphicClassOf<TPCDGraphic>(), GraphicClassOf<TPPMGraphic>(),
          GraphicClassOf<TCUTGraphic>(), GraphicClassOf<TRLAGraphic>()})
        FileFormatList->UnregisterFileFormat("", reader);
    FileFormatList->UnregisterFileFormat("rle", GraphicClassOf<TBitmap>());
    FileFormatList->UnregisterFileFormat("dib", GraphicClassOf<TBitmap>());
    FileFormatList->UnregisterFileFormat("", GraphicClassOf<TPNGGraphic>());
    FileFormatList.reset();
}

TGraphicClass RegisteredGraphicClass(std::string_view extension)
{
    const auto& rows = FormatTable();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&](const TFormatRow& row) { return SameText(row.extension, extension); });
    return found == rows.end() ? nullptr : found->graphicClass;
}
