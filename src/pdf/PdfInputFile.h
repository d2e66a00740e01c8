#pragma once

#include "platform/core/Streams.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TPdfPages;
struct TPdfInputPage;

// An existing PDF file read through its cross-reference tables. Every number, offset and length
// it holds is checked against the file before it is used; failures raise Exception.
class TPdfInputFile {
public:
    // Reads the file whole and then its tables and trailer; its page tree goes into `tree`.
    void ReadPDFFile(std::string_view fileName, TPdfPages& tree);
    void ReadPDFStream(TStream& source, TPdfPages& tree);

    // The file offset of an object, or 0 for a number the tables do not give.
    std::int64_t PosInPDFFile(int number) const;
    // The decimal number at `position`, blanks and control characters skipped first; `position`
    // ends after it. -1 when no digit stands there.
    std::int64_t ReadNextNumber(std::int64_t& position) const;
    // The number after `tag` in `text`; a reference ("n 0 R") there gives the first number of
    // the object it names. Raises "Cannot find TAG " + tag.
    std::int64_t NextPDFNumber(const std::string& text, std::string_view tag) const;
    // The object number of the reference after `tag`. Raises "Cannot find TAG " + tag.
    int NextPDFObject(const std::string& text, std::string_view tag) const;
    // The value of object `number` after its header "n g obj", as it stands in Text(); empty when
    // the tables do not give the object, no such header stands at its offset or the value does not
    // close. What it covers counts against the reading budget.
    std::string_view ObjectValue(int number) const;
    // The object's value when it is a dictionary, "" otherwise.
    std::string ObjectDictionary(int number) const;
    // The data of the stream whose dictionary `dictionary` (a value ObjectValue gave) is; nothing when
    // no "stream" follows it. Raises "Cannot find TAG /Length" for a length the file cannot hold.
    std::optional<std::string_view> StreamBytes(std::string_view dictionary) const;
    // Counts bytes of the input read or kept by the reader. Reading each object once costs about the
    // file's size; a file whose objects are read again and again (by kids or contents naming one
    // object many times, or sections written inside each other) raises "Invalid File" when it has
    // cost ReadingBudget(), instead of keeping the reader busy for hours.
    void Charge(std::int64_t bytes) const;
    // Appends the page's content streams to `content`, undone and each followed by a line feed. A
    // stream is decoded once for the page, however often it is named, and the raw bytes it reads are
    // charged to the reading budget. All the pages of a file give at most DecodedContentLimit bytes:
    // streams that pages or names share cannot multiply it.
    void PageContent(const TPdfInputPage& page, TMemoryStream& content) const;
    static constexpr std::int64_t DecodedContentLimit = std::int64_t{256} << 20;

    int RootObject() const { return root_; }
    // The root of the page tree.
    int PagesObject() const { return pages_; }
    // The whole file.
    std::string_view Text() const;

private:
    void ReadCrossReferences(std::int64_t newest);
    std::int64_t ReadSection(std::int64_t offset);
    void ReadEntries(std::int64_t& position);
    // Decodes the stream and appends its data to `content`; returns how many bytes they are.
    std::int64_t AppendStreamData(int number, TMemoryStream& content) const;
    // Counts bytes given as page content; raises past DecodedContentLimit.
    void CountDecoded(std::int64_t bytes) const;
    std::int64_t StartXRef() const;
    std::int64_t ReadingBudget() const;

    // Mutable because reading it moves its position.
    mutable TMemoryStream file_;
    // Offsets by object number; 0 for an object the tables leave out.
    std::vector<std::uint32_t> offsets_;
    int root_ = 0;
    int pages_ = 0;
    // What PageContent gave so far.
    mutable std::int64_t decoded_ = 0;
    // What Charge counted so far.
    mutable std::int64_t charged_ = 0;
};
