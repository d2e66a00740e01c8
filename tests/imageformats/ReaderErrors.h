#pragma once

#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "platform/graphics/Graphic.h"

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
