#pragma once

#include "platform/core/Streams.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// A page of an input file as the new document can use it.
struct TPdfInputPage {
    int number = 0;
    // "[x0 y0 x1 y1]" as the file writes it, inherited from the tree when the page has none.
    std::string mediaBox;
    // An inline dictionary or a reference; "<< >>" when neither the page nor the tree has one.
    std::string resources;
};

// An existing PDF file read through its cross-reference tables. Every number, offset and length
// it holds is checked against the file before it is used; failures raise Exception.
class TPdfInputFile {
public:
    // Reads the file whole and then its tables, trailer and page tree.
    void ReadPDFFile(std::string_view fileName);
    void ReadPDFStream(TStream& source);

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
    // The page's content streams undone and joined by line feeds.
    std::string PageContent(int page) const;

    const std::vector<TPdfInputPage>& Pages() const { return pages_; }
    int RootObject() const { return root_; }

private:
    void ReadCrossReferences(std::int64_t offset, std::set<std::int64_t>& visited);
    void ReadEntries(std::int64_t& position);
    void ReadPageTree(int number, TPdfInputPage inherited, std::set<int>& visited, int depth);
    std::string StreamData(int number) const;
    std::int64_t StartXRef() const;
    std::string_view Text() const;

    // Mutable because reading it moves its position.
    mutable TMemoryStream file_;
    // Offsets by object number; 0 for an object the tables leave out.
    std::vector<std::uint32_t> offsets_;
    std::vector<TPdfInputPage> pages_;
    int root_ = 0;
};
