#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AtomicFileWriter;
class TMemoryStream;
class TStream;
class TPdfCustomType;
class TPdfResource;

// Encrypts the strings and streams of one indirect object in place; the security handler provides
// it. Every object this writer makes has generation 0, so the number alone picks the key.
class TPdfObjectEncryption {
public:
    virtual ~TPdfObjectEncryption() = default;
    virtual void Encrypt(int objectNumber, std::uint8_t* data, std::size_t count) = 0;
};

enum TPdfCompressMethod { peCompressNone, peCompressFlate, peCompressRunlength, peCompressFastFlate };
enum TPdfEncodeMethod { peEncodeNone, peASCII85Encode, peASCIIHexEncode };

// The output of one PDF file: the bytes written so far, the cross-reference table, the document ID
// and the document settings that the objects consult while they write themselves. Objects go out
// as soon as they are complete; the table and the trailer close the file.
class TPdfFileWriter {
public:
    TPdfFileWriter();
    virtual ~TPdfFileWriter();
    TPdfFileWriter(const TPdfFileWriter&) = delete;
    TPdfFileWriter& operator=(const TPdfFileWriter&) = delete;

    // Output to a file: the bytes go to a temporary file beside it, which replaces the file only at
    // Close, so a failed export leaves an older file as it was. Raises "Cannot create file " + name
    // (an EFCreateError with the system's error number).
    void OpenFile(std::string_view fileName);
    // Output kept in memory, for GetBuf, WriteToFile and WriteToStream.
    void OpenMemory();
    // Output to the caller's stream, never freed here; nullptr drops it.
    void SetOutStream(TStream* stream);
    // Ends the output; file output is committed now.
    void Close();
    bool IsOpen() const { return open_; }
    const std::string& FileName() const { return fileName_; }

    // Raise "Device not open" when no output is open.
    void RawWrite(std::string_view bytes);
    void RawWriteLN(std::string_view bytes);
    // Each character as two bytes, high byte first.
    void RawWriteW(std::u16string_view text);
    // Offset of the next byte from the start of the file.
    std::int64_t OutputPosition();

    // The size of the output, in memory, in its file or in the caller's stream from where it started;
    // GetBuf copies at most `length` bytes of it from its start and answers the count (the size when
    // `buffer` is nullptr). WriteToBuffer copies the same.
    std::int64_t GetSize() const;
    std::int64_t GetBuf(std::int64_t length, void* buffer) const;
    void WriteToBuffer(void* buffer, std::int64_t length) const;
    // The output in memory or in its file, saved to another file (nothing for the file being
    // written, whose path is compared exactly) or a stream.
    void WriteToFile(std::string_view fileName);
    void WriteToStream(TStream& stream) const;

    // "<" + two lower-case hexadecimal digits per byte + ">".
    static std::string HexString(const void* bytes, std::size_t count);

    // Cross-reference table: entry 0 is the head of the free list.
    void ResetXRef();
    int XRefCount() const { return static_cast<int>(entries_.size()); }
    const std::string& XRefEntry(int number) const { return entries_.at(static_cast<std::size_t>(number)).line; }
    // A number for an object that will be written later.
    int ReserveObjectNumber(std::string_view className);
    // Records where object `number` starts (0: a new number); answers the number.
    int RecordObjectPosition(int number, std::int64_t position);

    // Sixteen random upper-case letters, drawn whenever an output opens.
    void NewDocumentID();
    const std::string& DocumentID() const { return documentID_; }

    void WriteHeader(bool pdf14);
    // Writes a stream with "Streams are written sequentially!"
    void WriteObject(TPdfCustomType& object);
    void WriteObjectReference(TPdfCustomType& object);
    // Writes every object whose number was handed out but that never came, as null; then the table
    // and the trailer.
    void WriteFileEnd(TPdfCustomType& root, TPdfCustomType* info, TPdfCustomType* encrypt);

    // Settings the objects consult.
    TPdfCompressMethod CompressionMethod = peCompressNone;
    TPdfEncodeMethod EncodingMethod = peEncodeNone;
    int PageMode = 0;
    int ZoomMode = 0;
    int DefaultPageWidth = 612;
    int DefaultPageHeight = 792;
    TPdfResource* Resources = nullptr;
    TPdfObjectEncryption* Encryption = nullptr;
    // Called when a page's content stream starts, so the device can forget its graphics state.
    std::function<void()> OnContentStreamStart;

    bool Encrypting() const { return Encryption != nullptr; }

private:
    struct TXRefEntry {
        std::string line;
        bool pending = false;
    };

    TStream& Output();
    // Copies `count` bytes of the output from `offset` on, wherever it is kept.
    void ReadOutput(std::int64_t offset, void* buffer, std::int64_t count) const;
    // Hands the whole output to `take` a block at a time.
    void ForEachOutputBlock(const std::function<void(const void* bytes, std::size_t count)>& take) const;
    void DropOutput();
    void BeginOutput();
    void WritePendingObjectsAsNull();

    std::unique_ptr<TMemoryStream> memory_;
    std::unique_ptr<AtomicFileWriter> file_;
    std::unique_ptr<TStream> fileOutput_;
    // The size of the file written and closed, which later copies read.
    std::int64_t committedSize_ = -1;
    TStream* callerStream_ = nullptr;
    std::int64_t startOffset_ = 0;
    std::string fileName_;
    bool open_ = false;
    std::vector<TXRefEntry> entries_;
    std::string documentID_;
};
