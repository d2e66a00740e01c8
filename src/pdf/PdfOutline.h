#pragma once

#include "pdf/PdfCustomType.h"
#include "platform/core/Geometry.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TPdfOutlineNode;
class TPdfPage;

// The root of the bookmarks: their tree, and what the nodes need to write themselves. The catalog
// writes it, before itself, only when it has nodes.
class TPdfOutline : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    ~TPdfOutline() override;
    const char* ClassName() const override { return "TPdfOutline"; }
    // "/Count " + visible nodes, "/First " and "/Last " references, one a line.
    std::string AsString() override;
    // Every node depth first, each before its children, then the root.
    void WriteIt() override;

    // Inserts the node as next sibling of `after`, or at the end of the top level without one.
    TPdfOutlineNode& Add(TPdfOutlineNode* after, std::unique_ptr<TPdfOutlineNode> node);
    // Appends the node as last child of `parent`, or at the end of the top level without one.
    TPdfOutlineNode& AddChild(TPdfOutlineNode* parent, std::unique_ptr<TPdfOutlineNode> node);
    // Every node of the tree.
    int Count() const;
    // What a reader shows at first: every node when bookmarks open, else the top level.
    int VisibleCount() const;
    TPdfOutlineNode* Last() const { return nodes_.empty() ? nullptr : nodes_.back().get(); }
    const std::vector<std::unique_ptr<TPdfOutlineNode>>& Nodes() const { return nodes_; }

    // Whether every node is shown open.
    bool OpenBookmarks = false;
    // The destination text of a node; none: no destination.
    std::function<std::string(const TPdfOutlineNode&)> Destination;

private:
    friend class TPdfOutlineNode;
    std::vector<std::unique_ptr<TPdfOutlineNode>> nodes_;
};

// One bookmark: its title, where it leads, and its place in the tree.
class TPdfOutlineNode : public TPdfCustomType {
public:
    TPdfOutlineNode(TPdfFileWriter* owner, std::u16string title);
    // A Windows-1252 title.
    TPdfOutlineNode(TPdfFileWriter* owner, std::string_view title);
    ~TPdfOutlineNode() override;
    const char* ClassName() const override { return "TPdfOutlineNode"; }
    // The destination, then the links to parent, siblings and children, and the count of a node
    // that has children.
    std::string AsString() override;
    void WriteIt() override;

    // Inserts the node as this node's next sibling; appends it as this node's last child.
    TPdfOutlineNode& Add(std::unique_ptr<TPdfOutlineNode> node);
    TPdfOutlineNode& AddChild(std::unique_ptr<TPdfOutlineNode> node);

    // 1 and every node below.
    int Count() const;
    // 1 for the top level.
    int Level() const;
    // None at the top level.
    TPdfOutlineNode* Parent() const { return parent_; }
    TPdfOutlineNode* Next() const;
    TPdfOutlineNode* Prev() const;
    TPdfOutlineNode* First() const { return children_.empty() ? nullptr : children_.front().get(); }
    TPdfOutlineNode* Last() const { return children_.empty() ? nullptr : children_.back().get(); }
    const std::vector<std::unique_ptr<TPdfOutlineNode>>& Children() const { return children_; }

    std::u16string Title;
    // The page current when the node was added.
    TPdfPage* Page = nullptr;
    std::string DestName;
    int ViewMode = 0;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Zoom = 0;
    // The device's resolution when the node was added, which its place is in; none: the device's own.
    TSize Resolution;
    // The node's position among the document's bookmarks, from 1.
    int Number = 0;

private:
    friend class TPdfOutline;
    std::vector<std::unique_ptr<TPdfOutlineNode>>& Siblings() const;
    std::size_t Index() const;
    TPdfOutlineNode& Insert(std::vector<std::unique_ptr<TPdfOutlineNode>>& list, std::size_t position,
                            TPdfOutlineNode* parent, std::unique_ptr<TPdfOutlineNode> node);
    void WriteTree();

    TPdfOutline* root_ = nullptr;
    TPdfOutlineNode* parent_ = nullptr;
    std::vector<std::unique_ptr<TPdfOutlineNode>> children_;
};
