#pragma once

#include "pdf/PdfCustomType.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TMemoryStream;

// A stream object. Its data are collected in memory between WriteStart and WriteEnd; WriteEnd
// compresses and encodes them as the document asks and writes the whole object at once.
class TPdfStream : public TPdfCustomType {
public:
    // Kind 'T' is a page's content stream.
    TPdfStream(TPdfFileWriter* owner, char kind = ' ');
    ~TPdfStream() override;
    const char* ClassName() const override { return "TPdfStream"; }

    virtual void WriteStart();
    virtual void WriteEnd();
    // Whether WriteEnd would write the data as they were collected: no compression, encoding or
    // encryption applies to them.
    bool WritesDataAsCollected() const;
    // WriteEnd for such a stream whose `length` bytes of data `writeData` puts straight into the
    // document, rather than collecting them first: large pictures are then copied once.
    void WriteEndDirect(std::int64_t length, const std::function<void(TPdfFileWriter&)>& writeData);

    void RawWrite(std::string_view bytes);
    void RawWriteLN(std::string_view bytes);
    // The data collected so far; made on first use.
    TMemoryStream& Data();
    // Takes `data` as the data collected so far, rather than copying them in.
    void TakeData(std::unique_ptr<TMemoryStream> data);

    // Encoders: each replaces the data and puts its filter in front of the filter list, so that the
    // list reads in decoding order.
    void FlateDecode(int level);
    void RunLengthDecode();
    void ASCII85Decode();
    void ASCIIHexDecode();
    // The data already hold a JPEG stream; converting them here is not supported ("Not impl.").
    void DCTDecode(bool convert);

    char Kind() const { return kind_; }
    const std::string& FilterList() const { return filterList_; }
    bool Binary() const { return binary_; }
    void SetBinary(bool binary) { binary_ = binary; }
    bool ForceCompression() const { return forceCompression_; }
    void SetForceCompression(bool force) { forceCompression_ = force; }
    void SetExtraDictionary(std::string text) { extraDictionary_ = std::move(text); }
    void SetLength1(int length) { length1_ = length; }
    // Data taken from an input file, already encoded with `sourceFilter`.
    void SetPreEncoded(std::string sourceFilter);
    // Undoes the source filters from the first on while they are ASCII85 and Flate (inflating to at
    // most DecodedLimit bytes); a filter left over stays the source filter. Raises
    // "LZWDecode is not supported!" for LZW data.
    void DecodeIt();
    bool PreEncoded() const { return preEncoded_; }
    const std::string& SourceFilter() const { return sourceFilter_; }

    static constexpr std::size_t DecodedLimit = 64u << 20;

protected:
    void ReplaceData(const std::uint8_t* bytes, std::size_t count);

private:
    bool Compresses() const;
    bool Encodes() const;
    void CompressAndEncode();
    void WriteObject(std::int64_t length, const std::function<void(TPdfFileWriter&)>& writeData);
    bool DecodeSourceFilter(const std::string& name);
    std::string FilterText() const;

    char kind_;
    std::unique_ptr<TMemoryStream> data_;
    std::string filterList_;
    std::string sourceFilter_;
    bool preEncoded_ = false;
    int length1_ = 0;
    std::string extraDictionary_;
    bool forceCompression_ = false;
    bool binary_ = false;
};
