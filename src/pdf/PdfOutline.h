#pragma once

#include "pdf/PdfCustomType.h"

#include <memory>
#include <vector>

// The root of the bookmarks. The catalog writes it, before itself, only when it has entries.
class TPdfOutline : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    ~TPdfOutline() override;
    const char* ClassName() const override { return "TPdfOutline"; }
    // "/Count " + entries, "/First " and "/Last " references, one a line.
    std::string AsString() override;
    // Every entry, then the root.
    void WriteIt() override;

    void Add(std::unique_ptr<TPdfCustomType> entry);
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    std::vector<std::unique_ptr<TPdfCustomType>> entries_;
};
