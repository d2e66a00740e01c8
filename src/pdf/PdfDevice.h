#pragma once

#include "pdf/PdfFileWriter.h"
#include "pdf/PdfFont.h"
#include "pdf/PdfGenericPSDevice.h"
#include "pdf/PdfInfo.h"
#include "pdf/PdfSecurity.h"
#include "platform/core/StringList.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TBitmap;
class TGraphic;
class TMetafile;
class TPdfAcroForm;
class TPdfCatalog;
class TPdfEncryptInfo;
class TPdfInputFile;
class TPdfInputObjects;
class TPdfOutlineNode;
class TPdfPage;
class TPdfResource;
class TPdfStream;
class TStream;
struct TPdfImagePixels;
struct TPdfInputPage;

// A named destination: a place on a page, in device units at the resolution the device had when it
// was named, as pages of one document may have different resolutions.
struct TPdfDestName {
    TPdfPage* page = nullptr;
    int x = 0;
    int y = 0;
    TSize resolution;
};

// A font program stream; only the ones a font marked as needed are written. The key is the font's
// name, trimmed and upper-cased.
struct TPdfFontStreamEntry {
    std::unique_ptr<TPdfStream> stream;
    bool needed = false;
    std::string key;
};

// The PDF document: one per file. It owns the file writer and every object of the document, opens
// pages and their content streams, and writes the header, the document-level objects and the
// trailer. File output reaches the file only when the document ends well; until then an older file
// of the name stays as it was.
class TPdfDevice : public TPdfGenericPSDevice {
public:
    // Points per inch: PDF's unit.
    static constexpr int DefaultResolution = 72;

    TPdfDevice();
    ~TPdfDevice() override;

    // Raises "Device is not open!" or "Page has not been started!".
    virtual void Check();
    // Drops the output and every object of the document.
    virtual void Finish();
    // False when the file could not be made and the quiet flag was set (which it clears); else
    // raises "Cannot create file " + name.
    virtual bool BeginDoc(int width, int height, int resolution);
    virtual void EndDoc();
    virtual void EndPage();
    // Raises "PDF Engine in read-only mode!" and "Last Page has not been closed!". A size or
    // resolution of 0 or less keeps the previous page's.
    virtual void StartPage(int width, int height, int resolutionX, int resolutionY, int rotation);
    virtual void WriteFileStartCodes();
    virtual void WriteFileEndCode();

    // Starts a page of the given size in square pixels of the larger extent; false when a page is
    // open already or the device is closed.
    bool CheckOpenPage(int width, int height, int xExtent, int yExtent) override;
    void CheckCloseOpenPage(bool opened) override;
    // Opens the page's content stream at the first drawing.
    bool PSCheckOutput() override;
    // Ends the content stream and writes it.
    void CloseCurrentText();

    // Plays the metafile's records, placed as PlayEnhMetaFile places them, on the open page or on a
    // page opened and ended for them. With output open they start from a fresh device context;
    // afterwards the device context is as it was, also when a record raises.
    bool PlayMetafile(const TMetafile& metafile, int x, int y, int width, int height, int resolutionX, int resolutionY);

    // Image XObjects: each is written at once, so that it precedes the page that shows it, and
    // answers its number, or -1 when none was made. A bitmap that gives no image, a metafile (which
    // reaches pages through PlayMetafile) and data of a format other than 2 (JPEG) report error 2.
    int AddXBitmap(const TBitmap& bitmap);
    int AddXBitmapData(std::span<const std::uint8_t> data, int width, int height, int format);
    int AddXObject(const TGraphic& graphic);
    // Mode 1 makes a page thumbnail's image: no type and name, never JPEG. Nothing for an empty
    // bitmap or a metafile.
    std::unique_ptr<TPdfStream> CreateXObjectStream(const TGraphic& graphic, int mode);
    std::unique_ptr<TPdfStream> CreateXBitmapStream(const TBitmap& bitmap, int mode);
    // Places image `number` on the page, in logical units; nothing for a number below 1 or a size
    // of 0.01 or less.
    void DrawXObject(int number, double x, double y, double width, double height);
    // A metafile's bitmap becomes an image drawn into the destination; one it cannot read reports
    // error 2 and draws nothing.
    int PSStretchDIBits(bool rgbColors, double x, double y, double width, double height, const TRect& source,
                        bool mayCrop, std::span<const std::uint8_t> bits, std::span<const std::uint8_t> bitmapInfo,
                        std::span<const std::uint8_t> colorTable, std::uint32_t rop) override;

