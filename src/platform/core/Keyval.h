#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TextFileWriter;

// A text file of "key=value" lines: read (any key looked up at any time; the first line holding a
// key wins) or written line by line. One object can hold a file open for reading and one for
// writing at the same time.
class KeyVal {
public:
    KeyVal();
    virtual ~KeyVal();
    KeyVal(const KeyVal&) = delete;
    KeyVal& operator=(const KeyVal&) = delete;

    // The first line of the file last opened for reading, cut at its first control character.
    std::string firstLine;
    // Lines looked at by the last GetValue, the matching line included.
    int lineCount = 0;

    // Mode "rt" opens for reading, "wt" for writing (the file is replaced only when Close completes
    // it); failures show the store's message box and return false. Other modes do nothing.
    bool Open(std::string_view path, std::string_view mode);
    // Closes both files. False when the written file could not be completed: the old file stays.
    bool Close();

    // The value after the first "=" of the first line whose name is exactly `key`, without the line
    // end; empty when the key is missing or no file is open for reading.
    std::string GetValue(std::string_view key);
    // The line followed by the line end. False when it could not be written.
    bool WriteLine(std::string_view text);
    // Whether a line of the file open for reading holds the key, so that a missing key and an empty
    // value can be told apart.
    bool HasKey(std::string_view key) const { return readOpen_ && FirstLineOf(key).has_value(); }

    bool ReadOpen() const { return readOpen_; }
    const std::string& path() const { return path_; }
    // Every line of the file open for reading, without line ends.
    const std::vector<std::string>& Lines() const { return lines_; }
    // Why the last write or close failed, in the system's words.
    const std::string& WriteError() const { return writeError_; }

private:
    void IndexLines();
    std::optional<size_t> FirstLineOf(std::string_view key) const;

    // The line after the last one found, looked at first: files are mostly read in their own order.
    std::optional<size_t> FoundAtNextLine(std::string_view key) const;

    std::vector<std::string> lines_;
    // The first line of each name, by open addressing on the name's hash: a file holds hundreds of
    // thousands of lines, and a table of plain slots costs no allocation per line.
    struct KeySlot {
        std::uint32_t hash = 0;
        std::uint32_t linePlusOne = 0; // 0: empty
    };
    std::vector<KeySlot> keySlots_;
    // Whether each line is the first holding its key.
    std::vector<bool> firstOfKey_;
    size_t nextLine_ = 0;
    bool readOpen_ = false;
    std::string path_;
    std::unique_ptr<TextFileWriter> writer_;
    bool writeFailed_ = false;
    std::string writeError_;
};
