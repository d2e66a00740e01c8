#include "pdf/PdfOutline.h"

#include "pdf/PdfDeviceWorkBuffer.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

#include <algorithm>

namespace {

constexpr char16_t ByteOrderMark = 0xFEFF;

} // namespace

TPdfOutline::~TPdfOutline() = default;

TPdfOutlineNode& TPdfOutline::Add(TPdfOutlineNode* after, std::unique_ptr<TPdfOutlineNode> node)
{
    if (after != nullptr)
        return after->Add(std::move(node));
    node->root_ = this;
    node->parent_ = nullptr;
    nodes_.push_back(std::move(node));
    return *nodes_.back();
}

TPdfOutlineNode& TPdfOutline::AddChild(TPdfOutlineNode* parent, std::unique_ptr<TPdfOutlineNode> node)
{
    if (parent != nullptr)
        return parent->AddChild(std::move(node));
    return Add(nullptr, std::move(node));
}

int TPdfOutline::Count() const
{
    int count = 0;
    for (const auto& node : nodes_)
        count += node->Count();
    return count;
}

int TPdfOutline::VisibleCount() const { return OpenBookmarks ? Count() : static_cast<int>(nodes_.size()); }

std::string TPdfOutline::AsString()
{
    if (nodes_.empty())
        return {};
    return "/Count " + IntToStr(VisibleCount()) + "\n/First " + nodes_.front()->AsReferenceString() + "\n/Last " +
           nodes_.back()->AsReferenceString();
}

void TPdfOutline::WriteIt()
{
    for (const auto& node : nodes_)
        node->WriteTree();
    TPdfCustomType::WriteIt();
}

TPdfOutlineNode::TPdfOutlineNode(TPdfFileWriter* owner, std::u16string title)
    : TPdfCustomType(owner), Title(std::move(title))
{
}

TPdfOutlineNode::TPdfOutlineNode(TPdfFileWriter* owner, std::string_view title)
    : TPdfOutlineNode(owner, Win1252ToUtf16(title))
{
}

TPdfOutlineNode::~TPdfOutlineNode() = default;

std::vector<std::unique_ptr<TPdfOutlineNode>>& TPdfOutlineNode::Siblings() const
{
    if (parent_ != nullptr)
        return parent_->children_;
    if (root_ == nullptr)
        throw Exception("Bookmark is not in a tree!");
    return root_->nodes_;
}

std::size_t TPdfOutlineNode::Index() const
{
    const auto& siblings = Siblings();
    const auto found =
        std::find_if(siblings.begin(), siblings.end(), [this](const auto& n) { return n.get() == this; });
    return static_cast<std::size_t>(found - siblings.begin());
}

TPdfOutlineNode& TPdfOutlineNode::Insert(std::vector<std::unique_ptr<TPdfOutlineNode>>& list, std::size_t position,
                                         TPdfOutlineNode* parent, std::unique_ptr<TPdfOutlineNode> node)
{
    node->root_ = root_;
    node->parent_ = parent;
    return **list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
}

TPdfOutlineNode& TPdfOutlineNode::Add(std::unique_ptr<TPdfOutlineNode> node)
{
    return Insert(Siblings(), Index() + 1, parent_, std::move(node));
}

TPdfOutlineNode& TPdfOutlineNode::AddChild(std::unique_ptr<TPdfOutlineNode> node)
{
    return Insert(children_, children_.size(), this, std::move(node));
}

int TPdfOutlineNode::Count() const
{
    int count = 1;
    for (const auto& child : children_)
        count += child->Count();
    return count;
}

int TPdfOutlineNode::Level() const { return parent_ == nullptr ? 1 : parent_->Level() + 1; }

TPdfOutlineNode* TPdfOutlineNode::Next() const
{
    const auto& siblings = Siblings();
    const std::size_t next = Index() + 1;
    return next < siblings.size() ? siblings[next].get() : nullptr;
}

TPdfOutlineNode* TPdfOutlineNode::Prev() const
{
    const std::size_t index = Index();
    return index > 0 ? Siblings()[index - 1].get() : nullptr;
}

// A closed item's count is negative: what opening it shows, its children, each closed again.
std::string TPdfOutlineNode::AsString()
{
    std::string text = root_ != nullptr && root_->Destination ? root_->Destination(*this) : std::string();
    text += "\n/Parent " + (parent_ != nullptr ? parent_->AsReferenceString() : root_->AsReferenceString());
    if (TPdfOutlineNode* next = Next())
        text += " /Next " + next->AsReferenceString();
    if (!children_.empty())
        text += " /First " + First()->AsReferenceString();
    if (TPdfOutlineNode* prev = Prev())
        text += " /Prev " + prev->AsReferenceString();
    if (!children_.empty()) {
        text += " /Last " + Last()->AsReferenceString();
        const int count = root_->OpenBookmarks ? Count() - 1 : -static_cast<int>(children_.size());
        text += " /Count " + IntToStr(count);
    }
    return text;
}

void TPdfOutlineNode::WriteIt()
{
    std::replace(Title.begin(), Title.end(), u'\t', u' ');
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Title(" + PdfCleanString(EncryptStrW(ByteOrderMark + Title)) + ")");
    RawWriteLN(AsString());
    WriteObjectEnd();
}

void TPdfOutlineNode::WriteTree()
{
    WriteIt();
    for (const auto& child : children_)
        child->WriteTree();
}
