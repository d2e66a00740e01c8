#include "platform/data/DataSet.h"

#include "platform/core/CodePage.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"

#include <algorithm>
#include <cstring>

TDataSet::TDataSet() : fieldDefs_(*this), indexDefs_(*this) {}

TDataSet::~TDataSet()
{
    while (!dataSources_.empty())
        dataSources_.back()->SetDataSet(nullptr);
}

// --- Opening and closing ---

void TDataSet::SetActive(bool active)
{
    if (Loading()) {
        streamedActive_ = active;
        return;
    }
    if (active == Active())
        return;
    if (active) {
        Notify(BeforeOpen);
        // Nobody hears of the opening until the first record is at hand.
        state_ = dsOpening;
        try {
            OpenCursor(false);
            OpenCursorComplete();
        } catch (...) {
            state_ = dsInactive;
            CloseCursor();
            throw;
        }
        Notify(AfterOpen);
        if (!IsEmpty())
            DoAfterScroll();
    } else {
        Notify(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        Notify(AfterClose);
    }
}

void TDataSet::OpenCursorComplete()
{
    AllocateBuffers();
    ClearBuffers();
    GetNextRecord();
    bof_ = true;
    eof_ = IsEmpty();
    SetState(dsBrowse);
}

void TDataSet::Loaded()
{
    TComponent::Loaded();
    if (!streamedActive_)
        return;
    try {
        SetActive(true);
    } catch (...) {
        InternalHandleException();
    }
}

void TDataSet::OpenCursor(bool infoQuery)
{
    if (infoQuery) {
        InternalInitFieldDefs();
        return;
    }
    defaultFields_ = fields_.Count() == 0;
    InternalOpen();
}

void TDataSet::CloseCursor()
{
    FreeBuffers();
    InternalClose();
}

void TDataSet::InitFieldDefs()
{
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    try {
        OpenCursor(true);
    } catch (...) {
        CloseCursor();
        throw;
    }
    CloseCursor();
}

void TDataSet::CreateFields()
{
    for (int i = 0; i < fieldDefs_.Count(); ++i)
        fieldDefs_.Items(i).CreateField(*this);
}

void TDataSet::DestroyFields() { fields_.Clear(); }

void TDataSet::InsertField(std::unique_ptr<TField> field)
{
    field->dataSet_ = this;
    fields_.Add(std::move(field));
}

void TDataSet::BindFields(bool binding)
{
    calcFieldsSize_ = 0;
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& field = *fields_[i];
        if (!binding) {
            field.fieldNo_ = 0;
        } else if (field.Calculated()) {
            // The calculated area holds plain bytes; a Variant cannot live there.
            if (field.IsBlob())
                DatabaseError("Calculated field '" + Win1252ToUtf8(field.DisplayName()) + "' cannot be a blob", this);
            field.fieldNo_ = -1;
            field.offset_ = calcFieldsSize_;
            calcFieldsSize_ += 1 + field.DataSize();
        } else {
            field.fieldNo_ = fieldDefs_.Find(field.FieldName()).FieldNo();
        }
    }
}

// --- Buffers ---

void TDataSet::AllocateBuffers()
{
    activeBuffer_ = AllocRecordBuffer();
    tempBuffer_ = AllocRecordBuffer();
}

void TDataSet::FreeBuffers()
{
    for (auto* buffer : {&activeBuffer_, &tempBuffer_})
        if (*buffer)
            FreeRecordBuffer(*buffer);
    calcBuffer_ = nullptr;
    filterBuffer_ = nullptr;
    ClearBuffers();
}

void TDataSet::ClearBuffers()
{
    hasRecord_ = false;
    cursorOnActive_ = false;
    bof_ = true;
    eof_ = true;
}

