#pragma once

#include "pdf/PDFR1.h"

// The export component the program uses: the export with its JPEG conversion and metafile
// debugging settings open to the caller.
class TPdfPrinter : public TPdfCustomExport {
public:
    using TPdfCustomExport::ConvertJPEGData;
    using TPdfCustomExport::DebugMetafilePath;
    using TPdfCustomExport::DebugMode;
};
