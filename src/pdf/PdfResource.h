#pragma once

#include "pdf/PdfCustomType.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TPdfStream;

// The one resource dictionary that every page of a document shares. It owns the image and form
// streams that pages place as XObjects "xob" + number, unless a stream was added under its own name.
class TPdfResource : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    ~TPdfResource() override;
    const char* ClassName() const override { return "TPdfResource"; }
    void WriteIt() override;

    // Answers the XObject's number, from 1.
    int AddXObject(std::unique_ptr<TPdfStream> stream, std::string name = {});
    int XObjectCount() const { return static_cast<int>(xObjects_.size()); }
    TPdfStream* XObject(int index) const { return owned_.at(static_cast<std::size_t>(index)).get(); }
    // The index of the XObject added under this name, whatever the case of its letters; -1 when
    // none was.
    int FindXObject(std::string_view name) const;
    const std::string& XObjectName(int index) const { return xObjects_.at(static_cast<std::size_t>(index)).name; }

private:
    std::vector<TPdfNamedObject> xObjects_;
    std::vector<std::unique_ptr<TPdfStream>> owned_;
};
