#pragma once

#include <string>
#include <string_view>

class DocumentMainWindow;
class PlanogramDocument;

// What the export options dialog sets for web pages.
struct WebPageOptions {
    // A page for each product, linked from its row.
    bool productPages = true;
    // The largest side of a product picture in pixels, as typed; below 1 counts as 150.
    std::string maxWidth = "150";
};

// Writes the document as a small web site in the folder of `fileName`: the display page (the file
// itself) with the wall's picture and a table of every item, and a page with a scaled picture for
// each product the catalog holds, named after its part number (made unique where two part numbers
// give the same file name). Reports its own failures; a picture that cannot be had leaves its page
// without one. A symbolic link at a name the export makes up is replaced, never written through.
void ExportHtml(DocumentMainWindow& mainWindow, PlanogramDocument* document, const std::string& fileName,
                const WebPageOptions& options);

// The text with "<", ">", "&" and '"' as HTML entities.
std::string HtmlEscaped(std::string_view text);
// A part number as a file name that stays in the export's folder: "/", "\", ":", control bytes and a
// leading "." become "_", and an empty one is "_". Other names stay as they are.
std::string SafeFileName(std::string_view partNumber);

struct PictureSize {
    int width = 0;
    int height = 0;
};
// A picture scaled down, keeping its proportions, so that neither side exceeds the limit (below 1
// counts as 150); no side becomes smaller than 1.
PictureSize ScaledPictureSize(int width, int height, int limit);