    // Form XObjects: content recorded once and drawn by name. StartXForm ends an open form, raises
    // "Stream is active - XForm may not be created!" while a page is open, and makes the form the
    // content that drawing goes to until EndXForm; a resolution of 0 keeps the page's. A form drawn
    // with a vertical offset is moved by it, and one linked to a nested form draws that one after it.
    void StartXForm(std::string_view name, int width, int height, int resolutionX, int resolutionY, int offset = 0,
                    std::string_view nested = {});
    void EndXForm();
    // The form stream, started and listed under `name` (else "xob" + its number). Empty texts take
    // the defaults: the resources of object `resourcesObject`, else the document's, and the box of
    // the size. The matrix scales by scaleX / 72 and scaleY / 72.
    TPdfStream& AddXFORM(std::string_view name, int width, int height, std::string_view bbox,
                         std::string_view resources, int resourcesObject, double scaleX = 72, double scaleY = 72,
                         int offset = 0, std::string_view nested = {});
    // A form of an input page: its content undone, its resources carried over, its media box as
    // the form's box.
    void AddXFORMFromInputFile(std::string_view name, const TPdfInputPage& page);
    // Nothing for a name no form was added under, or for a form already being drawn.
    void DrawXForm(std::string_view name);
    // The form scaled into the rectangle, in logical units as DrawXObject places images.
    void DrawXForm(std::string_view name, double x, double y, double width, double height);

    // Text through the document's fonts. The font of the device context becomes the resources'
    // current font; without an open document the defaults of the content-stream device answer.
    void PSWriteTextAttributes(TPdfDeviceWorkBuffer* buffer, double size) override;
    int PSGetFontWidth() override;
    void PSFontHeight(int& ascent, int& cellHeight, double size) override;
    int PSTextWidth(std::string_view text, double size) override;
    int PSTextWidthW(std::u16string_view text, double size) override;
    bool PSTextWidthArray(std::string_view text, double size, int scale, std::span<int> widths) override;
    bool PSTextWidthArrayW(std::u16string_view text, double size, int scale, std::span<int> widths) override;
    // The current font's code page; a character it cannot hold becomes a blank, unless the whole
    // text lies in the symbol range, which a symbol font shows by its low bytes.
    std::string PSWideCharToMultiByte(std::u16string_view text) override;
    void PSUsedChars(std::string_view text) override;
    void PSUsedCharsW(std::u16string_view text) override;
    // A link on the open page's rectangle (points), to the address or, when given, doing the action.
    // Raises "No page active!".
    void PSCreateHyperLink(int x, int y, int width, int height, std::string_view address,
                           std::string_view action) override;
    // Links (501), named destinations (502), bookmarks (503-505) and forms drawn (506) that a
    // drawing embeds; the rectangle in points from the page's top, as the comment is played. Other codes do nothing.
    void PSCommand(const TRect& rect, int code, std::string_view text) override;
    // A form field on the open page's rectangle (points, upward). The text is the field's kind,
    // "001" for a check box and any other three characters for a text field, then its dictionary;
    // a check box is checked by "/AS/Yes", a text field shows its "/V(...)". Raises "No page active!".
    void AddFormElement(std::string_view text, const TRect& rect);
    // The number of the next field's name "Field" + number: 1 for a document's first.
    int NextFieldNumber() { return ++fieldCount_; }

    // Paints a rectangle of the open page (not a form) into its thumbnail, in logical units.
    void PSThumbnailFillRect(int x, int y, int width, int height, TColor color) override;

    // Output; each raises "Device not open" without an open document.
    void RawWrite(std::string_view bytes);
    void RawWriteLN(std::string_view bytes);
    void RawWriteW(std::u16string_view text);
    void WriteObject(TPdfCustomType& object);
    void WriteObjectReference(TPdfCustomType& object);
    // The caller's stream for the next document, never freed here; nullptr: the device's own output.
    void SetOutStream(TStream* stream) { callerStream_ = stream; }
    void SetInfo(const TPdfDeviceInfoBlock& block) { infoBlock_.Assign(block); }
    const TPdfDeviceInfoBlock& Info() const { return infoBlock_; }
    std::int64_t GetSize() const;
    std::int64_t GetBuf(std::int64_t length, void* buffer) const;
    void WriteToBuffer(void* buffer, std::int64_t length) const;
    // Nothing for read-only output.
    void WriteToFile(std::string_view fileName);
    void WriteToStream(TStream& stream) const;

