#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Writes a file so that a failed save never destroys the only good copy: the bytes go to a temporary
// file beside the target, every write and the close are checked, and only then is the temporary
// renamed over the target. Dropped without Commit, the temporary is removed and the target stays.
// A target the user may not write is refused, as opening it for writing would be, not replaced.
class AtomicFileWriter {
public:
    // What a symbolic link at the target's name means: a file the user names is written through the
    // link; a file whose name the program makes up replaces the link, so that no link leads it out of
    // its folder.
    enum class Links { Follow, Replace };

    // Raises EFCreateError when the target may not be written or the temporary file can't be made.
    explicit AtomicFileWriter(std::string_view fileName, Links links = Links::Follow);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Raise EWriteError with the file name and the system's reason.
    void Write(const void* data, size_t size);
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    void Commit();

    // The bytes written so far.
    std::uint64_t Size() const { return flushed_ + buffer_.size(); }
    // Copies `count` bytes written so far from `offset` on; raises EReadError when they cannot be read.
    void ReadBack(std::uint64_t offset, void* buffer, size_t count);

    const std::string& FileName() const { return fileName_; }

private:
    [[noreturn]] void Fail(int errorNumber);
    void FlushBuffer();
    // Writes the bytes to the file, past the buffer.
    void WriteOut(const char* bytes, size_t size);
    void Discard();
    void ForgetTemporary();

    std::string fileName_;
    std::string nativeTarget_;
    std::string nativeTemporary_;
    std::string buffer_;
    std::uint64_t flushed_ = 0;
    int handle_ = -1;
    // The temporary's entry among the open temporaries that a second termination signal removes.
    int registration_ = -1;
};

// Writes text lines, each ended by CR LF, through an AtomicFileWriter.
class TextFileWriter {
public:
    explicit TextFileWriter(std::string_view fileName) : writer_(fileName) {}
    void WriteLine(std::string_view line);
    void Commit() { writer_.Commit(); }

private:
    AtomicFileWriter writer_;
};
