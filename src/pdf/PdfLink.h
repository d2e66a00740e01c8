#pragma once

#include "pdf/PdfCustomType.h"

#include <functional>
#include <string>
#include <string_view>

// A link or widget annotation. Its action is made when it is written: its own number is the key a
// target is encrypted with, and a named destination may lie on a later page.
class TPdfLink : public TPdfCustomType {
public:
    // `head` is the annotation's dictionary up to its action; a given `action` wins over the target.
    TPdfLink(TPdfFileWriter* owner, std::string head, std::string target = {}, std::string action = {});
    const char* ClassName() const override { return "TPdfLink"; }
    std::string AsString() override;

    // "/Dest [...]" for a destination name; empty for a name that is not known.
    std::function<std::string(std::string_view name)> Destination;

private:
    std::string HeadText() const;
    std::string ActionText() const;
    std::string ActionString(std::string_view kind, std::string_view key, std::string_view value) const;

    std::string head_;
    std::string target_;
    std::string action_;
};
