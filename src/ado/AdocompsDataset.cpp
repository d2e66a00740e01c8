#include "ado/AdocompsDataset.h"

#include "ado/AdocompsBlobStream.h"
#include "ado/AdocompsConnection.h"
#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Params.h"
#include "platform/data/TimeStamp.h"
#include "platform/services/SqlNames.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The has-value flag's place in a field slot; the value follows the three flag bytes.
constexpr size_t FetchedFlag = 0;
constexpr size_t ModifiedFlag = 1;
constexpr size_t HasValueFlag = 2;
constexpr size_t SlotFlagBytes = 3;
// A record buffer's flag when the recordset gives no bookmarks.
constexpr std::uint8_t NoBookmarkFlag = 4;

size_t SlotDataSize(TFieldType type, int size)
{
    switch (type) {
    case ftString:
        return static_cast<size_t>(size) + 1;
    case ftBytes:
    case ftVarBytes:
        return static_cast<size_t>(size) + 2;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftAutoInc:
        return 4;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftLargeint:
        return 8;
    case ftBlob:
    case ftMemo:
        return 16;
    default:
        return 0;
    }
}

// A blob or memo slot holds the Variant made for it, by its address.
Variant* HeldVariant(const std::uint8_t* data)
{
    static_assert(sizeof(Variant*) <= 16);
    Variant* held = nullptr;
    std::memcpy(&held, data, sizeof held);
    return held;
}

void HoldVariant(std::uint8_t* data, Variant* held) { std::memcpy(data, &held, sizeof held); }

int DefinitionSize(const AdoField& source, TFieldType type)
{
    switch (type) {
    case ftString:
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
        // A GUID's text is 38 characters with its braces.
        return source.Type() == adGUID ? 38
                                       : static_cast<int>(std::clamp<std::int64_t>(
                                             source.DefinedSize(), 0, std::numeric_limits<int>::max() - 2));
    case ftBCD:
        return std::min(source.NumericScale(), 4);
    default:
        return 0;
    }
}

unsigned DefinitionAttributes(int adoAttributes)
{
    if ((adoAttributes & (adFldUpdatable | adFldUnknownUpdatable)) == 0)
        return faReadonly;
    if ((adoAttributes & (adFldIsNullable | adFldMayBeNull)) == 0)
        return faRequired;
    return 0;
}

// The stand-in's bookmarks are row numbers; big-endian bytes order as the numbers do.
void EncodeBookmark(std::uint64_t number, std::uint8_t* data)
{
    for (size_t i = 0; i < 8; ++i)
        data[i] = static_cast<std::uint8_t>(number >> (56 - 8 * i));
    std::memset(data + 8, 0, 8);
}

Variant DecodeBookmark(const std::uint8_t* data)
{
    std::uint64_t number = 0;
    for (size_t i = 0; i < 8; ++i)
        number = number << 8 | data[i];
    return Variant::Double(static_cast<double>(number));
}

bool IsDateType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }

// A date slot's native time stamp as an OLE date.
double OleDateOfSlot(TFieldType type, const std::uint8_t* data)
{
    TTimeStamp stamp{0, DateDelta};
    if (type == ftDate) {
        std::memcpy(&stamp.Date, data, sizeof stamp.Date);
    } else if (type == ftTime) {
        std::memcpy(&stamp.Time, data, sizeof stamp.Time);
    } else {
        double milliseconds = 0;
        std::memcpy(&milliseconds, data, sizeof milliseconds);
        stamp = MSecsToTimeStamp(milliseconds);
    }
    return TimeStampToDateTime(stamp);
}

} // namespace

TdCustomADODataset::TdCustomADODataset() : command_(CreateOwned<TdADOCommand>())
{
    command_->SetComponentRef(*this);
    masterDataLink_.OnMasterChange = [this](TMasterDataLink&) { MasterChanged(); };
    masterDataLink_.OnMasterDisable = [this](TMasterDataLink&) { MasterDisabled(); };
}

TdCustomADODataset::~TdCustomADODataset()
{
    Close();
    SetConnection(nullptr);
}

void TdCustomADODataset::SetConnection(TdADOConnection* connection)
{
    TdADOConnection* previous = Connection();
    if (connection == previous)
        return;
    if (previous != nullptr)
        previous->RemoveDataset(*this);
    command_->SetConnection(connection);
    if (connection != nullptr)
        connection->AddDataset(*this);
}

// --- Properties ---

int TdCustomADODataset::CacheSize()
{
    if (recordset_)
        cacheSize_ = recordset_->CacheSize();
    return cacheSize_;
}

void TdCustomADODataset::SetCacheSize(int size)
{
    cacheSize_ = size;
    if (recordset_)
        recordset_->SetCacheSize(size);
}

TCursorLocation TdCustomADODataset::CursorLocation()
{
    if (recordset_)
        cursorLocation_ = FromAdo<TCursorLocation>(recordset_->CursorLocation());
    return cursorLocation_;
}

void TdCustomADODataset::SetCursorLocation(TCursorLocation location)
{
    if (location == cursorLocation_)
        return;
    CheckInactive();
    cursorLocation_ = location;
}

TCursorType TdCustomADODataset::CursorType()
{
    if (recordset_)
        cursorType_ = FromAdo<TCursorType>(recordset_->CursorType());
    return cursorType_;
}

void TdCustomADODataset::SetCursorType(TCursorType type)
{
    if (type == cursorType_)
        return;
    CheckInactive();
    cursorType_ = type;
}

TLockType TdCustomADODataset::LockType()
{
    if (recordset_)
        lockType_ = FromAdo<TLockType>(recordset_->LockType());
    return lockType_;
}

void TdCustomADODataset::SetLockType(TLockType type)
{
    if (type == lockType_)
        return;
    CheckInactive();
    lockType_ = type;
}

void TdCustomADODataset::SetMarshalOptions(TMarshalOption options)
{
    marshalOptions_ = options;
    if (recordset_)
        recordset_->SetMarshalOptions(ToAdo(options));
}

int TdCustomADODataset::MaxRecords()
{
    if (recordset_)
        maxRecords_ = ClampedToInt(recordset_->MaxRecords());
    return maxRecords_;
}

