#pragma once

#include "pdf/PdfFileWriter.h"
#include "pdf/PdfFont.h"
#include "pdf/PdfGdiTypes.h"
#include "pdf/PdfGenericPSDevice.h"
#include "pdf/Pdfengine.h"
#include "platform/core/Component.h"
#include "platform/core/StringList.h"
#include "platform/graphics/MetafileCanvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TBitmap;
class TGraphic;
class TMetafile;
class TStream;

enum TPdfReadMode { peReadStandard, peRetrieveASCII, peRetrieveEMF, peRetrieveBMP };
enum TPdfCanvasReference { perefScreen, perefPrinter };
enum TPdfPageMode { pwUseNone, peUseOutlines, peUseThumbs, peFullScreen };
enum TPdfZoomMode { pwZoomDefault, pwZoomFitPage, pwZoomFitVertical, pwZoomFitHorizontal };
enum TPdfEncryptionFlag { peEncryptFile, peEnablePrinting, peEnableChanging, peEnableCopying, peEnableForms };
using TPdfEncryption = TPdfSet<TPdfEncryptionFlag>;
enum TPdfSecurityLevel { pep40bit, pep128bit };
enum TPdfJPEGQuality { peNoJPEG, peJPEG_10, peJPEG_25, peJPEG_50, peJPEG_75, peJPEG_100 };
enum TPdfExtraMessage { peOnEmbedFonts };
using TPdfExtraMessages = TPdfSet<TPdfExtraMessage>;
enum TPdfInputFileMode { pwIgnoreInput, pwAppendToInput, peConvertInputToWatermark, peUseInputAsWatermark };

// The document information the export writes into the file. A date of 0 is not set: the document
// then carries the day it was begun.
class TPdfExportInfo {
public:
    // The producer every file names unless the caller gives another.
    static constexpr const char* DefaultProducer = "Kestrame PDF";

    void Assign(const TPdfExportInfo& source) { *this = source; }

    std::string Author;
    // OLE dates (days since 1899-12-30).
    double CreationDate = 0;
    double ModificationDate = 0;
    std::string Producer = DefaultProducer;
    std::string Title;
    std::string Subject;
    std::string Keywords;
};

// The engine functions the export calls; the real ones unless a test records or fails them.
struct TPdfEngineCalls {
    std::function<TPdfEngineEnv*(int, int, int, int, TPdfEngineCallback, void*)> Initialize = PDFE_Initialize;
    std::function<void(TPdfEngineEnv*)> Finalize = PDFE_Finalize;
    std::function<bool(TPdfEngineEnv*, int, int)> SetIProp = PDFE_SetIProp;
    std::function<bool(TPdfEngineEnv*, int, const char*)> SetSProp = PDFE_SetSProp;
    std::function<int(TPdfEngineEnv*, int, int, void*)> Action = PDFE_Action;
    std::function<bool(TPdfEngineEnv*, int, const TPdf_InitRec&)> InitializePage = PDFE_InitializePage;
};

// Makes PDF files: the caller sets the properties, begins a document, draws each page on the
// canvas GetCanvas gives or with the drawing calls, and ends the document, which writes the file.
// All PDF work is the engine's; this translates properties into engine settings and calls into
// engine actions. Any exception while a document is open drops the document (the file being
// written goes, an older file of the name stays) before it reaches the caller.
class TPdfCustomExport : public TComponent {
public:
    using TNotifyEvent = std::function<void(TPdfCustomExport& sender)>;
    using TErrorEvent = std::function<void(TPdfCustomExport& sender, int number, const std::string& text)>;
    using TGaugeEvent = std::function<void(TPdfCustomExport& sender, int value)>;
    // Answers the watermark of a page: a metafile, or the name of a metafile file, or neither.
    using TWatermarkEvent = std::function<void(TPdfCustomExport& sender, int pageNumber, const TMetafile*& metafile,
                                               std::string& fileName)>;
    using TEngineMessageEvent = std::function<void(TPdfCustomExport& sender, TPdfEngineMessage& message)>;

    TPdfCustomExport();
    ~TPdfCustomExport() override;