bool TDataSet::FetchRecord(TGetMode mode, bool doCheck)
{
    // A fetch lands in the temporary buffer, so that one that finds nothing leaves the active
    // record as it was; the cursor then no longer stands on it.
    if (GetRecord(tempBuffer_.get(), mode, doCheck) != grOK) {
        cursorOnActive_ = false;
        return false;
    }
    std::swap(activeBuffer_, tempBuffer_);
    hasRecord_ = true;
    cursorOnActive_ = true;
    return true;
}

bool TDataSet::GetNextRecord()
{
    UpdateCursorPos();
    return FetchRecord(gmNext, true);
}

bool TDataSet::GetPriorRecord()
{
    UpdateCursorPos();
    return FetchRecord(gmPrior, true);
}

void TDataSet::UpdateCursorPos()
{
    if (hasRecord_ && !cursorOnActive_) {
        InternalSetToRecord(activeBuffer_.get());
        cursorOnActive_ = true;
    }
}

TRecordBuffer TDataSet::GetActiveRecBuf()
{
    switch (state_) {
    case dsBrowse:
    case dsBlockRead:
        return IsEmpty() ? nullptr : activeBuffer_.get();
    case dsEdit:
    case dsInsert:
        return activeBuffer_.get();
    case dsCalcFields:
    case dsInternalCalc:
        return calcBuffer_;
    case dsFilter:
        return filterBuffer_;
    default:
        return nullptr;
    }
}

// --- Filtering and searching ---

void TDataSet::SetFilterText(std::string_view text)
{
    if (Active() && filtered_)
        CheckBrowseMode();
    filterText_ = text;
}

void TDataSet::SetFiltered(bool filtered)
{
    if (!Active()) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();
    if (filtered_ != filtered) {
        filtered_ = filtered;
        First();
    }
}

void TDataSet::SetFilterOptions(TFilterOptions options)
{
    if (Active())
        CheckBrowseMode();
    filterOptions_ = options;
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent event)
{
    if (Active())
        CheckBrowseMode();
    onFilterRecord_ = std::move(event);
    if (Active() && filtered_)
        First();
}