void TdCustomADODataset::SetMaxRecords(int count)
{
    if (count == maxRecords_)
        return;
    CheckInactive();
    maxRecords_ = count;
}

void TdCustomADODataset::SetCommandText(std::string_view text)
{
    if (text == CommandText())
        return;
    CheckInactive();
    command_->SetCommandText(text);
}

// The command runs texts, tables and procedures; a table opened directly or a file is opened by the
// dataset itself.
TCommandType TdCustomADODataset::CommandType() const
{
    return commandType_ == ad_CmdFile || commandType_ == ad_CmdTableDirect ? commandType_ : command_->CommandType();
}

void TdCustomADODataset::SetCommandType(TCommandType type)
{
    if (type == CommandType())
        return;
    CheckInactive();
    commandType_ = type;
    if (type != ad_CmdFile && type != ad_CmdTableDirect)
        command_->SetCommandType(type);
}

std::string TdCustomADODataset::Sort() const { return recordset_ ? recordset_->Sort() : std::string(); }

void TdCustomADODataset::SetSort(std::string_view sort)
{
    CheckActive();
    UpdateCursorPos();
    InternalSetSort(sort);
    Resync(0);
}

void TdCustomADODataset::InternalSetSort(std::string_view sort)
{
    recordset_->SetSort(sort);
    SetIndexFields(sort);
}

void TdCustomADODataset::SetIndexFields(std::string_view sort)
{
    std::string names = ReplaceAll(ReplaceAll(ReplaceAll(std::string(sort), ",", ";"), " DESC", ""), " ASC", "");
    indexFields_ = GetFieldList(names);
}

int TdCustomADODataset::GetIndexFieldCount()
{
    if (recordset_ && Active())
        SetIndexFields(recordset_->Sort());
    return static_cast<int>(indexFields_.size());
}

TField* TdCustomADODataset::GetIndexField(int index)
{
    if (index < 0 || index >= static_cast<int>(indexFields_.size()))
        DatabaseError("Index out of range", this);
    return indexFields_[static_cast<size_t>(index)];
}

void TdCustomADODataset::SetIndexField(int index, const TField& value)
{
    GetIndexField(index)->SetValue(value.Value());
}

std::string TdCustomADODataset::IndexFieldNames()
{
    if (Active())
        indexFieldNames_ = ReplaceAll(recordset_->Sort(), ",", ";");
    return indexFieldNames_;
}

void TdCustomADODataset::SetIndexFieldNames(std::string_view names)
{
    if (names == indexFieldNames_)
        return;
    indexFieldNames_ = names;
    if (Active())
        SetSort(ReplaceAll(indexFieldNames_, ";", ","));
}

std::string TdCustomADODataset::IndexName()
{
    if (Active())
        indexName_ = recordset_->Index();
    return indexName_;
}

void TdCustomADODataset::SetIndexName(std::string_view name)
{
    indexName_ = name;
    if (Active()) {
        SetFilter("");
        recordset_->SetIndex(name);
        Resync(0);
    }
}

void TdCustomADODataset::SetRecordsetObject(std::shared_ptr<AdoRecordset> recordset)
{
    Close();
    recordset_ = std::move(recordset);
    if (recordset_)
        Open();
}

TObjectStates TdCustomADODataset::GetRecordsetState() const
{
    return recordset_ ? SetFromAdo<TObjectState>(recordset_->State()) : TObjectStates{};
}

void TdCustomADODataset::Requery(TExecuteOptions options)
{
    CheckBrowseMode();
    recordset_->Requery(ToAdo(options));
    DestroyLookupCursor();
    First();
}

void TdCustomADODataset::GotoCurrent(TdCustomADODataset& other)
{
    other.CheckBrowseMode();
    GotoBookmark(other.GetBookmark());
}

// --- Opening and closing ---

void TdCustomADODataset::OpenCursor(bool /*infoQuery*/)
{
    if (!recordset_)
        OpenRecordset();
    // The field definitions come from an open recordset, so even they need a full open.
    TDataSet::OpenCursor(false);
}

void TdCustomADODataset::OpenRecordset()
{
    command_->Initialize(true);
    command_->CheckConnection(true);
    if (Parameters().Count() > 0 && masterDataLink_.DataSource() != nullptr)
        FollowMasterByParameters();
    auto recordset = std::make_shared<AdoRecordset>();
    recordset->SetCursorLocation(ToAdo(cursorLocation_));
    recordset->SetCacheSize(cacheSize_);
    recordset->SetMaxRecords(maxRecords_);
    if (!indexName_.empty())
        recordset->SetIndex(indexName_);
    const int options = ToAdo(ExecuteOptions()) + ToAdo(CommandType());
    if (commandType_ == ad_CmdFile || commandType_ == ad_CmdTableDirect)
        recordset->Open(CommandText(), command_->GetActiveConnection(), ToAdo(cursorType_), ToAdo(lockType_), options);
    else
        recordset->Open(command_->CommandObject(), ToAdo(cursorType_), ToAdo(lockType_), options);
    if (recordset->State() == adStateClosed)
        DatabaseError("CommandText does not return a result set", this);
    recordset_ = std::move(recordset);
}

void TdCustomADODataset::InternalOpen()
{
    SetBookmarkSize(recordset_->Supports(adBookmark) ? static_cast<int>(BookmarkBytes) : 0);
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    for (int i = 0; i < FieldCount(); ++i) {
        const TField& field = *Fields()[i];
        if (field.FieldNo() > 0 && field.IsBlob() != slots_[static_cast<size_t>(field.FieldNo() - 1)].holdsVariant)
            DatabaseError("Type mismatch for field '" + Win1252ToUtf8(field.FieldName()) + "'", this);
    }
    recordSize_ = HeaderBytes + dataSize_ + static_cast<size_t>(CalcFieldsSize());
    if (!indexFieldNames_.empty())
        InternalSetSort(ReplaceAll(indexFieldNames_, ";", ","));
    if (masterDataLink_.Active() && Parameters().Count() == 0)
        SetDetailFilter();
    if (Filtered() && !Filter().empty())
        ActivateTextFilter(Filter());
    if (recordset_->Supports(adBookmark | adMovePrevious))
        InternalFirst();
}