    // Raises "No filename or InMemoryMode was specified!", "Initialization of PDF Engine failed"
    // and "Error in BeginDoc!" (with the engine's error after it, as the file that could not be made
    // and the system's reason). Does nothing more while a document is open.
    virtual void BeginDoc();
    // Width and height in units of the resolutions (per inch); a resolution of 0 is 72. Raises
    // "StartPage is only allowed within StartDoc and EndDoc!" outside a document.
    virtual void StartPage(int width, int height, int resolutionX, int resolutionY, int rotation);
    // The page's canvas, made at the first call: one canvas unit is one page unit.
    TMetafileCanvas& GetCanvas();
    // Plays what was drawn on the canvas into the page or form.
    virtual void CloseCanvas();
    virtual void EndPage();
    // Writes the file (or the output stream) and closes the document; opens the file in the
    // desktop's viewer with AutoLaunch.
    virtual void EndDoc();
    // Asks the engine to stop when it next asks.
    virtual void Abort() { abortRequested_ = true; }

    // Drawing on the open page, in page units. Each answers the image id, or -1 for none.
    // Raises "Cannot convert " + the class name for a graphic that is neither a bitmap nor a metafile.
    int DrawTGraphic(int x, int y, int width, int height, const TGraphic* graphic);
    int DrawBitmap(int x, int y, int width, int height, const TBitmap& bitmap);
    // A BITMAPINFO and its bits.
    int DrawDIBBitmap(int x, int y, int width, int height, std::span<const std::uint8_t> bitmapInfo,
                      std::span<const std::uint8_t> bits);
    int DrawJPEG(int x, int y, int width, int height, int pictureWidth, int pictureHeight,
                 std::span<const std::uint8_t> data);
    // Places an image already in the document again.
    int DrawBitmapClone(int x, int y, int imageId, int width, int height);
    // Loads the file by its extension.
    int DrawGraphicFile(int x, int y, int width, int height, std::string_view fileName);
    void DrawMetafile(int x, int y, const TMetafile& metafile);
    // A size of 0 takes the metafile's; resolutions of 0 take its header's.
    void DrawMetafileEx(int x, int y, int width, int height, const TMetafile& metafile, int resolutionX,
                        int resolutionY);

    // A named destination on the open page.
    void SetBookmark(std::string_view name, int x, int y);
    // A link area to `name`: a web address ("http://..."), a file ("Launch://..." or "GoToR://...")
    // or a named destination.
    void SetLinkArea(std::string_view name, const TRect& rect);
    // Bookmarks at a level (1 the top), answering the node's number: to a named destination, or to
    // a place on the open page.
    int SetOutline(std::string_view caption, std::string_view destination, int level);
    int SetOutlineXY(std::string_view caption, int x, int y, int level);
    int SetOutlineW(std::u16string_view caption, std::string_view destination, int level);
    int SetOutlineXYW(std::u16string_view caption, int x, int y, int level);
    void SetOutlineCharset(int charset);

    // Form objects drawn into a rectangle; watermarks over the whole page.
    void UseXForm(std::string_view name, int x, int y, int width, int height);
    void UseWatermark(std::string_view name);
    // A size of 0 is the page's.
    void UseWatermarkEx(std::string_view name, int x, int y, int width, int height);
    // Page `page` (from 1) of the input PDF; nothing outside its pages.
    void UsePDFWatermark(int page);
    // Opens a form object that GetCanvas then draws on, until EndWatermark.
    void StartWatermark(std::string_view name, int width, int height, int resolutionX, int resolutionY);
    void EndWatermark();

    void EnlargeFontWidth(int percent);
    void InitDC();
    int Command(std::string_view text, int value);

    // With true, the reference device of the canvases becomes the default printer's (with
    // CanvasReference perefPrinter and a printer installed), else the screen.
    void UpdateReferenceCanvas(bool active);

    TPdfJPEGQuality JPEGQuality() const { return jpegQuality_; }
    void SetJPEGQuality(TPdfJPEGQuality quality);
    TPdfDevModes Modes() const { return modes_; }
    void SetModes(TPdfDevModes modes);
    TPdfOptions Options() const { return options_; }
    void SetOptions(TPdfOptions options);
    const TPdfExportInfo& Info() const { return info_; }
    void SetInfo(const TPdfExportInfo& info) { info_.Assign(info); }
    const TStringList& ExcludedFonts() const { return excludedFonts_; }
    void SetExcludedFonts(const TStringList& fonts) { excludedFonts_ = fonts; }

    // The document goes to this stream instead of a file; never owned.
    void SetOutputStream(TStream* stream) { outputStream_ = stream; }
    void SetEngineCalls(TPdfEngineCalls calls) { engine_ = std::move(calls); }
    bool DocumentOpen() const { return documentOpen_; }
    bool PageOpen() const { return pageOpen_; }

