#pragma once

#include "platform/core/Variant.h"
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A data set over rows held in memory, serving the record-buffer protocol as a data set over a
// database does, for tests of the data-set layer and of whatever reads data sets.
//
// A record buffer holds the row's index (big-endian, so that bookmarks order as the rows do), the
// bookmark flag and the calculated area; field values are read from the row when asked for. The
// cursor is a row index: -1 before the first row, the row count after the last.
class TMemoryDataSet : public TDataSet {
public:
    struct Column {
        std::string name;
        TFieldType type;
        int size = 0;
    };
    using Row = std::vector<Variant>;

    TMemoryDataSet(std::vector<Column> columns, std::vector<Row> rows)
        : columns_(std::move(columns)), rows_(std::move(rows))
    {
    }
    ~TMemoryDataSet() override { Close(); }

    std::vector<Row>& Rows() { return rows_; }

    bool GetFieldData(TField* field, void* buffer) override
    {
        const TRecordBuffer record = GetActiveRecBuf();
        if (record == nullptr)
            return false;
        if (field->FieldNo() < 1)
            return ReadCalcField(record + HeaderSize, *field, buffer);
        const Variant& value =
            rows_.at(static_cast<size_t>(RowOf(record))).at(static_cast<size_t>(field->FieldNo() - 1));
        if (value.IsEmpty() || value.IsNull())
            return false;
        if (buffer != nullptr)
            field->VariantToData(value, buffer);
        return true;
    }

    // Stores calculated fields while they are calculated; the rows themselves are read-only.
    void SetFieldData(TField* field, const void* buffer) override
    {
        if (field->Calculated() && State() == dsCalcFields)
            WriteCalcField(CalcBuffer() + HeaderSize, *field, buffer);
        else
            TDataSet::SetFieldData(field, buffer);
    }

    void SetRecNo(int recNo) override
    {
        if (recNo == RecNo())
            return;
        CheckBrowseMode();
        cursor_ = std::clamp(recNo - 1, -1, RowCount());
        Resync(rmCenter);
        DoAfterScroll();
    }

    bool BookmarkValid(const TBookmark& bookmark) override
    {
        if (bookmark.size() != BookmarkBytes)
            return false;
        const int row = DecodeRow(bookmark.data());
        return row >= 0 && row < RowCount();
    }

protected:
    std::unique_ptr<std::uint8_t[]> AllocRecordBuffer() override
    {
        return std::make_unique<std::uint8_t[]>(static_cast<size_t>(GetRecordSize()));
    }
    void FreeRecordBuffer(std::unique_ptr<std::uint8_t[]>& buffer) override { buffer.reset(); }
    int GetRecordSize() override { return HeaderSize + CalcFieldsSize(); }

    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) override
    {
        if (mode == gmNext && cursor_ < RowCount())
            ++cursor_;
        if (mode == gmPrior && cursor_ >= 0)
            --cursor_;
        if (cursor_ >= RowCount())
            return grEOF;
        if (cursor_ < 0)
            return grBOF;
        InternalInitRecord(buffer);
        EncodeRow(cursor_, buffer);
        SetBookmarkFlag(buffer, bfCurrent);
        GetCalcFields(buffer);
        return grOK;
    }

    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = RowCount(); }
    void InternalSetToRecord(TRecordBuffer buffer) override { cursor_ = RowOf(buffer); }
    void InternalGotoBookmark(const std::uint8_t* bookmark) override { cursor_ = DecodeRow(bookmark); }
    void InternalInitRecord(TRecordBuffer buffer) override
    {
        std::memset(buffer, 0, static_cast<size_t>(GetRecordSize()));
    }
    void GetBookmarkData(TRecordBuffer buffer, std::uint8_t* data) override
    {
        std::memcpy(data, buffer, BookmarkBytes);
    }
    void SetBookmarkData(TRecordBuffer buffer, const std::uint8_t* data) override
    {
        std::memcpy(buffer, data, BookmarkBytes);
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override
    {
        return static_cast<TBookmarkFlag>(buffer[BookmarkBytes]);
    }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override
    {
        buffer[BookmarkBytes] = static_cast<std::uint8_t>(flag);
    }

    void InternalOpen() override
    {
        SetBookmarkSize(BookmarkBytes);
        FieldDefs().SetUpdated(false);
        FieldDefs().Update();
        if (DefaultFields())
            CreateFields();
        BindFields(true);
        open_ = true;
        cursor_ = -1;
    }
    void InternalClose() override
    {
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
        open_ = false;
    }
    void InternalInitFieldDefs() override
    {
        FieldDefs().Clear();
        for (const Column& column : columns_)
            FieldDefs().AddFieldDef(column.name, column.type, column.size);
    }
    bool IsCursorOpen() override { return open_; }

    int GetRecordCount() override
    {
        CheckActive();
        return RowCount();
    }
    int GetRecNo() override
    {
        CheckActive();
        const TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
        return IsEmpty() && State() != dsCalcFields ? -1 : RowOf(buffer) + 1;
    }
    void ClearCalcFields(TRecordBuffer buffer) override
    {
        std::memset(buffer + HeaderSize, 0, static_cast<size_t>(CalcFieldsSize()));
    }

private:
    static constexpr size_t BookmarkBytes = 4;
    static constexpr int HeaderSize = BookmarkBytes + 1;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The row index leads the record, as the bookmark.
    static int RowOf(const std::uint8_t* record) { return DecodeRow(record); }
    static int DecodeRow(const std::uint8_t* bytes)
    {
        return static_cast<int>(static_cast<std::uint32_t>(bytes[0]) << 24 |
                                static_cast<std::uint32_t>(bytes[1]) << 16 | static_cast<std::uint32_t>(bytes[2]) << 8 |
                                bytes[3]);
    }
    static void EncodeRow(int row, std::uint8_t* bytes)
    {
        const auto value = static_cast<std::uint32_t>(row);
        bytes[0] = static_cast<std::uint8_t>(value >> 24);
        bytes[1] = static_cast<std::uint8_t>(value >> 16);
        bytes[2] = static_cast<std::uint8_t>(value >> 8);
        bytes[3] = static_cast<std::uint8_t>(value);
    }

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    int cursor_ = -1;
    bool open_ = false;
};
