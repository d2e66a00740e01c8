// The metafile loader and the EMF record reader on arbitrary bytes: they may refuse a metafile, never
// crash, overrun or hang; what loads saves back as the same bytes, and every record's fields are
// read through the reader the player uses for its type.
#include "FuzzSupport.h"

#include "platform/core/Streams.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/Metafile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void ReadFields(const TEmfRecord& record)
{
    const std::uint32_t type = record.Type();
    if ((type >= EMR_POLYBEZIER && type <= EMR_POLYLINETO) || (type >= EMR_POLYBEZIER16 && type <= EMR_POLYLINETO16))
        ReadEmfPoints(record);
    else if (type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYGON || type == EMR_POLYPOLYLINE16 ||
             type == EMR_POLYPOLYGON16)
        ReadEmfPolyPoly(record);
    else if (type == EMR_POLYDRAW || type == EMR_POLYDRAW16)
        ReadEmfPolyDraw(record);
    else if (type == EMR_CREATEPEN || type == EMR_EXTCREATEPEN)
        ReadEmfPen(record);
    else if (type == EMR_CREATEBRUSHINDIRECT)
        ReadEmfBrush(record);
    else if (type == EMR_EXTCREATEFONTINDIRECTW)
        ReadEmfFont(record);
    else if (type == EMR_EXTTEXTOUTA || type == EMR_EXTTEXTOUTW)
        ReadEmfText(record);
    else if (type == EMR_BITBLT || type == EMR_STRETCHBLT)
        ReadEmfBitBlt(record);
    else if (type == EMR_STRETCHDIBITS)
        ReadEmfStretchDIBits(record);
    else if (type == EMR_CREATEPALETTE)
        ReadEmfPalette(record);
    else if (type == EMR_GDICOMMENT)
        ReadEmfComment(record);
    else if (type >= EMR_FILLRGN && type <= EMR_EXTSELECTCLIPRGN)
        ReadEmfRegion(record);
    // The walk has checked the size against the type's fixed fields, so reading them never fails.
    for (std::size_t at = 8; at + 4 <= EmfMinimumRecordSize(type); at += 4)
        record.U32(at);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile file("emf", ".emf", data, size);
    TMetafile metafile;
    try {
        metafile.LoadFromFile(file.Path());
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    TMemoryStream saved;
    metafile.SaveToStream(saved);
    const std::vector<std::uint8_t>& bytes = metafile.Data();
    if (static_cast<std::size_t>(saved.Size()) != bytes.size() ||
        !std::equal(bytes.begin(), bytes.end(), saved.Memory()))
        std::abort();
    try {
        TEmfReader reader(bytes);
        while (const auto record = reader.Next())
            ReadFields(*record);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
