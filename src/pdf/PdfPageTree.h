#pragma once

#include "pdf/PdfCustomType.h"
#include "platform/core/Geometry.h"

#include <memory>
#include <string_view>
#include <vector>

class TPdfAcroForm;
class TPdfLink;
class TPdfOutline;
class TPdfPages;
class TPdfStream;

// One page: its content streams, thumbnail and annotations, and its size in points.
class TPdfPage : public TPdfCustomType {
public:
    TPdfPage(TPdfFileWriter* owner, int rotation = 0);
    ~TPdfPage() override;
    const char* ClassName() const override { return "TPdfPage"; }
    // Writes the streams the page uses that are not out yet, then the page. Raises "Page has no
    // parent!".
    void WriteIt() override;

    void AddContent(std::unique_ptr<TPdfStream> stream);
    void SetThumbnail(std::unique_ptr<TPdfStream> image);
    // The page refers to the annotation; the device owns and writes it.
    void AddAnnotation(TPdfCustomType* annotation) { annotations_.push_back(annotation); }
    // Annotations on the rectangle (left, top, right, bottom in points). The page refers to them; the
    // caller keeps them until they are written at the document's end. A link leads to its target
    // unless an action is given; a widget's text is its field dictionary.
    std::unique_ptr<TPdfLink> AddIndexLink(const TRect& rect, std::string_view target, std::string_view action);
    std::unique_ptr<TPdfLink> AddWidget(const TRect& rect, std::string_view text);
    // A size that differs from the document's default gets its own media box.
    void SetSize(int width, int height);

    int ContentCount() const { return static_cast<int>(contents_.size()); }
    TPdfStream& Content(int index) const { return *contents_.at(static_cast<std::size_t>(index)); }
    TPdfPages* Parent() const { return parent_; }
    void SetParent(TPdfPages* parent) { parent_ = parent; }
    int Rotation() const { return rotation_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void WriteOutstandingStreams();
    void WriteContentsEntry();

    std::vector<std::unique_ptr<TPdfStream>> contents_;
    TPdfPages* parent_ = nullptr;
    int rotation_;
    int width_;
    int height_;
    std::unique_ptr<TPdfStream> thumbnail_;
    std::vector<TPdfCustomType*> annotations_;
};

class TPdfPages : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    ~TPdfPages() override;
    const char* ClassName() const override { return "TPdfPages"; }
    void WriteIt() override;

    // Takes the page and becomes its parent.
    TPdfPage& AddPage(std::unique_ptr<TPdfPage> page);
    int Count() const { return static_cast<int>(pages_.size()); }
    TPdfPage& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<std::unique_ptr<TPdfPage>> pages_;
};

// The document's root: the page tree, the bookmarks and an optional form.
class TPdfCatalog : public TPdfCustomType {
public:
    explicit TPdfCatalog(TPdfFileWriter* owner);
    ~TPdfCatalog() override;
    const char* ClassName() const override { return "TPdfCatalog"; }
    // Writes the bookmarks first when there are any, then the catalog.
    void WriteIt() override;

    TPdfPage& AddPage(std::unique_ptr<TPdfPage> page);
    TPdfPages& Pages() const { return *pages_; }
    TPdfOutline& Outlines() const { return *outlines_; }
    TPdfAcroForm* AcroForm() const { return acroForm_.get(); }
    void SetAcroForm(std::unique_ptr<TPdfAcroForm> form);

private:
    std::unique_ptr<TPdfPages> pages_;
    std::unique_ptr<TPdfOutline> outlines_;
    std::unique_ptr<TPdfAcroForm> acroForm_;
};