void TdCustomADODataset::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    slots_.clear();
    dataSize_ = 0;
    const AdoFields& fields = recordset_->Fields();
    for (int position = 0; position < fields.Count(); ++position) {
        const AdoField& source = fields.Item(position);
        const TFieldType type = FieldTypeOfAdo(source.Type());
        if (type == ftUnknown)
            continue;
        std::string name = source.Name();
        for (int counter = 1; FieldDefs().IndexOf(name) >= 0; ++counter)
            name = source.Name() + "_" + std::to_string(counter);
        const int size = DefinitionSize(source, type);
        TFieldDef& definition = FieldDefs().AddFieldDef(name, type, size);
        if (type == ftBCD)
            definition.SetPrecision(source.Precision());
        definition.SetAttributes(DefinitionAttributes(source.Attributes()));
        const size_t dataBytes = SlotDataSize(type, size);
        slots_.push_back({dataSize_, dataBytes, position, type == ftBlob || type == ftMemo});
        dataSize_ += SlotFlagBytes + dataBytes;
    }
}

int TdCustomADODataset::SourceColumn(const TField& field) const
{
    const int number = field.FieldNo();
    return number >= 1 && static_cast<size_t>(number) <= slots_.size()
               ? slots_[static_cast<size_t>(number - 1)].position
               : -1;
}

void TdCustomADODataset::InternalClose()
{
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    indexFields_.clear();
}

void TdCustomADODataset::CloseCursor()
{
    TDataSet::CloseCursor();
    DestroyLookupCursor();
    detailFilter_.clear();
    if (recordset_ && recordset_->State() == adStateOpen)
        recordset_->Close();
    recordset_.reset();
    command_->ClearActiveConnection();
}

bool TdCustomADODataset::IsCursorOpen() { return recordset_ && recordset_->State() == adStateOpen; }

void TdCustomADODataset::InternalHandleException()
{
    ShowingExceptions([]() -> bool { throw; });
}

// --- Record buffers ---

std::unique_ptr<std::uint8_t[]> TdCustomADODataset::AllocRecordBuffer()
{
    return std::make_unique<std::uint8_t[]>(recordSize_);
}

void TdCustomADODataset::FreeRecordBuffer(std::unique_ptr<std::uint8_t[]>& buffer)
{
    ClearRecordBuffer(buffer.get());
    buffer.reset();
}

void TdCustomADODataset::ClearRecordBuffer(TRecordBuffer buffer)
{
    for (const FieldSlot& slot : slots_)
        if (slot.holdsVariant) {
            std::uint8_t* data = SlotOf(buffer, slot) + SlotFlagBytes;
            delete HeldVariant(data);
            HoldVariant(data, nullptr);
        }
}

void TdCustomADODataset::InternalInitRecord(TRecordBuffer buffer)
{
    ClearRecordBuffer(buffer);
    std::memset(buffer, 0, recordSize_);
    SetBookmarkFlag(buffer, bfBOF);
}

void TdCustomADODataset::ClearCalcFields(TRecordBuffer buffer)
{
    std::memset(buffer + HeaderBytes + dataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TdCustomADODataset::GetBookmarkData(TRecordBuffer buffer, std::uint8_t* data)
{
    std::memcpy(data, buffer, BookmarkBytes);
}

void TdCustomADODataset::SetBookmarkData(TRecordBuffer buffer, const std::uint8_t* data)
{
    std::memcpy(buffer, data, BookmarkBytes);
}

TBookmarkFlag TdCustomADODataset::GetBookmarkFlag(TRecordBuffer buffer)
{
    return static_cast<TBookmarkFlag>(buffer[BookmarkBytes]);
}

void TdCustomADODataset::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[BookmarkBytes] = static_cast<std::uint8_t>(flag);
}

std::int32_t TdCustomADODataset::RecordNumberOf(const std::uint8_t* buffer) const
{
    std::int32_t number = 0;
    std::memcpy(&number, buffer + BookmarkBytes + 1, sizeof number);
    return number;
}

std::uint8_t* TdCustomADODataset::SlotOf(TRecordBuffer buffer, const FieldSlot& slot) const
{
    return buffer + HeaderBytes + slot.offset;
}

// --- Fetching and reading ---

// With a record filter, the buffer is the filter state's while OnFilterRecord judges each record
// fetched: moving skips what it rejects, and a rejected current record is an error.
TGetResult TdCustomADODataset::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/)
{
    if (!Filtered() || !OnFilterRecord())
        return FetchOne(buffer, mode);
    const TRecordBuffer previousBuffer = FilterBuffer();
    SetFilterBuffer(buffer);
    const TDataSetState saved = SetTempState(dsFilter);
    TGetResult result = grOK;
    try {
        result = FetchAccepted(buffer, mode);
    } catch (...) {
        RestoreState(saved);
        SetFilterBuffer(previousBuffer);
        throw;
    }
    RestoreState(saved);
    SetFilterBuffer(previousBuffer);
    return result;
}

TGetResult TdCustomADODataset::FetchAccepted(TRecordBuffer buffer, TGetMode mode)
{
    for (;;) {
        const TGetResult result = FetchOne(buffer, mode);
        if (result != grOK)
            return result;
        bool accept = true;
        OnFilterRecord()(*this, accept);
        if (accept)
            return grOK;
        if (mode == gmCurrent)
            return grError;
    }
}

TGetResult TdCustomADODataset::FetchOne(TRecordBuffer buffer, TGetMode mode)
{
    AdoRecordset& recordset = *recordset_;
    switch (mode) {
    case gmCurrent:
        if (recordset.Eof())
            return grEOF;
        if (recordset.Bof())
            return grBOF;
        break;
    case gmNext:
        if ((State() != dsInactive || SupportsBookmarks()) && !recordset.Eof())
            recordset.MoveNext();
        if (recordset.Eof())
            return grEOF;
        break;
    case gmPrior:
        if (recordset.Supports(adMovePrevious) && !recordset.Bof())
            recordset.MovePrevious();
        if (recordset.Bof())
            return grBOF;
        break;
    }
    ClearRecordBuffer(buffer);
    std::memset(buffer, 0, recordSize_);
    const std::int32_t number = ClampedToInt(recordset.AbsolutePosition());
    std::memcpy(buffer + BookmarkBytes + 1, &number, sizeof number);
    if (SupportsBookmarks()) {
        SetBookmarkFlag(buffer, bfCurrent);
        EncodeBookmark(static_cast<std::uint64_t>(recordset.Bookmark().AsInt64()), buffer);
    } else {
        buffer[BookmarkBytes] = NoBookmarkFlag;
    }
    GetCalcFields(buffer);
    return grOK;
}

