#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

class TPdfFileWriter;
class TPdfInputFile;
struct TPdfInputPage;

// Carries objects of an input file into the document being written. Each object gets a number of
// the document's own, and the references in what is copied are renumbered to match, so that the
// copies fit among the document's objects; an object is copied once, however often it is named.
// When the document is encrypted, the strings and streams copied are encrypted with it.
class TPdfInputObjects {
public:
    TPdfInputObjects(const TPdfInputFile& input, TPdfFileWriter& writer);

    // An object the document replaces (the input's catalog and page tree): a reference to it leads
    // to an empty dictionary.
    void LeaveOut(int number) { leftOut_.insert(number); }
    // The document's number for input object `number`, copied by the next WritePending.
    int Copy(int number);
    // The document's number for input object `number`, which the caller writes itself.
    int Claim(int number);
    // The object a value stands for: the copy of the object it refers to, or a new object holding it.
    int ObjectOf(std::string_view value);
    // Writes an input page claimed before as a kid of `parent`; the box and resources it inherited
    // become its own.
    void WritePage(const TPdfInputPage& page, std::string_view parent);
    // Copies every object named so far, and the ones those name.
    void WritePending();

private:
    int Number(int input, bool copy);
    // The text with its references renumbered and, in an encrypted document, its strings encrypted
    // with the key of object `owner`.
    std::string Rewritten(std::string_view text, int owner);
    void CopyObject(int input, int output);
    void WriteObject(int number, std::string_view body);
    void WriteStreamObject(int number, std::string_view dictionary, std::string data);
    // Counts bytes of the input copied: objects of a sound file do not overlap, so more than the
    // whole file means its offsets lead into each other.
    void Spend(std::int64_t bytes);

    const TPdfInputFile& input_;
    TPdfFileWriter& writer_;
    std::map<int, int> numbers_;
    std::set<int> claimed_;
    std::set<int> leftOut_;
    std::deque<std::pair<int, int>> pending_;
    std::int64_t copied_ = 0;
};