bool TDataSet::Locate(std::string_view, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(std::string_view, const Variant&, std::string_view) { return Variant::Null(); }

bool TDataSet::FindRecord(bool, bool) { return false; }

bool TDataSet::Finding(bool restart, bool goForward)
{
    found_ = FindRecord(restart, goForward);
    return found_;
}

EUpdateError TDataSet::PSGetUpdateException(const std::exception_ptr& error, const EUpdateError* previous)
{
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        message = failure.what();
    } catch (...) {
    }
    return EUpdateError(message, {}, 0, previous ? previous->ErrorCode() : 0, error);
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const
{
    for (; source != nullptr && source->DataSet() != nullptr; source = source->DataSet()->GetDataSource())
        if (source->DataSet() == this)
            return true;
    return false;
}

// --- Navigation ---

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    InternalFirst();
    GetNextRecord();
    bof_ = true;
    eof_ = IsEmpty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    InternalLast();
    GetPriorRecord();
    eof_ = true;
    bof_ = IsEmpty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    DoBeforeScroll();
    int moved = 0;
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        for (; distance > 0; --distance, ++moved)
            if (!GetNextRecord()) {
                eof_ = true;
                break;
            }
        for (; distance < 0; ++distance, --moved)
            if (!GetPriorRecord()) {
                bof_ = true;
                break;
            }
        DataEvent(deDataSetScroll, moved);
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Resync(unsigned modes)
{
    if (modes & rmExact) {
        CursorPosChanged();
        if (!FetchRecord(gmCurrent, true))
            DatabaseError("Record not found", this);
    } else if (!FetchRecord(gmCurrent, false) && !FetchRecord(gmNext, false) && !FetchRecord(gmPrior, false)) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    bof_ = false;
    eof_ = false;
    DataEvent(deDataSetChange);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync(0);
}

// --- Fields ---

TField* TDataSet::FieldByName(std::string_view name) const
{
    TField* field = FindField(name);
    if (field == nullptr)
        NotFoundError("Field", name, this);
    return field;
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view fieldNames) const
{
    std::vector<TField*> result;
    size_t start = 0;
    while (start <= fieldNames.size()) {
        const size_t end = std::min(fieldNames.find(';', start), fieldNames.size());
        const std::string name = Trim(fieldNames.substr(start, end - start));
        if (!name.empty())
            result.push_back(FieldByName(name));
        start = end + 1;
    }
    return result;
}

void TDataSet::GetFieldNames(TStringList& list)
{
    list.Clear();
    if (fields_.Count() > 0) {
        for (int i = 0; i < fields_.Count(); ++i)
            list.Add(fields_[i]->FieldName());
        return;
    }
    fieldDefs_.Update();
    for (int i = 0; i < fieldDefs_.Count(); ++i)
        list.Add(fieldDefs_.Items(i).Name());
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool /*nativeFormat*/) { return GetFieldData(field, buffer); }

void TDataSet::SetFieldData(TField* /*field*/, const void* /*buffer*/)
{
    DatabaseError("Dataset not in edit or insert mode", this);
}

void TDataSet::SetFieldData(TField* field, const void* buffer, bool /*nativeFormat*/) { SetFieldData(field, buffer); }

void TDataSet::CalculateFields(TRecordBuffer buffer)
{
    calcBuffer_ = buffer;
    ClearCalcFields(buffer);
    Notify(OnCalcFields);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer)
{
    if (calcFieldsSize_ == 0)
        return;
    const TDataSetState saved = SetTempState(dsCalcFields);
    try {
        CalculateFields(buffer);
    } catch (...) {
        RestoreState(saved);
        throw;
    }
    RestoreState(saved);
}

bool TDataSet::ReadCalcField(const std::uint8_t* calcArea, const TField& field, void* buffer)
{
    const std::uint8_t* slot = calcArea + field.Offset();
    if (slot[0] == 0)
        return false;
    if (buffer != nullptr)
        std::memcpy(buffer, slot + 1, static_cast<size_t>(field.DataSize()));
    return true;
}

void TDataSet::WriteCalcField(std::uint8_t* calcArea, const TField& field, const void* buffer)
{
    std::uint8_t* slot = calcArea + field.Offset();
    slot[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr)
        std::memcpy(slot + 1, buffer, static_cast<size_t>(field.DataSize()));
}

// --- Editing ---

void TDataSet::CheckCanModify()
{
    if (!CanModify())
        DatabaseError("Cannot modify a read-only dataset", this);
}

bool TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError)
{
    while (true) {
        try {
            operation();
            return true;
        } catch (const Exception& error) {
            TDataAction action = daFail;
            if (onError)
                onError(*this, error, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                return false;
        }
    }
}

void TDataSet::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (IsEmpty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Notify(BeforeEdit);
    UpdateCursorPos();
    if (!CheckOperation([this] { InternalEdit(); }, OnEditError))
        return;
    modified_ = false;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Notify(AfterEdit);
}

void TDataSet::BeginInsertAppend(bool append)
{
    CheckBrowseMode();
    CheckCanModify();
    Notify(BeforeInsert);
    DoBeforeScroll();
    UpdateCursorPos();
    if (append)
        InternalLast();
    InternalInsert();
    // The new record takes the active buffer; the cursor stays where it is, so that cancelling
    // reads the record there again.
    InternalInitRecord(activeBuffer_.get());
    ClearCalcFields(activeBuffer_.get());
    SetBookmarkFlag(activeBuffer_.get(), append ? bfEOF : bfInserted);
    hasRecord_ = true;
    cursorOnActive_ = true;
    bof_ = false;
    eof_ = false;
    SetState(dsInsert);
    modified_ = false;
    Notify(OnNewRecord);
    DataEvent(deDataSetChange);
    Notify(AfterInsert);
    DoAfterScroll();
}

void TDataSet::Post()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deUpdateRecord);
    Notify(BeforePost);
    if (!CheckOperation([this] { InternalPost(); }, OnPostError))
        return;
    modified_ = false;
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterPost);
}

