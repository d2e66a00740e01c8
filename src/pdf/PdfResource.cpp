#include "pdf/PdfResource.h"

#include "pdf/PdfStream.h"

TPdfResource::~TPdfResource() = default;

int TPdfResource::AddXObject(std::unique_ptr<TPdfStream> stream, std::string name)
{
    xObjects_.push_back({std::move(name), stream.get()});
    owned_.push_back(std::move(stream));
    return XObjectCount();
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