bool TdCustomADODataset::OnRecordOf(TRecordBuffer buffer) const
{
    const std::optional<std::uint64_t> number = recordset_->BookmarkNumber();
    if (!number)
        return false;
    std::uint8_t current[BookmarkBytes];
    EncodeBookmark(*number, current);
    return std::memcmp(current, buffer, BookmarkBytes) == 0;
}

// Reads the field's value from the recordset into the slot, in the field's native layout; a slot
// smaller than the field's layout keeps what fits.
void TdCustomADODataset::FetchSlot(TRecordBuffer buffer, const FieldSlot& slot, TField& field)
{
    std::uint8_t* flags = SlotOf(buffer, slot);
    std::uint8_t* data = flags + SlotFlagBytes;
    flags[FetchedFlag] = 1;
    const Variant& value = recordset_->Fields().Item(slot.position).Value();
    if (value.IsEmpty() || value.IsNull())
        return;
    if (slot.holdsVariant) {
        auto held = std::make_unique<Variant>();
        field.VariantToData(value, held.get());
        HoldVariant(data, held.release());
    } else if (static_cast<size_t>(field.DataSize()) <= slot.dataSize) {
        field.VariantToData(value, data);
    } else {
        std::vector<std::uint8_t> whole(static_cast<size_t>(field.DataSize()));
        field.VariantToData(value, whole.data());
        std::memcpy(data, whole.data(), slot.dataSize);
    }
    flags[HasValueFlag] = 1;
}

bool TdCustomADODataset::GetFieldData(TField* field, void* buffer, bool nativeFormat)
{
    const TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr)
        return false;
    if (field->FieldNo() < 1) {
        const TDataSetState state = State();
        const bool readable =
            state == dsBrowse || state == dsEdit || state == dsInsert || state == dsCalcFields || state == dsBlockRead;
        return readable && ReadCalcField(record + HeaderBytes + dataSize_, *field, buffer);
    }
    const FieldSlot& slot = slots_.at(static_cast<size_t>(field->FieldNo() - 1));
    std::uint8_t* flags = SlotOf(record, slot);
    if (flags[FetchedFlag] == 0 && GetBookmarkFlag(record) == bfCurrent) {
        if (State() != dsCalcFields && SupportsBookmarks() && !OnRecordOf(record))
            InternalSetToRecord(record);
        FetchSlot(record, slot, *field);
    }
    if (flags[HasValueFlag] == 0)
        return false;
    if (buffer == nullptr)
        return true;
    const std::uint8_t* data = flags + SlotFlagBytes;
    if (slot.holdsVariant) {
        *static_cast<Variant*>(buffer) = *HeldVariant(data);
    } else if (!nativeFormat && IsDateType(field->DataType())) {
        const double date = OleDateOfSlot(field->DataType(), data);
        std::memcpy(buffer, &date, sizeof date);
    } else {
        const size_t fieldBytes = static_cast<size_t>(field->DataSize());
        const size_t copied = std::min(slot.dataSize, fieldBytes);
        std::memcpy(buffer, data, copied);
        std::memset(static_cast<std::uint8_t*>(buffer) + copied, 0, fieldBytes - copied);
    }
    return true;
}

// --- Navigation ---

void TdCustomADODataset::MoveBeforeFirst()
{
    if (recordset_->Bof())
        return;
    recordset_->MoveFirst();
    if (recordset_->Supports(adMovePrevious) && !recordset_->Bof())
        recordset_->MovePrevious();
}

void TdCustomADODataset::MoveAfterLast()
{
    if (recordset_->Eof())
        return;
    recordset_->MoveLast();
    if (!recordset_->Eof())
        recordset_->MoveNext();
}

void TdCustomADODataset::InternalFirst() { MoveBeforeFirst(); }

void TdCustomADODataset::InternalLast() { MoveAfterLast(); }

// A record being inserted has no row yet: the cursor stays where it is.
void TdCustomADODataset::InternalSetToRecord(TRecordBuffer buffer)
{
    if (GetBookmarkFlag(buffer) == bfCurrent)
        InternalGotoBookmark(buffer);
}

void TdCustomADODataset::InternalGotoBookmark(const std::uint8_t* bookmark)
{
    recordset_->SetBookmark(DecodeBookmark(bookmark));
}

int TdCustomADODataset::GetRecordCount()
{
    CheckActive();
    return ClampedToInt(recordset_->RecordCount());
}

int TdCustomADODataset::GetRecNo()
{
    CheckActive();
    if (State() == dsCalcFields)
        return RecordNumberOf(CalcBuffer());
    return IsEmpty() ? -1 : RecordNumberOf(ActiveBuffer());
}

void TdCustomADODataset::SetRecNo(int recNo)
{
    if (recNo == RecNo())
        return;
    CheckBrowseMode();
    recordset_->SetAbsolutePosition(recNo);
    Resync(rmCenter);
    DoAfterScroll();
}

bool TdCustomADODataset::IsSequenced()
{
    return recordset_ && recordset_->Supports(adApproxPosition) && cursorLocation_ == ad_UseClient && !Filtered();
}

bool TdCustomADODataset::GetCanModify()
{
    return recordset_ && recordset_->State() == adStateOpen && recordset_->Supports(adUpdate);
}

// Back to where the cursor was: before the first or after the last record, or on its record while
// that is still there (else before the first).
void TdCustomADODataset::InternalRefresh()
{
    AdoRecordset& recordset = *recordset_;
    const bool atBof = recordset.Bof();
    const bool atEof = recordset.Eof();
    const Variant bookmark = atBof || atEof ? Variant() : recordset.Bookmark();
    recordset.Requery(0);
    if (atBof) {
        MoveBeforeFirst();
    } else if (atEof) {
        MoveAfterLast();
    } else {
        try {
            recordset.SetBookmark(bookmark);
        } catch (const EOleException&) {
            MoveBeforeFirst();
        }
    }
}

