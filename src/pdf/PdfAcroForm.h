#pragma once

#include "pdf/PdfCustomType.h"

#include <memory>
#include <vector>

class TPdfString;

// The interactive form: its fields (owned by the device) and the default resources with the fonts
// the fields' appearance strings use.
class TPdfAcroForm : public TPdfCustomType {
public:
    // Helvetica in black, at the size that fits the field.
    static constexpr const char* DefaultAppearance = "/Helv 0 Tf 0 g ";

    using TPdfCustomType::TPdfCustomType;
    ~TPdfAcroForm() override;
    const char* ClassName() const override { return "TPdfAcroForm"; }
    std::string AsString() override { return {}; }
    // Writes the default resources unless they were, then the form.
    void WriteIt() override;

    void AddField(TPdfCustomType* field) { fields_.push_back(field); }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // The fonts the fields' appearance strings name, for the fields' own appearances too; made at
    // the first call.
    TPdfString& DefaultResources();

private:
    std::vector<TPdfCustomType*> fields_;
    std::unique_ptr<TPdfString> defaultResources_;
};
