#pragma once

#include "catalog/Ctf2header.h"
#include "catalog/Didbase.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The binary catalog (".vdx"): a 976-byte header, an index of one 260-byte entry per record (the
// part number, cut to 255 characters, and the record's offset), then the records, each a 12-byte
// head and one length-prefixed text per field. Record 0 holds the column titles, and
// `recordCount` counts it.
//
// Nothing in the file is trusted: counts, offsets and lengths are checked against the file before
// they size or place anything, and a file that does not hold together is refused with
// "Wrong file format".
class didCTF2 : public didBase {
public:
    didCTF2();
    ~didCTF2() override;

    bool GoToRecord(int n) override;
    // Nothing unless 0 <= first < recordCount.
    void LoadRangeIntoGrid(TStringGrid& grid, int first, int count) override;
    std::string GetFieldText(int field, int record) override;
    // Every failure is reported (a file that can't be opened or read with the stream's reason) and
    // returns false with no file held. The file stays open for moving through the records.
    bool Open(const std::string& path, TStringGrid* grid) override;
    // Replaces the file only once it is written whole; a file that can't be made raises
    // EFCreateError, a failed write EWriteError, and the catalog goes on reading the old file.
    // After a save the catalog reads the new file, at the record that was current.
    bool SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                    const std::string& photoCollectionText) override;
    void LoadIntoGrid(TStringGrid& grid) override;
    bool First() override;
    bool Last() override;
    // A key of up to MaxKeyLength characters is compared with the index keys, the first equal entry
    // winning, so that the start of a longer part number finds it; a longer key with the whole part
    // numbers of the records whose index key is its start.
    bool FindByKey(const std::string& key) override;
    bool Next() override;
    bool Prior() override;

    int CurrentRecord() const override { return currentRecord; }
    // The index entries after the title record's, whether the file was opened or just saved.
    int ProductRecordCount() const override;

    // The longest part number the index holds; a longer one is kept whole in its record.
    static constexpr std::size_t MaxKeyLength = 255;

private:
    // Open's work; stream errors pass to Open, which reports them.
    bool OpenFile(const std::string& path, TStringGrid* grid);

    struct Record {
        std::vector<std::string> fields;
        std::int64_t end = 0; // where the next record would start
    };

    std::optional<Ctf2Header> ReadHeader(TStream& file);
    void TakeHeader(const Ctf2Header& header);
    bool ReadIndex(TStream& file, std::uint32_t entries);
    bool ReadColumnNames();
    // The record whose head lies at `offset`, or nothing when it does not fit in the file or its
    // texts are malformed.
    std::optional<Record> ReadRecordAt(std::int64_t offset);
    std::optional<Record> ReadRecord(int n);
    // Records from index entry `first` on, one after the other, into grid rows `firstRow` on;
    // `count` of them at most. False when one of them is malformed.
    bool ReadRecordsIntoGrid(TStringGrid& grid, int first, int count, int firstRow);
    bool FillGrid(TStringGrid& grid);
    bool FindLongKey(const std::string& key);
    Ctf2Header HeaderFor(const TStringGrid& grid, const std::string& unitsText,
                         const std::string& photoCollectionText) const;
    void ReopenSaved(const std::string& path);
    void Forget();
    void ReportWrongFormat();
    // Reports the file as malformed and lets it go; false.
    bool Refuse();

    std::unique_ptr<TFileStream> stream;
    std::int64_t fileSize = 0;
    int currentRecord = 0;
    std::vector<std::string> indexKeys;
    std::vector<std::uint32_t> indexOffsets;
    // The first entry of every key, so that a lookup never scans the index.
    std::unordered_map<std::string, int> firstEntryOfKey;
    TMemoryStream recordBytes;
    // The record GetFieldText read last: its fields are asked for one after the other.
    int lastFieldRecord = -1;
    std::vector<std::string> lastFields;
};
