#pragma once

#include "platform/core/UiServices.h"
#include "platform/graphics/Colors.h"

#include <optional>
#include <string>
#include <vector>

// What the Document Setup dialog holds when it closes with OK, by its controls' names.
struct DocumentSetupValues {
    // The "Display based on Template" page was active.
    bool templatePage = false;
    std::string templateFile;
    // 0..2 choose a preset edit, 3 the custom text.
    int RadioGroupW = 0;
    int RadioGroupH = 0;
    std::string edWidth1 = "100", edWidth2 = "200", edWidth3 = "300", txtWidth;
    std::string edHeight1 = "189", edHeight2 = "200", edHeight3 = "250", txtHeight;
    // 0 "Peg Board", 1 "Solid", 2 "Slatwall", 3 "Image".
    int SelectWallBG = 0;
    // The background picture chosen for "Image".
    std::string pictureFileName;
    TColor panelColor = clWhite;
    // The catalog chosen in CatList; empty when none is.
    std::string catalogFile;
    // False when the catalog was not offered (an open display keeps its own): then no catalog is
    // demanded and none is stored.
    bool catalogAsked = true;
    std::string ed1PegTop = "4", ed1PegLeft = "4", ed1PegRight = "4", ed1PegBottom = "4";
    std::string edVPegSpace = "4", edHPegSpace = "4", edPegRad = "1", edPegDepth = "13";
};

// A message box to show: text, caption and icon.
struct SetupMessage {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
};

// The display a valid setup describes, in document units (quarter centimetres).
struct DisplaySetup {
    // 0 invalid, 1 valid, 2 no catalog chosen.
    int result = 0;
    std::optional<SetupMessage> message;
    int displayWidth = 0, displayHeight = 0;
    // The custom texts as numbers (user units); 0 when a text is not a number.
    float typedWidth = 0, typedHeight = 0;
    double pegHoleSize = 0;
    int pegPitchV = 0, pegPitchH = 0;
    int pegFirstX = 0, pegFirstY = 0, pegLastX = 0, pegLastY = 0;
    double pegDepth = 0;
    int pegDepthUnits = 0;
    // Peg board or slatwall: the holes are drawn.
    bool pegHolesShown = false;
    // An image wall with backgroundPath as its picture.
    bool backgroundMode = false;
    std::string backgroundPath;
    TColor backgroundColor = clWhite;
};

// Checks the setup values and computes the display they describe, with `inches` telling the unit
// of every typed value. Every number must be a number as a whole; the width and height, preset or
// custom, must lie within 30..3000 cm or 12..1200 inches; a catalog must be chosen where one was
// asked; peg values may not be negative. The template page gives result 0 with no message:
// templates open as planogram files.
DisplaySetup ValidateDisplaySize(const DocumentSetupValues& values, bool inches);

// The size rule: nothing when the width and the height are numbers within 30..3000 cm or
// 12..1200 inches, else the alert for the first that is not.
std::optional<SetupMessage> DisplaySizeRefusal(const std::string& width, const std::string& height, bool inches);
// The peg rule: the values as numbers when every text is a number of 0 or more, else nothing.
std::optional<std::vector<double>> PegValues(const std::vector<std::string>& texts);
// The alert for peg values that break the peg rule.
SetupMessage PegValueRefusal();

// The strict reading of a typed number: the whole text (blanks around it aside) is one decimal
// number; nothing otherwise.
std::optional<double> TypedNumber(const std::string& text);

// The Document Setup dialog as the document shows it.
class DocumentSetupDialog {
public:
    virtual ~DocumentSetupDialog() = default;
    // Shows the dialog modally; nothing when it is cancelled.
    virtual std::optional<DocumentSetupValues> ShowModal() = 0;
    // Hides the catalog group (the Document Setup command of an open display) or shows it.
    virtual void SetHideCatalogs(bool hide) = 0;
    // Forgets the background picture chosen last.
    virtual void ClearPictureFileName() = 0;
};
