#include "catalog/Didctf2.h"

#include "catalog/BinaryFields.h"
#include "catalog/Ctf2header.h"
#include "catalog/GridUtilities.h"
#include "catalog/Stringreaderwriter.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <array>
#include <climits>

namespace {

constexpr std::size_t IndexEntrySize = 260;
constexpr std::size_t KeySize = 256;
constexpr std::size_t RecordHeadSize = 12;
constexpr std::size_t MinimumFieldSize = 8;
// Index entries read at a time, so that a large index needs no buffer of its own size.
constexpr std::uint32_t IndexChunkEntries = 4096;

constexpr std::string_view ErrorCaption = "Error";

// Header slots of the stored roles: all but the reserved role 13.
constexpr std::array<CatalogFieldRole, Ctf2Header::StoredRoleCount> StoredRoles = {
    RoleRecordNumber, RolePartNumber, RoleDescription,  RolePictureName, RoleWidth, RoleHeight,
    RoleDepth,        RoleFacings,    RoleCostPrice,    RoleSalePrice,   RolePegX,  RolePegY,
    RoleSellAmount,   RoleInventory,  RoleMinInventory, RoleCategory,    RoleBrand,
};

// Whether the file is large enough for the counts the header claims, so that they can size the
// index, the column names and grids: every record needs its index entry, its head and eight bytes
// per field.
bool CountsFitInFile(const Ctf2Header& header, std::int64_t fileSize)
{
    if (header.fieldCount > INT_MAX || header.recordCount > INT_MAX)
        return false;
    const auto bytes = static_cast<std::uint64_t>(fileSize) - Ctf2Header::Size;
    const std::uint64_t records = header.recordCount;
    if (records > bytes / IndexEntrySize)
        return false;
    const std::uint64_t perRecord = (bytes - records * IndexEntrySize) / std::max<std::uint64_t>(records, 1);
    const std::uint64_t head = records > 0 ? RecordHeadSize : 0;
    return perRecord >= head && header.fieldCount <= (perRecord - head) / MinimumFieldSize;
}

std::string UnitsOf(std::uint32_t storedUnits, const std::string& current)
{
    if (storedUnits == 0)
        return "cm";
    if (storedUnits == 1)
        return "inch";
    return current;
}

std::uint32_t StoredUnits(const std::string& unitsText) { return UpperCase(unitsText) == "INCH" ? 1 : 0; }

// The part-number cell of each row as the index keeps it.
std::string IndexKey(const TStringGrid& grid, int keyColumn, int row)
{
    return keyColumn < 0 ? std::string() : grid.Cells(keyColumn, row).substr(0, didCTF2::MaxKeyLength);
}

std::uint64_t RecordSize(const TStringGrid& grid, int row)
{
    std::uint64_t size = 0;
    for (int col = 0; col < grid.ColCount(); ++col)
        size += StringReaderWriter::StoredSize(grid.Cells(col, row).size());
    return size;
}

void WriteIndexEntry(AtomicFileWriter& writer, const std::string& key, std::uint64_t offset)
{
    std::array<std::uint8_t, IndexEntrySize> entry;
    PutFixedText(entry.data(), KeySize, key);
    PutU32(entry.data() + KeySize, static_cast<std::uint32_t>(offset));
    writer.Write(entry.data(), entry.size());
}

void WriteRecord(AtomicFileWriter& writer, TMemoryStream& buffer, const TStringGrid& grid, int row, std::uint64_t size)
{
    buffer.Clear();
    std::uint8_t head[RecordHeadSize];
    PutU32(head, static_cast<std::uint32_t>(row));
    PutU32(head + 4, 0);
    PutU32(head + 8, static_cast<std::uint32_t>(size));
    buffer.WriteBuffer(head, sizeof head);
    StringReaderWriter strings(buffer);
    for (int col = 0; col < grid.ColCount(); ++col)
        strings.WriteString(grid.Cells(col, row));
    writer.Write(buffer.Memory(), static_cast<std::size_t>(buffer.Size()));
}

// The header, the index and every grid row as a record, written whole or not at all.
void WriteCatalogFile(const std::string& path, const Ctf2Header& header, const TStringGrid& grid, int keyColumn)
{
    const int rows = grid.RowCount();
    const std::uint64_t firstRecord = Ctf2Header::Size + IndexEntrySize * static_cast<std::uint64_t>(rows);
    std::vector<std::uint64_t> sizes(static_cast<size_t>(rows));
    std::uint64_t end = firstRecord;
    for (int row = 0; row < rows; ++row) {
        sizes[static_cast<size_t>(row)] = RecordSize(grid, row);
        end += RecordHeadSize + sizes[static_cast<size_t>(row)];
    }
    // Offsets and sizes are 32-bit fields.
    if (end > UINT32_MAX)
        throw EWriteError("The catalog is too large for a binary catalog file: " + path);

    AtomicFileWriter writer(path);
    const auto headerBytes = header.Encode();
    writer.Write(headerBytes.data(), headerBytes.size());
    std::uint64_t offset = firstRecord;
    for (int row = 0; row < rows; ++row) {
        WriteIndexEntry(writer, IndexKey(grid, keyColumn, row), offset);
        offset += RecordHeadSize + sizes[static_cast<size_t>(row)];
    }
    TMemoryStream buffer;
    for (int row = 0; row < rows; ++row)
        WriteRecord(writer, buffer, grid, row, sizes[static_cast<size_t>(row)]);
    writer.Commit();
}

} // namespace

