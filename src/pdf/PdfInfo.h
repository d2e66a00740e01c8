#pragma once

#include "pdf/PdfCustomType.h"

#include <string>

// The document information the caller gives the device.
struct TPdfDeviceInfoBlock {
    std::string Author;
    std::string CreationDate;
    std::string ModDate;
    std::string Creator;
    std::string Producer;
    std::string Title;
    std::string Subject;
    std::string Keywords;
    // No information dictionary at all.
    bool NoInfo = false;

    void Assign(const TPdfDeviceInfoBlock& source) { *this = source; }
};

// The document information dictionary. Every key is written, empty values too.
class TPdfInfo : public TPdfCustomType {
public:
    // The creator every file names.
    static constexpr const char* CreatorText = "Kestrame";

    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfInfo"; }
    std::string AsString() override;
    // Takes the block's texts; the creator is always ours.
    void Assign(const TPdfDeviceInfoBlock& block);

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