void TDataSet::Cancel()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    Notify(BeforeCancel);
    if (state_ == dsEdit)
        UpdateCursorPos();
    InternalCancel();
    modified_ = false;
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterCancel);
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty())
        DatabaseError("Cannot perform this operation on an empty dataset", this);
    CheckCanModify();
    DataEvent(deCheckBrowseMode);
    Notify(BeforeDelete);
    DoBeforeScroll();
    UpdateCursorPos();
    if (!CheckOperation([this] { InternalDelete(); }, OnDeleteError))
        return;
    modified_ = false;
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterDelete);
    DoAfterScroll();
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* /*field*/, TBlobStreamMode /*mode*/) { return nullptr; }

// --- Bookmarks ---

bool TDataSet::BookmarkAvailable()
{
    return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() && bookmarkSize_ > 0 &&
           GetBookmarkFlag(activeBuffer_.get()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark()
{
    if (!BookmarkAvailable())
        return {};
    TBookmark bookmark(static_cast<size_t>(bookmarkSize_));
    GetBookmarkData(activeBuffer_.get(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    if (bookmark.empty())
        return;
    CheckBrowseMode();
    // A bookmark of another data set or another size names no record here.
    if (bookmark.size() != static_cast<size_t>(bookmarkSize_))
        DatabaseError("Record not found", this);
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& /*bookmark*/) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& first, const TBookmark& second)
{
    if (first.empty() || second.empty())
        return first.empty() == second.empty() ? 0 : first.empty() ? -1 : 1;
    if (first == second)
        return 0;
    return std::lexicographical_compare(first.begin(), first.end(), second.begin(), second.end()) ? -1 : 1;
}

// --- States and events ---

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const
{
    if (Active())
        DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deUpdateRecord);
    if (modified_)
        Post();
    else
        Cancel();
}

void TDataSet::SetBlockReadSize(int size)
{
    blockReadSize_ = size;
    if (size > 0) {
        CheckBrowseMode();
        SetState(dsBlockRead);
    } else if (state_ == dsBlockRead) {
        SetState(dsBrowse);
    }
}

void TDataSet::SetState(TDataSetState state)
{
    if (state == state_)
        return;
    const TDataSetState prior = state_;
    state_ = state;
    DataEvent(deUpdateState, prior);
}

TDataSetState TDataSet::SetTempState(TDataSetState state)
{
    const TDataSetState saved = state_;
    state_ = state;
    ++disableCount_;
    return saved;
}

void TDataSet::RestoreState(TDataSetState state)
{
    state_ = state;
    --disableCount_;
}

void TDataSet::DisableControls()
{
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    if (disableState_ != state_)
        DataEvent(deUpdateState, disableState_);
    if (disableState_ != dsInactive && state_ != dsInactive)
        DataEvent(enableEvent_);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deFieldChange && info != 0 && (state_ == dsEdit || state_ == dsInsert) &&
        reinterpret_cast<const TField*>(info)->FieldKind() == fkData)
        modified_ = true;
    if (disableCount_ > 0) {
        if (event == deLayoutChange)
            enableEvent_ = deLayoutChange;
        return;
    }
    // A source may leave while it is told.
    const std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        source->DataEvent(event, info);
}

void TDataSet::DoBeforeScroll() { Notify(BeforeScroll); }
void TDataSet::DoAfterScroll() { Notify(AfterScroll); }

void TDataSet::Notify(const TDataSetNotifyEvent& event)
{
    if (event)
        event(*this);
}

void TDataSet::AddDataSource(TDataSource* source) { dataSources_.push_back(source); }

void TDataSet::RemoveDataSource(TDataSource* source)
{
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
}
