#include "pdf/PdfDevice.h"

#include "pdf/PdfLink.h"
#include "pdf/PdfPageTree.h"
#include "platform/core/Exceptions.h"

void TPdfDevice::PSCreateHyperLink(int x, int y, int width, int height, std::string_view address,
                                   std::string_view action)
{
    if (page_ == nullptr)
        throw Exception("No page active!");
    auto link =
        page_->AddIndexLink(TRect{x, y, PdfRound(double(x) + width), PdfRound(double(y) + height)}, address, action);
    link->Destination = [this](std::string_view name) { return DestAsString(nullptr, 0, 0, 0, 0, 0, 0, name); };
    AddLinkAnnotation(std::move(link));
}
