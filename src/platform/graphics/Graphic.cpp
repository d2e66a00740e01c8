#include "platform/graphics/Graphic.h"

#include "platform/core/Streams.h"

void TGraphic::LoadFromFile(std::string_view fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(std::string_view fileName) const
{
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SaveToFile(fileName);
}

void TGraphic::Assign(const TGraphic& source) { AssignError(source); }

void TGraphic::AssignTo(TBitmap&) const { throw EConvertError("Cannot assign a " + ClassName() + " to a TBitmap"); }

void TGraphic::Progress(TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const TRect& rect,
                        const std::string& message)
{
    if (OnProgress)
        OnProgress(*this, stage, percentDone, redrawNow, rect, message);
}

void TGraphic::AssignError(const TGraphic& source) const
{
    throw EConvertError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}
