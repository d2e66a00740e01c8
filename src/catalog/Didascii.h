#pragma once

#include "catalog/Didbase.h"
#include "platform/core/Keyval.h"

#include <string>
#include <unordered_map>
#include <vector>

// The text catalog (".ctf"): a key=value file that starts with "DIDF1", holds its header under
// "catheader." keys and one line "r<n>=" per product, the fields joined by TABs.
class didASCII : public didBase {
public:
    didASCII();

    bool GoToRecord(int n) override;
    void LoadRangeIntoGrid(TStringGrid& grid, int first, int count) override;
    std::string GetFieldText(int field, int record) override;
    // Without a grid the file stays open for moving through the records.
    bool Open(const std::string& path, TStringGrid* grid) override;
    // Replaces the file only once it is written whole; a failure says so and keeps the old file and
    // `modified`. With `modified` set the catalog goes on reading, from what was saved.
    bool SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                    const std::string& photoCollectionText) override;
    void LoadIntoGrid(TStringGrid& grid) override;
    bool First() override;
    bool Last() override;
    bool FindByKey(const std::string& key) override;
    bool Next() override;
    bool Prior() override;

    int CurrentRecord() const override { return currentRecord; }
    // The part numbers in row order, as Open found them.
    const std::vector<std::string>& Keys() const { return keys; }

private:
    void ReadHeader();
    bool BuildKeyArray();
    void ReadColumnNames();
    std::vector<std::string> HeaderLines(const TStringGrid& grid, const std::string& unitsText,
                                         const std::string& photoCollectionText) const;
    void ReopenSaved(const std::string& path);
    // Opens the file again for a grid load when the store was closed; `openedHere` tells the caller
    // to close it after.
    bool ReadForGrid(bool& openedHere);
    void PrepareGrid(TStringGrid& grid, int rowCount);
    // The indexes of the product lines in the store, the first `recordCount` of them.
    std::vector<size_t> ProductLines() const;

    KeyVal store;
    int currentRecord = 0;
    std::vector<std::string> keys;
    std::unordered_map<std::string, int> firstRowOfKey;
};
