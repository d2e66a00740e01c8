#include "pdf/PdfAcroForm.h"

#include "pdf/PdfDeviceWorkBuffer.h"
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

TPdfString& TPdfAcroForm::DefaultResources()
{
    if (defaultResources_ == nullptr)
        defaultResources_ = std::make_unique<TPdfString>(Owner(), DefaultResourcesText, true);
    return *defaultResources_;
}

void TPdfAcroForm::WriteIt()
{
    Device();
    TPdfString& resources = DefaultResources();
    if (!resources.Written())
        resources.WriteIt();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Type/AcroForm");
    WriteListReferences("Fields", fields_);
    RawWriteLN("/NeedAppearances true");
    RawWriteLN("/DR " + resources.AsReferenceString());
    RawWriteLN("/DA (" + PdfCleanString(EncryptStr(DefaultAppearance)) + ")");
    WriteObjectEnd();
}
