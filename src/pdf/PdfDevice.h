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
#include <string>
#include <string_view>
#include <vector>

class TBitmap;
class TMetafile;
class TPdfCatalog;
class TPdfEncryptInfo;
class TPdfOutlineNode;
class TPdfPage;
class TPdfResource;
class TPdfStream;
class TStream;

// A named destination: a place on a page, in device units.
struct TPdfDestName {
    TPdfPage* page = nullptr;
    int x = 0;
    int y = 0;
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
    // "/Dest [ page view]"; a name replaces page, place, mode and zoom, and an unknown one reports
    // error 1 and answers nothing.
    std::string DestAsString(TPdfPage* page, int mode, int x, int y, int width, int height, int zoom,
                             std::string_view name);

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
    bool IsOpen() const { return open_; }
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
    std::string InputFileName;
    int InputMode = 0;
    TPdfFontMode FontMode = peUseTrueTypeFonts;
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
    std::function<void(const std::string& message, int code, int kind)> OnSecondCallback;

private:
    TPdfFileWriter& OpenWriter() const;
    bool OpenOutput();
    void FillWriterSettings();
    void DropDocument();
    void PlaceOutlineNode(std::unique_ptr<TPdfOutlineNode> node, int mode, int number);
    TPdfOutlineNode* AncestorOfLast(int levelsUp) const;
    void ClearThumbnail();

    // Declared first so that it outlives every object that writes to it.
    std::unique_ptr<TPdfFileWriter> writer_;
    TStream* callerStream_ = nullptr;
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
    TPdfDeviceInfoBlock infoBlock_;
    std::unique_ptr<TBitmap> thumbnail_;
};
