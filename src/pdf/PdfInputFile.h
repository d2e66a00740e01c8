#pragma once

#include "platform/core/Streams.h"

#include <cstdint>
#include <set>
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
    // The first dictionary of an object, "" when there is none.
    std::string ObjectDictionary(int number) const;
    // The page's content streams undone and joined by line feeds. All the pages of a file give at
    // most DecodedContentLimit bytes: streams that pages share cannot multiply it.
    std::string PageContent(const TPdfInputPage& page) const;
    static constexpr std::int64_t DecodedContentLimit = std::int64_t{256} << 20;

    int RootObject() const { return root_; }
    // The root of the page tree.
    int PagesObject() const { return pages_; }
    // The whole file.
    std::string_view Text() const;

private:
    void ReadCrossReferences(std::int64_t offset, std::set<std::int64_t>& visited);
    void ReadEntries(std::int64_t& position);
    std::string StreamData(int number) const;
    std::int64_t StartXRef() const;

    // Mutable because reading it moves its position.
    mutable TMemoryStream file_;
    // Offsets by object number; 0 for an object the tables leave out.
    std::vector<std::uint32_t> offsets_;
    int root_ = 0;
    int pages_ = 0;
    // What PageContent gave so far.
    mutable std::int64_t decoded_ = 0;
};
