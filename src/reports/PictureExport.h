#pragma once

#include "reports/HtmlExport.h"

#include <string>

class DocumentMainWindow;
class PlanogramDocument;

// The export dialog's file types, by its filter index.
enum ExportType { etJPEG = 1, etBitmap = 2, etTIFF = 3, etWebPage = 4, etTarga = 5 };

// The export dialog's filter, one entry per type in filter-index order.
extern const char* const ExportFilter;

// What the export options dialog chose.
struct ExportSettings {
    // Drawn afresh at twice the screen scale rather than copied from the back bitmap.
    bool highResolution = false;
    int jpegQuality = 80;
    bool progressive = true;
    // TIFF files in Motorola byte order ("MM") rather than Intel ("II").
    bool macintoshByteOrder = false;
    WebPageOptions web;
};

// Writes the document's wall to the file as the type of the filter index says. Once the picture is
// made, `defaultExtension` becomes the type's extension, for the next export. Failures are reported
// by their messages (the picture writers' own among them); other indexes write nothing.
void ExportDisplay(DocumentMainWindow& mainWindow, PlanogramDocument& document, int filterIndex,
                   const std::string& fileName, const ExportSettings& settings, std::string& defaultExtension);