    // Hands the message of the code to every listener that is set; raises nothing.
    void Error(int code, std::string_view text);
    static std::string ErrorMessage(int code, std::string_view text);

    // Bookmarks and named destinations; both need an open page. Answers the node's number.
    int AddOutlineNode(std::unique_ptr<TPdfOutlineNode> node, int mode, int number);
    void AddDestName(std::string_view name, int x, int y);
    // "/Dest [ page view]"; a name replaces page, place, mode, zoom and resolution, and an unknown
    // one reports error 1 and answers nothing. The place is in device units at `resolution`, the
    // device's own when none is given.
    std::string DestAsString(TPdfPage* page, int mode, int x, int y, int width, int height, int zoom,
                             std::string_view name, TSize resolution = {});

    // Written at the end of the document; the page that shows one refers to it.
    void AddLinkAnnotation(std::unique_ptr<TPdfCustomType> link);
    TPdfFontStreamEntry& AddFontStream(std::unique_ptr<TPdfStream> stream, std::string key = {});
    // Writes the font streams that fonts marked as needed, after the resources, and forgets them all.
    void WriteFontStreams();
    // The font stream of a font name (compared trimmed and upper-cased); nullptr when there is none.
    TPdfFontStreamEntry* FindFontStream(std::string_view fontName);

    // The document's writer; nullptr before the first document and after Finish.
    TPdfFileWriter* Writer() const { return writer_.get(); }
    TPdfCatalog* Catalog() const { return catalog_.get(); }
    TPdfResource* Resources() const { return resources_.get(); }
    TPdfPage* CurrentPage() const { return page_.get(); }
    // The thumbnail of the open page, 24 bits per pixel; nullptr without thumbnails.
    TBitmap* Thumbnail() const { return thumbnail_.get(); }
    void InitThumbnail();
    // The open page's /Thumb made from the caller's picture (mode 1, never JPEG); the pages refer to
    // it, but only the device can make image streams. Without an open page, nothing.
    void AddThumb(const TBitmap& bitmap);
    void AddThumbHandle(const TBitmap* bitmap);
    bool IsOpen() const { return open_; }
    // Why the last file the device could not make was refused, in the system's words; empty when it
    // gave none.
    const std::string& CreateFailure() const { return createFailure_; }
    bool PageStarted() const { return pageStarted_; }
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

    // Settings.
    std::string FileName;
    // The engine only reads an input file: no header, no pages, no trailer.
    bool ReadOnly = false;
    // When set, a file that cannot be made makes BeginDoc answer false once, instead of raising.
    bool QuietCreateFailure = false;
    TPdfCompressMethod CompressionMethod = peCompressNone;
    TPdfEncodeMethod EncodingMethod = peEncodeNone;
    int PageMode = 0;
    int ZoomMode = 0;
    TPdfSecuritySettings Security;
    bool JPEGCompression = false;
    int JPEGQuality = 75;
    bool Thumbnails = false;
    bool OpenBookmarks = false;
    // With a name and a mode of 1 to 4, BeginDoc reads this PDF file: mode 1 carries its pages over
    // before the document's own, the others make each of its pages a form named "inpage" + number.
    std::string InputFileName;
    int InputMode = 0;
    // What is read of the input file; kept for the input reader.
    int PdfReadMode = 0;
    // Kept for the caller: whether JPEG data it hands over is to be decoded and compressed again,
    // and the character set of its narrow bookmark captions.
    bool ConvertJPEGData = false;
    int OutlineCharset = 0;
    TPdfFontMode FontMode = peUseTrueTypeFonts;
    // Widens or narrows every text run by this factor, its height unchanged; 0 is the same as 1.
    double FontWidthFactor = 1;
    // Faces never embedded. When the embed-only list has a first entry that is not blank, only the
    // faces it names are embedded.
    TStringList ExcludedFonts;
    TStringList EmbedOnlyFonts;
    // Reports each font file read for embedding as error 10, when no message listener is set.
    bool ExtraMessages = false;
    // False in the subset modes.
    bool WholeFonts() const;
    // The face of the first font the document uses.
    std::string DefaultFontName;