    TPdfReadMode PDFReadMode = peReadStandard;
    TPdfCanvasReference CanvasReference = perefScreen;
    std::string Filename;
    bool AutoLaunch = false;
    TPdfEncodeMethod EncodeStreamMethod = peEncodeNone;
    TPdfCompressMethod CompressStreamMethod = peCompressNone;
    bool CreateThumbnails = false;
    bool CreateOutlines = false;
    TPdfPageMode PageMode = pwUseNone;
    TPdfZoomMode ZoomMode = pwZoomDefault;
    TPdfFontMode FontMode = peUseTrueTypeFonts;
    TPdfEncryption Encryption;
    TPdfSecurityLevel Security = pep40bit;
    std::string UserPassword;
    std::string OwnerPassword;
    bool InMemoryMode = false;
    TPdfExtraMessages ExtraMessages;
    TPdfInputFileMode InputfileMode = pwIgnoreInput;
    std::string InputFile;

    TNotifyEvent BeforeBeginDoc;
    TNotifyEvent AfterBeginDoc;
    TNotifyEvent BeforeEndDoc;
    TNotifyEvent AfterEndDoc;
    TErrorEvent OnError;
    TGaugeEvent OnUpdateGauge;
    // Not published: the program sets none of these.
    TWatermarkEvent OnWatermark;
    TEngineMessageEvent OnInputPdf;
    TEngineMessageEvent OnRetrieve;

protected:
    // Called by BeginDoc with page -1; an override that fills the record and sets
    // startPageInBeginDoc_ starts the first page inside BeginDoc.
    virtual void PreparePage(int pageNumber, TPdf_InitRec& record);

    bool startPageInBeginDoc_ = false;
    bool ConvertJPEGData = false;
    bool DebugMode = false;
    std::string DebugMetafilePath;

private:
    // A watermark drawn once into a form object, found again by its metafile or its file name.
    struct TWatermarkEntry {
        const TMetafile* metafile = nullptr;
        std::string fileName;
    };

    static void EngineMessage(void* userData, TPdfEngineMessage& message);
    void HandleEngineMessage(TPdfEngineMessage& message);

    // Runs a step of an open document; on any exception the document is dropped first.
    template <typename Step> decltype(auto) Guarded(Step&& step);
    void DropDocument();
    void FinalizeEngine();
    void FreeCanvas();

    void OpenDocument();
    void CreateEngine();
    void PassProperties();
    void PassInformation();
    void StartDocument();

    void CheckDocumentOpen() const;
    // Page start and form start share this; a form has a name.
    void StartPageOrForm(int width, int height, int resolutionX, int resolutionY, int rotation,
                         const std::string* formName);
    // The index of the next page's watermark in watermarks_, or none.
    std::optional<int> WatermarkOfPage(int width, int height, int resolutionX, int resolutionY);
    void WriteDebugMetafile(const TMetafile& metafile);
    void WriteOutputStream();
    int DrawImage(TPdfGraphicDef& graphic);
    // A bookmark to the named destination, or without one to the place on the open page.
    int AddOutline(TPdfOutlineDef& outline, std::string_view destination, TPoint place, int level);
    int Action(int code, int value = 0, void* argument = nullptr);
    void SetIProp(int id, int value);
    void SetSProp(int id, const std::string& text);

    TPdfEngineCalls engine_;
    TPdfEngineEnv* environment_ = nullptr;
    TPdfExportInfo info_;
    TStringList excludedFonts_;
    TPdfJPEGQuality jpegQuality_ = peNoJPEG;
    TPdfDevModes modes_;
    TPdfOptions options_;

    std::optional<TReferenceDevice> referenceDevice_;
    bool documentOpen_ = false;
    bool pageOpen_ = false;
    bool abortRequested_ = false;
    int pageCounter_ = 0;
    int inputPageCount_ = 0;
    // The text of the engine's last error message.
    std::string lastEngineError_;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
    int resolutionX_ = 72;
    int resolutionY_ = 72;
    // The canvas records into the metafile: declared after it, so that it is freed first.
    std::unique_ptr<TMetafile> metafile_;
    std::unique_ptr<TMetafileCanvas> canvas_;
    TPdf_InitRec pageRecord_;
    TStream* outputStream_ = nullptr;
    std::vector<TWatermarkEntry> watermarks_;
};
