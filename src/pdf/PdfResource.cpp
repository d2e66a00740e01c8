#include "pdf/PdfResource.h"

#include "pdf/PdfStream.h"
#include "platform/core/TextUtils.h"

TPdfResource::~TPdfResource() = default;

int TPdfResource::AddXObject(std::unique_ptr<TPdfStream> stream, std::string name)
{
    xObjects_.push_back({std::move(name), stream.get()});
    owned_.push_back(std::move(stream));
    return XObjectCount();
}

int TPdfResource::FindXObject(std::string_view name) const
{
    for (std::size_t i = 0; i < xObjects_.size(); ++i)
        if (!xObjects_[i].name.empty() && SameText(xObjects_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void TPdfResource::WriteIt()
{
    Device();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/ProcSet [/PDF/Text/ImageC]");
    WriteListResReferences("XObject", "/xob", xObjects_, 1);
    WriteObjectEnd();
}
