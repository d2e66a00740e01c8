#pragma once

#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/ImageGraphic.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Graphic.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"

#include <string>

// The message a reader's load of the bytes raises, "(loaded)" when it raises none. A refusal must
// be one of the readers' own errors; any other exception fails the test that meets it.
inline std::string LoadError(TGraphic& reader, const std::string& bytes)
{
    try {
        LoadFromBytes(reader, bytes);
    } catch (const EInvalidGraphic& error) {
        return error.Message();
    } catch (const EColorConversionError& error) {
        return error.Message();
    } catch (const EGraphicCompression& error) {
        return error.Message();
    }
    return "(loaded)";
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
