#include "pdf/PdfAcroForm.h"

#include "pdf/PdfTypes.h"

namespace {

// Helvetica, Courier, Times and ZapfDingbats, the first three in the Windows encoding.
constexpr const char* DefaultResourcesText =
    "/ProcSet [ /PDF/Text ]\r"
    "/Font << /Helv << /Type/Font /Subtype/Type1/BaseFont/Helvetica/Encoding/WinAnsiEncoding >>\r"
    "/Cour << /Type/Font /Subtype/Type1/BaseFont/Courier/Encoding/WinAnsiEncoding >>\r"
    "/Times << /Type/Font /Subtype/Type1/BaseFont/Times-Roman/Encoding/WinAnsiEncoding >>\r"
    "/ZaDb << /Type/Font /Subtype/Type1/BaseFont/ZapfDingbats >> >>";

} // namespace

TPdfAcroForm::~TPdfAcroForm() = default;

void TPdfAcroForm::WriteIt()
{
    Device();
    if (defaultResources_ == nullptr) {
        defaultResources_ = std::make_unique<TPdfString>(Owner(), DefaultResourcesText, true);
        defaultResources_->WriteIt();
    }
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Type/AcroForm");
    WriteListReferences("Fields", fields_);
    RawWriteLN("/NeedAppearances true");
    RawWriteLN("/DR " + defaultResources_->AsReferenceString());
    RawWriteLN("/DA (/Helv 0 Tf 0 g )");
    WriteObjectEnd();
}
