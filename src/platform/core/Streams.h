#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The class library's stream: Read and Write may move fewer bytes than asked; ReadBuffer and
// WriteBuffer move all of them or raise.
class TStream {
public:
    virtual ~TStream() = default;

    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t newSize) = 0;

    // Raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);

    std::int64_t Position();
    void SetPosition(std::int64_t position);
    std::int64_t Size();

    // Copies `count` bytes from the source's position (its whole content when count is 0).
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

enum TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// A file on disk; the name is a model path (Windows-1252). Opening raises EFOpenError, creating
// EFCreateError, with the file name and the system's reason.
class TFileStream : public TStream {
public:
    TFileStream(std::string_view fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int handle_ = -1;
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    std::uint8_t* Memory() { return data_.data(); }
    const std::uint8_t* Memory() const { return data_.data(); }
    void Clear();
    void LoadFromStream(TStream& source);
    void LoadFromFile(std::string_view fileName);
    void SaveToStream(TStream& target);
    // Written atomically: a failed save leaves the old file.
    void SaveToFile(std::string_view fileName);

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};