didCTF2::didCTF2()
{
    type = "VDX";
    roles = DefaultRoleColumns();
    unitsMode = 1;
}

didCTF2::~didCTF2() = default;

void didCTF2::ReportWrongFormat() { Ui().MessageBox("Wrong file format", ErrorCaption, MsgButtons::OK, MsgIcon::Stop); }

void didCTF2::Forget()
{
    stream.reset();
    fileSize = 0;
    recordCount = 0;
    currentRecord = 0;
    indexKeys.clear();
    indexOffsets.clear();
    firstEntryOfKey.clear();
    lastFieldRecord = -1;
    lastFields.clear();
}

bool didCTF2::Open(const std::string& path, TStringGrid* grid)
{
    fileName = path;
    Forget();
    try {
        return OpenFile(path, grid);
    } catch (const EStreamError& error) {
        Forget();
        Ui().MessageBox(error.Message(), ErrorCaption, MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
}

bool didCTF2::OpenFile(const std::string& path, TStringGrid* grid)
{
    auto file = std::make_unique<TFileStream>(path, fmOpenRead);
    fileSize = file->Size();
    const std::optional<Ctf2Header> header = ReadHeader(*file);
    if (!header) {
        Forget();
        return false;
    }
    if (!ReadIndex(*file, header->recordCount))
        return Refuse();
    stream = std::move(file);
    TakeHeader(*header);
    StartProgress(recordCount, 1);
    if (!ReadColumnNames())
        return Refuse();
    First();
    if (grid && !FillGrid(*grid))
        return Refuse();
    return true;
}

// The header, when it is one this version reads and its counts fit in the file; else the reason is
// reported.
std::optional<Ctf2Header> didCTF2::ReadHeader(TStream& file)
{
    std::array<std::uint8_t, Ctf2Header::Size> bytes;
    if (fileSize < static_cast<std::int64_t>(bytes.size()) ||
        file.Read(bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size())) {
        ReportWrongFormat();
        return std::nullopt;
    }
    const Ctf2Header header = Ctf2Header::Decode(bytes.data());
    if (header.magic != Ctf2Header::Magic) {
        ReportWrongFormat();
        return std::nullopt;
    }
    if (header.version >= 2) {
        Ui().MessageBox("The catalog file can not be opened with this version of Kestrame.", ErrorCaption,
                        MsgButtons::OK, MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (!CountsFitInFile(header, fileSize)) {
        ReportWrongFormat();
        return std::nullopt;
    }
    return header;
}

void didCTF2::TakeHeader(const Ctf2Header& header)
{
    recordCount = static_cast<int>(header.recordCount);
    fieldCount = static_cast<int>(header.fieldCount);
    units = UnitsOf(header.units, units);
    photoCollection = header.photoCollection;
    photoCollectionMacPath = header.photoCollectionMacPath;
    for (size_t slot = 0; slot < StoredRoles.size(); ++slot) {
        const CatalogFieldRole role = StoredRoles[slot];
        const int column = header.roleColumns[slot];
        roles[role] = column == 0 && CatalogRoles[role].zeroMeansAbsent ? -1 : column;
    }
    roles[RoleReserved] = -1;
}

// The titles of the title record; none when the catalog has no records at all.
bool didCTF2::ReadColumnNames()
{
    if (recordCount == 0) {
        columnNames.assign(static_cast<size_t>(fieldCount), std::string());
        return true;
    }
    std::optional<Record> titles = ReadRecord(0);
    if (!titles)
        return false;
    columnNames = std::move(titles->fields);
    return true;
}

bool didCTF2::Refuse()
{
    Forget();
    ReportWrongFormat();
    return false;
}

bool didCTF2::ReadIndex(TStream& file, std::uint32_t entries)
{
    indexKeys.reserve(entries);
    indexOffsets.reserve(entries);
    firstEntryOfKey.reserve(entries);
    std::vector<std::uint8_t> chunk(std::min(entries, IndexChunkEntries) * IndexEntrySize);
    file.SetPosition(Ctf2Header::Size);
    for (std::uint32_t done = 0; done < entries;) {
        const std::uint32_t count = std::min(entries - done, IndexChunkEntries);
        const auto bytes = static_cast<std::int64_t>(count * IndexEntrySize);
        if (file.Read(chunk.data(), bytes) != bytes)
            return false;
        for (std::uint32_t i = 0; i < count; ++i, ++done) {
            const std::uint8_t* entry = chunk.data() + i * IndexEntrySize;
            const std::uint32_t offset = GetU32(entry + KeySize);
            if (offset + std::int64_t{RecordHeadSize} > fileSize)
                return false;
            indexKeys.push_back(GetFixedText(entry, KeySize));
            indexOffsets.push_back(offset);
            firstEntryOfKey.emplace(indexKeys.back(), static_cast<int>(done));
        }
    }
    return true;
}

std::optional<didCTF2::Record> didCTF2::ReadRecordAt(std::int64_t offset)
{
    std::uint8_t head[RecordHeadSize];
    if (offset < 0 || offset + std::int64_t{RecordHeadSize} > fileSize)
        return std::nullopt;
    stream->SetPosition(offset);
    if (stream->Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head))
        return std::nullopt;
    const std::int64_t size = GetU32(head + 8);
    const std::int64_t start = offset + static_cast<std::int64_t>(RecordHeadSize);
    if (size > fileSize - start ||
        static_cast<std::uint64_t>(fieldCount) > static_cast<std::uint64_t>(size) / MinimumFieldSize)
        return std::nullopt;
    recordBytes.SetSize(size);
    if (stream->Read(recordBytes.Memory(), size) != size)
        return std::nullopt;
    recordBytes.SetPosition(0);
    StringReaderWriter strings(recordBytes);
    Record record;
    record.end = start + size;
    record.fields.reserve(static_cast<size_t>(fieldCount));
    for (int field = 0; field < fieldCount; ++field) {
        std::optional<std::string> text = strings.ReadString();
        if (!text)
            return std::nullopt;
        record.fields.push_back(std::move(*text));
    }
    return record;
}

std::optional<didCTF2::Record> didCTF2::ReadRecord(int n)
{
    if (!stream || n < 0 || n >= recordCount)
        return std::nullopt;
    return ReadRecordAt(indexOffsets[static_cast<size_t>(n)]);
}

bool didCTF2::GoToRecord(int n)
{
    const std::optional<Record> record = ReadRecord(n);
    if (!record)
        return false;
    AssignCurrentRecord([&](int column) { return record->fields[static_cast<size_t>(column)]; });
    recordNumber = n;
    currentRecord = n;
    return true;
}

std::string didCTF2::GetFieldText(int field, int record)
{
    if (field < 0 || field >= fieldCount)
        return std::string();
    if (record != lastFieldRecord) {
        std::optional<Record> found = ReadRecord(record);
        if (!found)
            return std::string();
        lastFields = std::move(found->fields);
        lastFieldRecord = record;
    }
    return static_cast<size_t>(field) < lastFields.size() ? lastFields[static_cast<size_t>(field)] : std::string();
}

int didCTF2::ProductRecordCount() const { return std::max(static_cast<int>(indexOffsets.size()) - 1, 0); }

bool didCTF2::First() { return GoToRecord(1); }

bool didCTF2::Last() { return GoToRecord(recordCount - 1); }

bool didCTF2::Next() { return currentRecord < INT_MAX && GoToRecord(currentRecord + 1); }

bool didCTF2::Prior() { return currentRecord > INT_MIN && GoToRecord(currentRecord - 1); }

bool didCTF2::FindByKey(const std::string& key)
{
    if (key.size() > MaxKeyLength)
        return FindLongKey(key);
    const auto found = firstEntryOfKey.find(key);
    return found != firstEntryOfKey.end() && GoToRecord(found->second);
}

// The index holds only the first 255 characters of a part number, so a longer key is matched with the
// whole part numbers of the records whose index key is its start.
bool didCTF2::FindLongKey(const std::string& key)
{
    const std::string cut = key.substr(0, MaxKeyLength);
    const int column = ColumnOf(RolePartNumber);
    if (column < 0)
        return false;
    for (int n = 0; n < recordCount; ++n) {
        if (indexKeys[static_cast<size_t>(n)] != cut)
            continue;
        const std::optional<Record> record = ReadRecord(n);
        if (record && record->fields[static_cast<size_t>(column)] == key)
            return GoToRecord(n);
    }
    return false;
}

bool didCTF2::ReadRecordsIntoGrid(TStringGrid& grid, int first, int count, int firstRow)
{
    std::int64_t offset = indexOffsets[static_cast<size_t>(first)];
    for (int i = 0; i < count && first + i < recordCount; ++i) {
        const std::optional<Record> record = ReadRecordAt(offset);
        if (!record)
            return false;
        for (int col = 0; col < fieldCount; ++col)
            grid.SetCells(col, firstRow + i, record->fields[static_cast<size_t>(col)]);
        offset = record->end;
    }
    return true;
}

bool didCTF2::FillGrid(TStringGrid& grid)
{
    GridUtilities().ClearGrid(grid);
    grid.SetColCount(fieldCount);
    // The title row and at least one row below it, so that the title row stays fixed.
    grid.SetRowCount(std::max(recordCount, 2));
    const bool whole = recordCount == 0 || ReadRecordsIntoGrid(grid, 0, recordCount, 0);
    grid.SetFixedRows(1);
    return whole;
}

void didCTF2::LoadIntoGrid(TStringGrid& grid)
{
    if (stream && !FillGrid(grid))
        ReportWrongFormat();
}

void didCTF2::LoadRangeIntoGrid(TStringGrid& grid, int first, int count)
{
    if (!stream || first < 0 || first >= recordCount)
        return;
    GridUtilities().ClearGrid(grid);
    grid.SetRowCount(count < INT_MAX ? count + 1 : count);
    grid.SetColCount(fieldCount);
    const bool whole = ReadRecordsIntoGrid(grid, first, count, 1);
    grid.SetFixedRows(1);
    if (!whole)
        ReportWrongFormat();
}

bool didCTF2::SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                         const std::string& photoCollectionText)
{
    if (!grid)
        return false;
    const int keyColumn = roles[RolePartNumber] < grid->ColCount() ? roles[RolePartNumber] : -1;
    WriteCatalogFile(path, HeaderFor(*grid, unitsText, photoCollectionText), *grid, keyColumn);
    units = unitsText;
    photoCollection = photoCollectionText;
    fieldCount = grid->ColCount();
    recordCount = grid->RowCount() - 1;
    modified = false;
    ReopenSaved(path);
    return true;
}

Ctf2Header didCTF2::HeaderFor(const TStringGrid& grid, const std::string& unitsText,
                              const std::string& photoCollectionText) const
{
    Ctf2Header header;
    header.units = StoredUnits(unitsText);
    header.fieldCount = static_cast<std::uint32_t>(grid.ColCount());
    header.recordCount = static_cast<std::uint32_t>(grid.RowCount());
    header.photoCollection = photoCollectionText;
    header.photoCollectionMacPath = photoCollectionMacPath;
    for (size_t slot = 0; slot < StoredRoles.size(); ++slot)
        header.roleColumns[slot] = roles[StoredRoles[slot]];
    return header;
}

// Moving through the records goes on in the file just written, at the record that was current.
void didCTF2::ReopenSaved(const std::string& path)
{
    const int current = currentRecord;
    if (Open(path, nullptr) && current != currentRecord)
        GoToRecord(current);
}