void TdCustomADODataset::SetBlockReadSize(int /*size*/)
{
    TDataSet::SetBlockReadSize(0);
    if (Active())
        Next();
}

// --- Editing ---

void TdCustomADODataset::RequireWritableState() const
{
    switch (State()) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        return;
    default:
        DatabaseError("Dataset not in edit or insert mode", this);
    }
}

void TdCustomADODataset::SetFieldData(TField* field, const void* buffer, bool /*nativeFormat*/)
{
    RequireWritableState();
    const TDataSetState state = State();
    const TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr)
        DatabaseError("Dataset not in edit or insert mode", this);
    if (field->FieldNo() < 1) {
        WriteCalcField(record + HeaderBytes + dataSize_, *field, buffer);
    } else {
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseError("Field '" + Win1252ToUtf8(field->DisplayName()) + "' cannot be modified", this);
        const FieldSlot& slot = slots_.at(static_cast<size_t>(field->FieldNo() - 1));
        std::uint8_t* flags = SlotOf(record, slot);
        std::uint8_t* data = flags + SlotFlagBytes;
        if (slot.holdsVariant) {
            delete HeldVariant(data);
            HoldVariant(data, buffer ? new Variant(*static_cast<const Variant*>(buffer)) : nullptr);
        } else if (buffer != nullptr) {
            // The slot keeps the field's native layout, as a fetch leaves it.
            const size_t copied = std::min(slot.dataSize, static_cast<size_t>(field->DataSize()));
            std::memcpy(data, buffer, copied);
            std::memset(data + copied, 0, slot.dataSize - copied);
        }
        flags[HasValueFlag] = buffer != nullptr ? 1 : 0;
        flags[ModifiedFlag] = 1;
        flags[FetchedFlag] = 1;
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// A slot's value as the recordset takes it: the field's own conversion of its native layout, so
// that large integers stay whole and dates go as dates.
Variant TdCustomADODataset::SlotValue(const TField& field, const FieldSlot& slot, const std::uint8_t* data) const
{
    if (slot.holdsVariant) {
        const Variant* held = HeldVariant(data);
        return held ? *held : Variant::Null();
    }
    std::vector<std::uint8_t> native(std::max(static_cast<size_t>(field.DataSize()), slot.dataSize));
    std::memcpy(native.data(), data, slot.dataSize);
    return field.DataToVariant(native.data());
}

void TdCustomADODataset::WriteModifiedFields()
{
    const TRecordBuffer record = ActiveBuffer();
    for (int i = 0; i < FieldCount(); ++i) {
        const TField& field = *Fields()[i];
        if (field.FieldNo() < 1)
            continue;
        const FieldSlot& slot = slots_.at(static_cast<size_t>(field.FieldNo() - 1));
        const std::uint8_t* flags = SlotOf(record, slot);
        if (flags[ModifiedFlag] == 0)
            continue;
        const Variant value =
            flags[HasValueFlag] != 0 ? SlotValue(field, slot, flags + SlotFlagBytes) : Variant::Null();
        recordset_->Fields().Item(slot.position).SetValue(value);
    }
    if (recordset_->EditMode() != adEditNone)
        recordset_->Update();
}

void TdCustomADODataset::InternalPost()
{
    UpdateCursorPos();
    // A clone's order lacks a record added since it was made.
    DestroyLookupCursor();
    if (State() == dsEdit) {
        WriteModifiedFields();
        return;
    }
    recordset_->AddNew();
    try {
        WriteModifiedFields();
        recordset_->SetBookmark(recordset_->Bookmark());
    } catch (...) {
        recordset_->CancelUpdate();
        CursorPosChanged();
        throw;
    }
}

// The recordset leaves the deleted record behind its cursor; after the last one it reads the rows
// again.
void TdCustomADODataset::InternalDelete()
{
    recordset_->Delete(adAffectCurrent);
    DestroyLookupCursor();
    recordset_->MoveNext();
    if (recordset_->Eof())
        recordset_->Requery(0);
}

void TdCustomADODataset::InternalCancel()
{
    if (!recordset_->Bof() && !recordset_->Eof())
        recordset_->CancelUpdate();
}

// --- Filtering and searching ---

void TdCustomADODataset::ActivateTextFilter(std::string_view text) { recordset_->SetFilter(Variant::FromString(text)); }

void TdCustomADODataset::DeactivateFilters() { recordset_->SetFilter(Variant::Integer(adFilterNone)); }

void TdCustomADODataset::DestroyLookupCursor()
{
    lookupCursor_.reset();
    locateCursor_.reset();
}

// A text the recordset refuses is not kept.
void TdCustomADODataset::SetFilterText(std::string_view text)
{
    if (text == Filter())
        return;
    if (!text.empty() && !MasterFields().empty())
        DatabaseError("Filter property can not be used for detail tables", this);
    if (!Active() || !Filtered()) {
        TDataSet::SetFilterText(text);
        return;
    }
    CheckBrowseMode();
    if (!text.empty())
        ActivateTextFilter(text);
    else if (detailFilter_.empty())
        DeactivateFilters();
    DestroyLookupCursor();
    TDataSet::SetFilterText(text);
    First();
}

void TdCustomADODataset::SetFiltered(bool filtered)
{
    if (filtered == Filtered())
        return;
    if (Active()) {
        CheckBrowseMode();
        DestroyLookupCursor();
        // A detail's recordset filter is its detail filter, which its empty Filter text leaves alone.
        if (filtered && !Filter().empty())
            ActivateTextFilter(Filter());
        else if (detailFilter_.empty())
            DeactivateFilters();
    }
    TDataSet::SetFiltered(filtered);
}

std::string TdCustomADODataset::FilterCondition(const TField& field, const Variant& value, bool partial)
{
    const std::string& fieldName = field.FieldName();
    const std::string name = fieldName.find(' ') == std::string::npos ? fieldName : "[" + fieldName + "]";
    std::string op = "=";
    if (value.IsNull() || value.IsEmpty())
        return "(" + name + op + "NULL)";
    // The variant's text keeps "." and ISO dates under every locale, as the criteria read them.
    std::string text = IsDateType(field.DataType()) && value.VarType() != varOleStr
                           ? Variant::Date(value.AsDouble()).AsString()
                           : value.AsString();
    std::string quote;
    switch (field.DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
        quote = "#";
        break;
    case ftString:
    case ftFixedChar:
    case ftWideString:
        // Quotes inside are doubled, so that no value reads as more conditions.
        quote = "'";
        text = ReplaceAll(text, "'", "''");
        if (partial && !text.empty()) {
            text += "*";
            op = " like ";
        }
        break;
    default:
        break;
    }
    return "(" + name + op + quote + text + quote + ")";
}

// --- Master and detail ---

void TdCustomADODataset::SetDataSource(TDataSource* source)
{
    if (IsLinkedTo(source))
        DatabaseError("Circular datalinks are not allowed", this);
    masterDataLink_.SetDataSource(source);
}

void TdCustomADODataset::SetMasterFields(std::string_view fields)
{
    if (!fields.empty() && !Filter().empty())
        DatabaseError("Filter property can not be used for detail tables", this);
    masterDataLink_.SetFieldNames(std::string(fields));
}

// Each master field's value against the detail's index field of its place, or its namesake; after
// the first, a master field without a value adds no condition.
bool TdCustomADODataset::SetDetailFilter()
{
    const std::vector<TField*>& masters = masterDataLink_.Fields();
    std::string filter;
    for (size_t i = 0; i < masters.size(); ++i) {
        const Variant value = masters[i]->Value();
        if (i > 0 && (value.IsNull() || value.IsEmpty()))
            continue;
        const TField& detail = i < indexFields_.size() ? *indexFields_[i] : *masters[i];
        filter += (filter.empty() ? "" : " AND ") + FilterCondition(detail, value, false);
    }
    if (filter == detailFilter_)
        return false;
    recordset_->SetFilter(Variant::FromString(filter));
    detailFilter_ = filter;
    DestroyLookupCursor();
    return true;
}

void TdCustomADODataset::MasterChanged()
{
    if (!Active())
        return;
    if (Parameters().Count() > 0) {
        RefreshParams();
        return;
    }
    CheckBrowseMode();
    if (SetDetailFilter())
        First();
}

void TdCustomADODataset::MasterDisabled()
{
    if (Parameters().Count() > 0)
        return;
    CheckBrowseMode();
    DeactivateFilters();
    detailFilter_.clear();
    DestroyLookupCursor();
    First();
}

// The input parameters name the master fields they take their values from.
void TdCustomADODataset::FollowMasterByParameters()
{
    std::string names;
    for (int i = 0; i < Parameters().Count(); ++i) {
        TParameter& parameter = Parameters().Items(i);
        if (parameter.Direction() == ad_ParamInput || parameter.Direction() == ad_ParamInputOutput)
            names += (names.empty() ? "" : ";") + parameter.Name();
    }
    SetMasterFields(names);
    SetParamsFromCursor();
}

void TdCustomADODataset::SetParamsFromCursor()
{
    TDataSet* master = masterDataLink_.DataSet();
    if (master == nullptr)
        return;
    master->FieldDefs().Update();
    for (int i = 0; i < Parameters().Count(); ++i) {
        TParameter& parameter = Parameters().Items(i);
        if (parameter.Direction() == ad_ParamInput || parameter.Direction() == ad_ParamInputOutput)
            parameter.SetValue(master->FieldByName(parameter.Name())->Value());
    }
}

void TdCustomADODataset::RefreshParams()
{
    DisableControls();
    try {
        const TDataSet* master = masterDataLink_.DataSet();
        if (master != nullptr && master->Active() && master->State() != dsSetKey) {
            SetParamsFromCursor();
            Requery();
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

bool TdCustomADODataset::LocateRecord(std::string_view keyFields, const Variant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    UpdateCursorPos();
    CursorPosChanged();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    if (!locateCursor_)
        locateCursor_ = recordset_->Clone(adLockReadOnly);
    if (recordset_->CursorLocation() == adUseClient) {
        std::string sort;
        for (const TField* field : fields)
            sort += (sort.empty() ? "" : ",") + (field->FieldName().find(' ') == std::string::npos
                                                     ? field->FieldName()
                                                     : "[" + field->FieldName() + "]");
        locateCursor_->SetSort(sort);
    }
    const bool partial = options.Contains(loPartialKey);
    // The clone keeps the recordset's own filter, so that only a record the data set shows is found.
    const Variant shown = recordset_->Filter();
    if (fields.size() == 1) {
        locateCursor_->SetFilter(shown);
        locateCursor_->Find(FilterCondition(*fields.front(), keyValues, partial), 0, adSearchForward,
                            Variant::Integer(adBookmarkFirst));
    } else {
        std::string criteria = shown.VarType() == varOleStr ? "(" + shown.AsString() + ")" : "";
        for (size_t i = 0; i < fields.size(); ++i)
            criteria +=
                (criteria.empty() ? "" : " AND ") + FilterCondition(*fields[i], keyValues.ArrayValue().at(i), partial);
        locateCursor_->SetFilter(Variant::FromString(criteria));
    }
    const bool found = !locateCursor_->Eof();
    if (found)
        recordset_->SetBookmark(locateCursor_->Bookmark());
    return found;
}

bool TdCustomADODataset::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options)
{
    DoBeforeScroll();
    const bool found = LocateRecord(keyFields, keyValues, options);
    if (found) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return found;
}

Variant TdCustomADODataset::Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields)
{
    if (!LocateRecord(keyFields, keyValues, {}))
        return Variant::Null();
    const TDataSetState saved = SetTempState(dsCalcFields);
    Variant result;
    try {
        FetchOne(TempBuffer(), gmCurrent);
        CalculateFields(TempBuffer());
        std::vector<Variant> values;
        for (const TField* field : GetFieldList(resultFields))
            values.push_back(field->Value());
        result = values.size() == 1 ? values.front() : Variant::Array(std::move(values));
    } catch (...) {
        RestoreState(saved);
        throw;
    }
    RestoreState(saved);
    return result;
}

// A clone of the recordset, whose own filter (a detail's) it keeps.
AdoRecordset& TdCustomADODataset::LookupCursor()
{
    if (!lookupCursor_)
        lookupCursor_ = recordset_->Clone(adLockReadOnly);
    return *lookupCursor_;
}

bool TdCustomADODataset::FindRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    UpdateCursorPos();
    CursorPosChanged();
    DoBeforeScroll();
    AdoRecordset& cursor = Filtered() ? *recordset_ : LookupCursor();
    const bool searching = !Filtered() && !Filter().empty();
    // A Filter text that cannot be read is reported, not taken for a search that found nothing.
    if (searching)
        cursor.CheckCriteria(Filter());
    bool found = false;
    try {
        if (searching) {
            // Searching from the current record finds the next one selected even when the current
            // one is not.
            const Variant start =
                restart ? Variant::Integer(goForward ? adBookmarkFirst : adBookmarkLast) : recordset_->Bookmark();
            cursor.Find(Filter(), restart ? 0 : 1, goForward ? adSearchForward : adSearchBackward, start);
        } else if (restart) {
            goForward ? cursor.MoveFirst() : cursor.MoveLast();
        } else {
            if (&cursor != recordset_.get())
                cursor.SetBookmark(recordset_->Bookmark());
            goForward ? cursor.MoveNext() : cursor.MovePrevious();
        }
        if (&cursor != recordset_.get())
            recordset_->SetBookmark(cursor.Bookmark());
        Resync(rmExact | rmCenter);
        found = true;
    } catch (const Exception&) {
        // A search past the end, or a bookmark taken there, finds nothing.
    }
    if (found)
        DoAfterScroll();
    return found;
}

bool TdCustomADODataset::Seek(const Variant& keyValues, TSeekOption option)
{
    DoBeforeScroll();
    CheckBrowseMode();
    recordset_->Seek(keyValues, ToAdo(option));
    if (recordset_->Eof()) {
        CursorPosChanged();
        return false;
    }
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

void TdCustomADODataset::InternalAddRecord(TRecordBuffer /*buffer*/, bool append)
{
    if (append)
        InternalLast();
}

std::unique_ptr<TStream> TdCustomADODataset::CreateBlobStream(TField* field, TBlobStreamMode mode)
{
    auto* blob = dynamic_cast<TBlobField*>(field);
    if (blob == nullptr)
        DatabaseError("Invalid class typecast", this);
    return std::make_unique<TdADOBlobStream>(*blob, mode);
}

bool TdCustomADODataset::BookmarkValid(const TBookmark& bookmark)
{
    if (bookmark.size() != BookmarkBytes || !recordset_)
        return false;
    try {
        recordset_->SetBookmark(DecodeBookmark(bookmark.data()));
    } catch (const EOleException&) {
        return false;
    }
    CursorPosChanged();
    return true;
}

// --- Index definitions ---

// The driver's name of the open table is exact where the typed one may differ in case (PostgreSQL
// folds unquoted names).
std::string TdCustomADODataset::IndexTableName() const
{
    if (recordset_ && recordset_->State() == adStateOpen && recordset_->Fields().Count() > 0) {
        const Variant table = recordset_->Fields().Item(0).Properties("BASETABLENAME");
        if (!table.AsString().empty())
            return table.AsString();
    }
    return SqlBareName(CommandText());
}

void TdCustomADODataset::UpdateIndexDefs()
{
    FieldDefs().Update();
    IndexDefs().Clear();
    if (CommandType() != ad_CmdTable && CommandType() != ad_CmdTableDirect)
        return;
    command_->CheckConnection(true);
    const auto rows = command_->GetActiveConnection()->OpenSchema(
        adSchemaIndexes,
        Variant::Array({Variant(), Variant(), Variant(), Variant(), Variant::FromString(IndexTableName())}));
    const AdoFields& columns = rows->Fields();
    if (rows->RecordCount() == 0)
        return;
    for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
        const std::string column = columns.Item("COLUMN_NAME").Value().AsString();
        if (columns.Item("ORDINAL_POSITION").Value().AsInt64() < 2) {
            unsigned options = 0;
            if (columns.Item("PRIMARY_KEY").Value().AsBoolean())
                options |= ixPrimary;
            if (columns.Item("UNIQUE").Value().AsBoolean())
                options |= ixUnique;
            if (!columns.Item("AUTO_UPDATE").Value().AsBoolean())
                options |= ixNonMaintained;
            IndexDefs().Add(columns.Item("INDEX_NAME").Value().AsString(), column, options);
        } else if (IndexDefs().Count() > 0) {
            TIndexDef& last = IndexDefs().Items(IndexDefs().Count() - 1);
            last.SetFields(last.Fields() + ";" + column);
        }
    }
}

// --- Provider support ---

void TdCustomADODataset::PSExecute() { command_->Execute(); }

TParams& TdCustomADODataset::PSGetParams()
{
    if (!providerParams_)
        providerParams_ = std::make_unique<TParams>(this);
    providerParams_->Clear();
    for (int i = 0; i < Parameters().Count(); ++i) {
        TParameter& parameter = Parameters().Items(i);
        parameter.AssignTo(providerParams_->CreateParam(parameter.DataType(), parameter.Name(), ptUnknown));
    }
    return *providerParams_;
}

void TdCustomADODataset::PSReset()
{
    if (!Active())
        return;
    CheckBrowseMode();
    First();
}

void TdCustomADODataset::PSSetParams(const TParams& params)
{
    if (params.Count() == 0)
        return;
    if (CommandType() == ad_CmdTable || CommandType() == ad_CmdTableDirect) {
        Open();
        std::string filter;
        for (int i = 0; i < params.Count(); ++i) {
            const TParam& param = params.Items(i);
            filter +=
                (filter.empty() ? "" : " AND ") + FilterCondition(*FieldByName(param.Name()), param.Value(), false);
        }
        ActivateTextFilter(filter);
        DestroyLookupCursor();
        First();
    } else {
        Parameters().Clear();
        for (int i = 0; i < params.Count(); ++i)
            Parameters().AddParameter().Assign(params.Items(i));
        Close();
    }
    PSReset();
}

void TdCustomADODataset::PSSetCommandText(std::string_view text)
{
    if (!text.empty())
        SetCommandText(text);
}

std::string TdCustomADODataset::PSGetTableName()
{
    switch (CommandType()) {
    case ad_CmdUnknown:
    case ad_CmdText:
        return SqlSelectTableName(CommandText());
    case ad_CmdTable:
    case ad_CmdTableDirect:
        return CommandText();
    default:
        return {};
    }
}

EUpdateError TdCustomADODataset::PSGetUpdateException(const std::exception_ptr& error, const EUpdateError* previous)
{
    try {
        std::rethrow_exception(error);
    } catch (const EOleException& failure) {
        return EUpdateError(failure.Message(), {}, failure.NativeCode(), previous ? previous->ErrorCode() : 0, error);
    } catch (...) {
    }
    return TDataSet::PSGetUpdateException(error, previous);
}

std::vector<TIndexDef> TdCustomADODataset::PSGetIndexDefs(unsigned options)
{
    IndexDefs().Update();
    std::vector<TIndexDef> chosen;
    for (int i = 0; i < IndexDefs().Count(); ++i)
        if (options == 0 || (IndexDefs().Items(i).Options() & options) != 0)
            chosen.push_back(IndexDefs().Items(i));
    return chosen;
}

std::string TdCustomADODataset::PSGetKeyFields()
{
    IndexDefs().SetUpdated(false);
    IndexDefs().Update();
    for (int i = 0; i < IndexDefs().Count(); ++i) {
        const TIndexDef& index = IndexDefs().Items(i);
        if ((index.Options() & ixUnique) == 0)
            continue;
        bool complete = true;
        for (size_t start = 0; start <= index.Fields().size() && complete;) {
            const size_t end = std::min(index.Fields().find(';', start), index.Fields().size());
            complete = FindField(Trim(std::string_view(index.Fields()).substr(start, end - start))) != nullptr;
            start = end + 1;
        }
        if (complete)
            return index.Fields();
    }
    return {};
}

std::unique_ptr<TIndexDef> TdCustomADODataset::PSGetDefaultOrder()
{
    IndexDefs().SetUpdated(false);
    IndexDefs().Update();
    const TIndexDefs& indexes = IndexDefs();
    auto first = [&](const std::function<bool(const TIndexDef&)>& wanted) -> const TIndexDef* {
        for (int i = 0; i < indexes.Count(); ++i)
            if (wanted(indexes.Items(i)))
                return &indexes.Items(i);
        return nullptr;
    };
    const std::string name = IndexName(), fields = IndexFieldNames();
    const TIndexDef* chosen =
        first([&](const TIndexDef& index) { return !name.empty() && SameText(index.Name(), name); });
    if (chosen == nullptr)
        chosen = first([&](const TIndexDef& index) { return !fields.empty() && SameText(index.Fields(), fields); });
    if (chosen == nullptr)
        chosen = first([](const TIndexDef& index) { return (index.Options() & ixPrimary) != 0; });
    if (chosen == nullptr)
        chosen = first([](const TIndexDef& index) { return (index.Options() & ixUnique) != 0; });
    return chosen ? std::make_unique<TIndexDef>(*chosen) : nullptr;
}

void TdCustomADODataset::PSStartTransaction()
{
    command_->CheckConnection(true);
    command_->GetActiveConnection()->BeginTrans();
}

void TdCustomADODataset::PSEndTransaction(bool commit)
{
    const std::shared_ptr<AdoConnection>& connection = command_->GetActiveConnection();
    if (!connection)
        return;
    if (commit)
        connection->CommitTrans();
    else
        connection->RollbackTrans();
}

bool TdCustomADODataset::PSInTransaction() const { return Connection() != nullptr && Connection()->GetInTransaction(); }

int TdCustomADODataset::PSExecuteStatement(std::string_view sql, const TParams& params,
                                           std::unique_ptr<TDataSet>* resultSet)
{
    command_->CheckConnection(true);
    TdADOCommand command;
    command.CommandObject().SetActiveConnection(command_->GetActiveConnection());
    command.SetParamCheck(false);
    command.SetCommandText(sql);
    TParameters& parameters = command.Parameters();
    if (parameters.Refresh() && parameters.Count() == params.Count()) {
        for (int i = 0; i < params.Count(); ++i) {
            if (parameters.Items(i).DataType() != params.Items(i).DataType())
                parameters.Items(i).SetDataType(params.Items(i).DataType());
            parameters.Items(i).SetValue(params.Items(i).Value());
        }
    } else {
        parameters.Clear();
        for (int i = 0; i < params.Count(); ++i)
            parameters.AddParameter().Assign(params.Items(i));
    }
    int affected = 0;
    if (resultSet == nullptr) {
        command.SetExecuteOptions({ad_ExecuteNoRecords});
        command.Execute(affected);
        return affected;
    }
    auto result = std::make_unique<TdADODataset>();
    result->SetRecordsetObject(command.Execute(affected));
    *resultSet = std::move(result);
    return affected;
}

std::string TdCustomADODataset::BaseProperty(std::string_view fieldName, std::string_view property)
{
    const TField& field = *FieldByName(fieldName);
    const FieldSlot& slot = slots_.at(static_cast<size_t>(field.FieldNo() - 1));
    const Variant value = recordset_->Fields().Item(slot.position).Properties(property);
    return value.IsNull() || value.IsEmpty() ? std::string() : value.AsString();
}

std::string TdCustomADODataset::GetBaseColumnName(std::string_view fieldName)
{
    return BaseProperty(fieldName, "BASECOLUMNNAME");
}

std::string TdCustomADODataset::GetBaseTableName(std::string_view fieldName)
{
    return BaseProperty(fieldName, "BASETABLENAME");
}

void TdCustomADODataset::GetIndexNames(TStringList& list)
{
    IndexDefs().SetUpdated(false);
    IndexDefs().Update();
    IndexDefs().GetItemNames(list);
}
