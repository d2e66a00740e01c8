#pragma once

#include "pdf/PdfCustomType.h"

#include <string>

// The document information dictionary. Every key is written, empty values too.
class TPdfInfo : public TPdfCustomType {
public:
    // The creator every file names.
    static constexpr const char* CreatorText = "Kestrame";

    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfInfo"; }
    std::string AsString() override;

    std::string Author;
    std::string CreationDate;
    std::string ModDate;
    std::string Creator;
    std::string Producer;
    std::string Title;
    std::string Subject;
    std::string Keywords;

private:
    std::string Entry(const char* key, const std::string& value) const;
};
