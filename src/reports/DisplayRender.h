#pragma once

#include <ctime>
#include <memory>
#include <string>

class DocumentMainWindow;
class PlanogramDocument;
class TBitmap;

// The name a rendered display is stamped with, in Windows-1252: the file name of a saved document,
// "No name" for an untitled one.
std::string StampDocumentName(const PlanogramDocument& document);
// "Document <name> Date d m yyyy. Time h:m", numbers without leading zeros.
std::string ExportStampText(const std::string& name, const std::tm& time);

// Draws the whole wall of the document into `target` (sized by the caller at twice the back bitmap)
// at double scale, with high-resolution pictures where they exist, for the export and the PDF. The
// main window's progress bar steps once per item and is left at 0; its print-cancel flag is cleared
// first and, found set before an item, ends the render. False without a target or a document, and
// when cancelled; the target stays the caller's.
bool RenderDisplayBitmap(DocumentMainWindow& mainWindow, PlanogramDocument* document, TBitmap* target);

// A 24-bit bitmap twice the size of the back bitmap, for RenderDisplayBitmap; null when it cannot be
// had.
std::unique_ptr<TBitmap> DoubleSizeBitmap(const TBitmap& back);