    // Listeners; each captures the context it needs.
    std::function<void(int code, const std::string& message)> OnErrorCallback;
    std::function<void(int code, const std::string& text, int number)> OnMessageCallback;
    std::function<void(int code, const std::string& message)> OnComponentError;
    // Kind 1 an error (its number as code), kind 2 the input file's page count (as code).
    std::function<void(const std::string& message, int code, int kind)> OnSecondCallback;
    // Asked before each input page (from 1) becomes a form; true stops the reading.
    std::function<bool(int page, const std::string& fileName)> OnInputRequest;

private:
    TPdfFileWriter& OpenWriter() const;
    // The open document's resources; raises "Device not open" without one.
    TPdfResource& OpenResources() const;
    bool OpenOutput();
    void FillWriterSettings();
    void DropDocument();
    // Raises "An input PDF cannot be appended to an encrypted document" before anything is written.
    void ReadInputFile();
    // Raises "Reading of the input PDF was cancelled" when a listener stops it.
    void TakeInputPages();
    void AppendInputPages();
    void PlaceOutlineNode(std::unique_ptr<TPdfOutlineNode> node, int mode, int number);
    TPdfOutlineNode* AncestorOfLast(int levelsUp) const;
    TPdfFont* TextFont() const;
    int SelectTextFont();
    void WriteTextFont(TPdfDeviceWorkBuffer& buffer, TPdfWriterStackVar& written, int fontNumber, double size);
    void WriteTextSpacing(TPdfDeviceWorkBuffer& buffer, TPdfWriterStackVar& written);
    bool RecordsUsedChars() const;
    // A rectangle in points from the page's top as PDF's, from its foot.
    TRect PageRect(const TRect& points) const;
    std::string NamedFieldText(std::string_view text);
    std::string CheckBoxAppearance(TPdfAcroForm& form, int width, int height);
    std::string TextFieldAppearance(TPdfAcroForm& form, std::string_view field, int width, int height);
    std::string AppearanceStream(TPdfAcroForm& form, int width, int height, std::string_view content);
    // A rectangle in points as device units.
    TRect DeviceRect(const TRect& points) const;
    void AddBookmark(const TRect& rect, std::string_view text, int mode, int number);
    void ClearThumbnail();
    // A point of the upright thumbnail as it stands on the turned page's thumbnail.
    TPoint RotateThumbNailPoint(TPoint point) const;
    void WriteThumbnail();
    // An image stream of the pixels; JPEG when `jpeg` is set and the pixels are in colour.
    std::unique_ptr<TPdfStream> InternCreateDIBStream(const TPdfImagePixels& pixels, int mode, bool jpeg);
    std::string ImageDictionary(const TPdfImagePixels& pixels, int mode, bool jpeg) const;
    std::vector<std::uint32_t> SelectedPalette();
    int AddImageOrReport(std::unique_ptr<TPdfStream> stream);

    struct TXFormLinks {
        // The form's box, in points.
        int width = 0;
        int height = 0;
        int offset = 0;
        std::string nested;
        bool drawing = false;
    };

    // Declared first so that it outlives every object that writes to it.
    std::unique_ptr<TPdfFileWriter> writer_;
    TStream* callerStream_ = nullptr;
    std::string createFailure_;
    bool open_ = false;
    bool pageStarted_ = false;
    bool pageTurned_ = false;
    int pageResolutionX_ = 72;
    int pageResolutionY_ = 72;
    int pageWidth_ = 612;
    int pageHeight_ = 792;
    std::unique_ptr<TPdfCatalog> catalog_;
    std::unique_ptr<TPdfResource> resources_;
    std::unique_ptr<TPdfInfo> info_;
    std::unique_ptr<TPdfEncryptInfo> encryptInfo_;
    std::unique_ptr<TPdfPage> page_;
    TPdfStream* contentStream_ = nullptr;
    std::vector<std::unique_ptr<TPdfCustomType>> links_;
    // A deque, so that the entry AddFontStream answers stays where it is.
    std::deque<TPdfFontStreamEntry> fontStreams_;
    std::vector<TPdfOutlineNode*> outlineNodes_;
    std::map<std::string, TPdfDestName> destNames_;
    // Levels the next sibling bookmark climbs above the most recent one.
    int pendingLevelUps_ = 0;
    int fieldCount_ = 0;
    // Written at once; kept until the document ends, as the writer numbers them.
    std::vector<std::unique_ptr<TPdfStream>> appearances_;
    TPdfDeviceInfoBlock infoBlock_;
    std::unique_ptr<TBitmap> thumbnail_;
    // The open form, which is also the content stream while it records.
    TPdfStream* formStream_ = nullptr;
    std::map<const TPdfStream*, TXFormLinks> formLinks_;
    std::unique_ptr<TPdfInputFile> input_;
    // Declared after the input it copies from, so that it goes first.
    std::unique_ptr<TPdfInputObjects> inputObjects_;
};
