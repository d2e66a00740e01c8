#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class TBitmap;
class TMetafile;
class TPdfDevice;

// The PDF engine's procedural interface: an opaque environment around one document device,
// properties set by number and actions run by code. The export component drives it; nothing here
// knows the component.

// What the engine tells its caller: code 1 an error (value = error number, Text = message), code 2
// the page count of an input PDF (value), code 3 a request concerning an input PDF, which the
// caller may answer by setting Abort.
struct TPdfEngineMessage {
    int Code = 0;
    int Value = 0;
    const char* Text = "";
    bool Abort = false;
};
using TPdfEngineCallback = void (*)(void* userData, TPdfEngineMessage& message);

// One engine: the device and the state of the current page.
struct TPdfEngineEnv {
    std::unique_ptr<TPdfDevice> Device;
    // Kept as given; the operations do not read them.
    int Param1 = 0;
    int Param2 = 0;
    int Param3 = 0;
    TPdfEngineCallback Callback = nullptr;
    int Rotation = 0;
    int PageWidth = 0;
    int PageHeight = 0;
    int ResolutionX = 0;
    int ResolutionY = 0;
    // Added to converted positions; zero unless a caller writes them.
    int XOrigin = 0;
    int YOrigin = 0;
    // 72 / resolution.
    double XScale = 0;
    double YScale = 0;
    int Color = 0;
    // Subtracted from x before scaling.
    int XOffset = 0;
    int YOffset = 0;
    // Vertical resolution / 72, or 0 at 72.
    double YFactor = 0;
    void* UserData = nullptr;
    // Below 200 the element interpreter reads twips; from 200 on positions are taken as they are.
    int CoordinateUnit = 0;

    TPdfEngineEnv();
    ~TPdfEngineEnv();
};

// The page record; zero-filled by its users.
struct TPdf_InitRec {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t ResolutionX = 0;
    std::int32_t ResolutionY = 0;
    std::int32_t Rotation = 0;
    std::int32_t Color = 0;
    std::int32_t XOffset = 0;
    std::int32_t YOffset = 0;
    std::uint8_t Thumbnail = 0;
    std::int32_t Reserved = 0;
};

// What action 4549 draws: an image already in the document (ImageId 1 or more), else a bitmap, a
// device-independent bitmap or JPEG data, in that order of preference. Positions in page units. A
// device-independent bitmap is drawn as it is made; the others are drawn once made.
struct TPdfGraphicDef {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // In: an image to draw again; out: the image drawn.
    std::int32_t ImageId = 0;
    const TBitmap* Bitmap = nullptr;
    // A BITMAPINFO and its bits, each with its length so that neither is read past its end.
    const void* BitmapInfo = nullptr;
    std::int32_t BitmapInfoSize = 0;
    const void* Bits = nullptr;
    std::int32_t BitsSize = 0;
    const std::uint8_t* JpegData = nullptr;
    std::int32_t JpegLength = 0;
    // 2: JPEG.
    std::int32_t DataKind = 0;
    std::int32_t JpegWidth = 0;
    std::int32_t JpegHeight = 0;
};

// Action 4544: a metafile placed at a rectangle in page units; resolutions of 0 take the header's.
// Without a record or a metafile nothing is played and the action answers -1.
struct TPdfMetafileDef {
    const TMetafile* Metafile = nullptr;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t ResolutionX = 0;
    std::int32_t ResolutionY = 0;
};

// Action 4541: a link area in page units (left, top, right, bottom), to the address Name. With bit 0
// of Flags set, Target is the action text.
struct TPdfLinkDef {
    TRect Rect;
    const char* Name = "";
    std::int32_t Flags = 0;
    const char* Target = "";
};

// Action 4542: a named destination at a point in page units.
struct TPdfDestDef {
    const char* Name = "";
    std::int32_t X = 0;
    std::int32_t Y = 0;
};

// Action 4543: a bookmark on the open page, at Level (1 the top; 0 or less: that many levels up from
// the most recent bookmark's). With bit 1 of Flags set, WideCaption is the caption; else Caption
// (Windows-1252). It leads to the named destination when one is given, else to Rect (page units) of
// the open page, in view TargetKind; Page is not read.
struct TPdfOutlineDef {
    const char* Caption = "";
    const char16_t* WideCaption = u"";
    const char* Destination = "";
    std::int32_t Page = 0;
    TRect Rect;
    std::int32_t Level = 0;
    std::int32_t TargetKind = 0;
    std::int32_t Flags = 0;
};

// Actions 4545 and 4547: a form object by name; its size (4545) or where it is drawn (4547), in
// page units.
struct TPdfXFormDef {
    const char* Name = "";
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// Action 4550: a form field on the page at Rect (page units: left, top, right, bottom). Bit 0 of
// Kind: a check box. Options bit 0: multi-line; bit 1: right aligned; bit 2: centred.
struct TPdfFormFieldDef {
    TRect Rect;
    std::int32_t Kind = 0;
    std::int32_t Options = 0;
    const char* Value = "";
    const char* Hint = "";
    bool Checked = false;
};

// One element of a word processor's paint list. Positions and sizes in the environment's coordinate
// unit (twips below 200, else page units); X and Y of a text run are the start of its baseline.
struct TPdfPaintElement {
    // 0 text, 2 picture, 3 to 6 and 10 lines, 7 a filled rectangle; 1, 8 and 9 draw nothing.
    std::int32_t Kind = 0;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // Text runs.
    const char* FontName = "Arial";
    std::int32_t FontSize = 10;
    // Bit 0 bold, bit 1 italic, bit 2 underline, bit 3 strike-out.
    std::int32_t FontStyle = 0;
    std::int32_t Color = 0;
    // -1: transparent.
    std::int32_t BackgroundColor = -1;
    std::int32_t CharSpacing = 0;
    // One advance per character, or none.
    std::vector<int> CharWidths;
    // Pictures; the image made at the first drawing is kept here.
    const TBitmap* Bitmap = nullptr;
    const std::uint8_t* JpegData = nullptr;
    std::int32_t JpegLength = 0;
    std::int32_t JpegWidth = 0;
    std::int32_t JpegHeight = 0;
    std::int32_t ImageId = 0;
    // Lines.
    std::vector<TPoint> Points;
    std::int32_t PenWidth = 0;
};

// Null when mode is above 2.
TPdfEngineEnv* PDFE_Initialize(int param1, int param2, int param3, int mode, TPdfEngineCallback callback,
                               void* userData);
void PDFE_Finalize(TPdfEngineEnv* env);
// False for an unknown id or a null environment.
bool PDFE_SetIProp(TPdfEngineEnv* env, int id, int value);
bool PDFE_SetSProp(TPdfEngineEnv* env, int id, const char* text);
// -1 for a null environment, a code outside 4533-4551, or 4548, and for an action that needs a
// pointer argument and has none (4549 raises, as for a record without a source). Action 4533
// answers 1 when the file cannot be made, after the callback had it as message 1. Device
// exceptions pass through.
int PDFE_Action(TPdfEngineEnv* env, int code, int value, void* argument);
bool PDFE_InitializePage(TPdfEngineEnv* env, int unused, const TPdf_InitRec& record);
int PDFE_XPOS(const TPdfEngineEnv* env, int x);
int PDFE_YPOS(const TPdfEngineEnv* env, int y);
// Draws one element on the open page: `text` is a text run's text; the rectangle and the two numbers
// are not read. False for a null environment or element and for a kind above 10.
bool _PDFE_ELEMEXEC(TPdfEngineEnv* env, TPdfPaintElement* element, const TRect* rect, const char* text, int value1,
                    int value2);
