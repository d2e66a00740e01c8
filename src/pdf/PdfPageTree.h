#pragma once

#include "pdf/PdfCustomType.h"
#include "platform/core/Geometry.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TPdfAcroForm;
class TPdfInputFile;
class TPdfLink;
class TPdfOutline;
class TPdfPages;
class TPdfStream;

// A page of an input file as the new document can use it.
struct TPdfInputPage {
    int number = 0;
    // "[x0 y0 x1 y1]" as the file writes it, inherited from the tree when the page has none.
    std::string mediaBox;
    // An inline dictionary or a reference; "<< >>" when neither the page nor the tree has one.
    std::string resources;
    // The other values a page inherits, as the file writes them; empty when it has none.
    std::string cropBox;
    std::string rotate;
};

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
    // The document's own pages.
    int Count() const { return static_cast<int>(pages_.size()); }
    TPdfPage& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }

    // Reads an input file's page tree from its root node's dictionary, following /Kids through the
    // file set before, and keeps each leaf page with what it inherits. Raises "Invalid File" for a
    // tree that comes back to a node or nests deeper than any writer makes it, and
    // "Cannot find TAG /MediaBox" for a page without a box.
    void SetAsString(const std::string& text) override;
    void SetInputFile(const TPdfInputFile* file) { inputFile_ = file; }
    const std::vector<TPdfInputPage>& InputPages() const { return inputPages_; }
    // The input's tree nodes below its root, leaves left out.
    const std::vector<int>& InputNodes() const { return inputNodes_; }
    // A page carried over from the input, listed before the document's own pages.
    void AddInputKid(std::string reference) { inputKids_.push_back(std::move(reference)); }

private:
    void ReadInputNode(const std::string& node, int number, TPdfInputPage inherited, std::set<int>& visited,
                       int depth);

    std::vector<std::unique_ptr<TPdfPage>> pages_;
    const TPdfInputFile* inputFile_ = nullptr;
    std::vector<TPdfInputPage> inputPages_;
    std::vector<int> inputNodes_;
    std::vector<std::string> inputKids_;
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
