#include "pdf/PdfOutline.h"

#include "platform/core/Numbers.h"

TPdfOutline::~TPdfOutline() = default;

void TPdfOutline::Add(std::unique_ptr<TPdfCustomType> entry) { entries_.push_back(std::move(entry)); }

std::string TPdfOutline::AsString()
{
    if (entries_.empty())
        return {};
    return "/Count " + IntToStr(Count()) + "\n/First " + entries_.front()->AsReferenceString() + "\n/Last " +
           entries_.back()->AsReferenceString();
}

void TPdfOutline::WriteIt()
{
    for (const auto& entry : entries_)
        if (!entry->Written())
            entry->WriteIt();
    TPdfCustomType::WriteIt();
}
