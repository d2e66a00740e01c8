#pragma once

#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/ImageGraphic.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Graphic.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"

#include <string>
#include <vector>

// The message a reader's load of the stream raises, "(loaded)" when it raises none. A refusal must
// be one of the readers' own errors; any other exception fails the test that meets it.
inline std::string LoadError(TGraphic& reader, TStream& stream)
{
    try {
        reader.LoadFromStream(stream);
    } catch (const EInvalidGraphic& error) {
        return error.Message();
    } catch (const EColorConversionError& error) {
        return error.Message();
    } catch (const EGraphicCompression& error) {
        return error.Message();
    }
    return "(loaded)";
}

inline std::string LoadError(TGraphic& reader, const std::string& bytes)
{
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    return LoadError(reader, stream);
}

// LoadError and the most memory the load took (MeasureWork).
inline MeasuredWork MeasuredLoad(TGraphic& reader, const std::string& bytes)
{
    return MeasureWork([&] { return LoadError(reader, bytes); });
}

// The bytes a load of the bytes reads, whether it loads them or refuses them (`error` says which):
// the work a hostile file makes.
inline std::int64_t BytesReadLoading(TGraphic& reader, const std::string& bytes, std::string& error)
{
    struct TCountingStream : TMemoryStream {
        std::int64_t Read(void* buffer, std::int64_t count) override
        {
            const std::int64_t got = TMemoryStream::Read(buffer, count);
            read += got;
            return got;
        }
        std::int64_t read = 0;
    } stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    error = LoadError(reader, stream);
    return stream.read;
}

// Each progress event of the graphic as "stage percent redraw left,top,right,bottom message".
inline void RecordProgress(TGraphic& graphic, std::vector<std::string>& events)
{
    graphic.OnProgress = [&events](TGraphic&, TProgressStage stage, std::uint8_t percent, bool redraw,
                                   const TRect& rect, const std::string& message) {
        events.push_back(std::to_string(stage) + " " + std::to_string(percent) + " " + std::to_string(redraw) + " " +
                         std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," + std::to_string(rect.Right) +
                         "," + std::to_string(rect.Bottom) + " " + message);
    };
}

// A reader's content test of the bytes; it must leave the stream where it was.
inline bool CanLoadBytes(const TImageGraphic& reader, const std::string& bytes)
{
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    const bool canLoad = reader.CanLoad(stream);
    EXPECT_EQ(stream.Position(), 0);
    return canLoad;
}
