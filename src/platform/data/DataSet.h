#pragma once

#include "platform/core/Component.h"
#include "platform/core/EnumSet.h"
#include "platform/data/Fields.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class EUpdateError;
class Exception;
class TDataSource;
class TStream;
class TStringList;

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening, // the source is open and the first record is being fetched
};

// What a data set tells its data sources. The event's info is a field (deFieldChange, deRecordChange,
// deFocusControl), the distance of a scroll (deDataSetScroll) or the prior state (deUpdateState).
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncMode : unsigned { rmExact = 1, rmCenter = 2 };
// What an error event makes of a failed edit, post or delete: raise the error, give up quietly (the
// data set stays as it was) or try again.
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TEnumSet<TFilterOption>;
enum TLocateOption { loCaseInsensitive, loPartialKey };
// The change a data provider applies to a record.
enum TUpdateKind { ukModify, ukInsert, ukDelete };
using TLocateOptions = TEnumSet<TLocateOption>;

// A record buffer: memory the data set's implementation lays out as it likes (AllocRecordBuffer).
using TRecordBuffer = std::uint8_t*;
// A bookmark's bytes (BookmarkSize of them); empty for none.
using TBookmark = std::vector<std::uint8_t>;

// The class library's data set, read side: a cursor over records that its implementation fetches
// into record buffers, the fields that read those buffers, navigation with begin- and end-of-data
// flags, bookmarks, calculated fields and the data sources that show it.
//
// The data set holds one active record; a view reads other rows by moving. Beside it there are a
// temporary buffer (every fetch lands there first, so that a fetch that finds nothing leaves the
// active record as it was), and the calculation and filter buffers, which point at the record being
// calculated or filtered while that runs.
//
// An implementation serves the record-buffer protocol below over its source's own cursor. The
// cursor and the active record may part (a fetch that failed moved the cursor past the end, a search
// moved it elsewhere): CursorPosChanged notes that, UpdateCursorPos brings the cursor back to the
// active record (InternalSetToRecord) before the next relative fetch.
class TDataSet : public TComponent {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TDataSetErrorEvent = std::function<void(TDataSet&, const Exception& error, TDataAction& action)>;
    // Leaves `accept` true to show the record of the filter state's buffer, false to skip it.
    using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

    TDataSet();
    // Implementations close in their own destructors, while their protocol still stands.
    ~TDataSet() override;

    TDataSetState State() const { return state_; }
    bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    void Loaded() override;

    // Navigation. Next and Prior are MoveBy(1) and MoveBy(-1); MoveBy returns the records moved.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return !hasRecord_; }
    // The implementation's: -1 where it cannot tell. RecNo counts from 1; setting it moves there.
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }
    virtual void SetRecNo(int /*recNo*/) {}
    // Reads the source again and stays on the record when it still exists.
    void Refresh();

    // Fields.
    TFields& Fields() { return fields_; }
    // Takes a field into the data set's fields, which own it: a calculated field, or the fields of
    // a data set that should not make its own from the definitions.
    template <typename T> T* AddField(std::unique_ptr<T> field)
    {
        T* result = field.get();
        InsertField(std::move(field));
        return result;
    }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(std::string_view name) const { return fields_.FindField(name); }
    // Raises "Field '%s' not found".
    TField* FieldByName(std::string_view name) const;
    // The fields named in a ";"-separated list, each by FieldByName.
    std::vector<TField*> GetFieldList(std::string_view fieldNames) const;
    // The names of the fields, or of the definitions while there are no fields.
    void GetFieldNames(TStringList& list);
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    TIndexDefs& IndexDefs() { return indexDefs_; }
    // Whether the fields were made from the definitions at opening (and go at closing).
    bool DefaultFields() const { return defaultFields_; }

    // Editing. The active record is edited in place: Edit (Insert on an empty data set), Insert before
    // the current record or Append after the last start it, Post writes it through the
    // implementation and re-reads it, Cancel drops it and re-reads the record at the cursor. Moving,
    // refreshing or deleting while editing posts a modified record first and cancels an unmodified
    // one. Edits of a data set that cannot be modified raise "Cannot modify a read-only dataset".
    void Edit();
    void Insert() { BeginInsertAppend(false); }
    void Append() { BeginInsertAppend(true); }
    void Post();
    void Cancel();
    void Delete();
    // Whether a field was written since editing began (OnNewRecord's writes count).
    bool Modified() const { return modified_; }
    // A stream over a blob field of the record for the state; none where the data set offers none.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

    // Bookmarks: empty where there is no record or the implementation gives none.
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
    // Whether the bookmark still names a record; the base cannot tell and answers false.
    virtual bool BookmarkValid(const TBookmark& bookmark);
    // -1, 0 or 1; a missing bookmark comes before any other. The base orders bookmarks by their
    // bytes; an implementation whose bookmarks order otherwise compares them itself.
    virtual int CompareBookmarks(const TBookmark& first, const TBookmark& second);
    bool BookmarkAvailable();

    // Filtering, which the implementations apply: while Filtered, the records the Filter text selects
    // and OnFilterRecord accepts. Changes while active post or cancel an edit first, and a change of
    // what is shown goes to the first record.
    const std::string& Filter() const { return filterText_; }
    void SetFilter(std::string_view text) { SetFilterText(text); }
    virtual void SetFilterText(std::string_view text);
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool filtered);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions options);
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    virtual void SetOnFilterRecord(TFilterRecordEvent event);

    // Searching, which the implementations offer; the base finds nothing. Key fields are separated
    // by ";", with a value each (an array for several); Lookup gives the result fields' values (an
    // array for several) of the record found, null when none is, and stays where it was.
    virtual bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields);
    // The find operations, each FindRecord from the first or last record (restart) or from the
    // current one, forwards or backwards; Found keeps the last one's answer.
    bool FindFirst() { return Finding(true, true); }
    bool FindNext() { return Finding(false, true); }
    bool FindPrior() { return Finding(false, false); }
    bool FindLast() { return Finding(true, false); }
    virtual bool FindRecord(bool restart, bool goForward);
    bool Found() const { return found_; }

    // A failure to apply a change, as the data provider reports it, after the previous one when there
    // was one; the implementations add their sources' error codes.
    virtual EUpdateError PSGetUpdateException(const std::exception_ptr& error, const EUpdateError* previous);

    // The data source a detail data set follows; none here.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // Whether following the source would make the data set follow itself, directly or through others.
    bool IsLinkedTo(const TDataSource* source) const;

    // While controls are disabled the data sources hear nothing; enabling them again tells them what
    // changed meanwhile.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // Services the implementations and links call.
    void CheckActive() const;   // "Cannot perform this operation on a closed dataset"
    void CheckInactive() const; // "Cannot perform this operation on an open dataset"
    // Active, and browsing: an edit in progress is posted when modified and cancelled otherwise.
    void CheckBrowseMode();
    // Re-reads the record at the cursor. With rmExact it must be there ("Record not found");
    // otherwise the one after, or before, will do, and none leaves the data set empty.
    void Resync(unsigned modes);
    void UpdateCursorPos();
    void CursorPosChanged() { cursorOnActive_ = false; }
    void DataEvent(TDataEvent event, std::intptr_t info = 0);
    // Computes the calculated fields of a record (OnCalcFields) in the calculate-fields state.
    void CalculateFields(TRecordBuffer buffer);
    // GetCalcFields when there are calculated fields; implementations call it on every fetched record.
    void GetCalcFields(TRecordBuffer buffer);
    // Bytes of the calculated area of a record: per calculated field a has-value byte and its value.
    int CalcFieldsSize() const { return calcFieldsSize_; }

    // Reads a field of the record for the state into `buffer` (native layout; none asks only whether
    // there is a value); false for null or no record. The two-argument form is the native one.
    virtual bool GetFieldData(TField* field, void* buffer) = 0;
    virtual bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
    // Writes a field's value (none for null). This read side stores calculated fields only: any
    // other write raises "Dataset not in edit or insert mode".
    virtual void SetFieldData(TField* field, const void* buffer);
    virtual void SetFieldData(TField* field, const void* buffer, bool nativeFormat);
    virtual bool IsSequenced() { return true; }
    virtual bool CanModify() { return GetCanModify(); }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnCalcFields;
    TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert, BeforePost, AfterPost;
    TDataSetNotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, OnNewRecord;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

protected:
    // --- The record-buffer protocol. ---

    // A record buffer of GetRecordSize bytes and its release; FreeRecordBuffer releases what the
    // buffer holds (ClearRecordBuffer) and then the memory.
    virtual std::unique_ptr<std::uint8_t[]> AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(std::unique_ptr<std::uint8_t[]>& buffer) = 0;
    virtual int GetRecordSize() = 0;
    // Releases what a record holds beyond plain bytes (values kept whole as objects) before the
    // buffer is reused or freed; FreeRecordBuffer and InternalInitRecord of such an implementation
    // call it.
    virtual void ClearRecordBuffer(TRecordBuffer /*buffer*/) {}
    // Fetches the record at the cursor (gmCurrent), or moves the cursor one record on or back and
    // fetches that one, into the buffer; grBOF or grEOF when there is none, the cursor then stays
    // before the first or after the last record. `doCheck` asks an implementation to raise its
    // source's errors rather than answer grError.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    // Put the cursor before the first record (so that fetching the next one reads the first) or
    // after the last.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Moves the cursor to the buffer's record.
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void InternalGotoBookmark(const std::uint8_t* bookmark) = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    // The bookmark (BookmarkSize bytes) and its flag, kept in a record buffer.
    virtual void GetBookmarkData(TRecordBuffer buffer, std::uint8_t* data) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const std::uint8_t* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    // Opens the source and leaves the cursor before the first record; sets BookmarkSize, makes the
    // field definitions current and, with default fields, the fields (CreateFields, BindFields).
    virtual void InternalOpen() = 0;
    // Unbinds the fields and drops default ones (BindFields(false), DestroyFields).
    virtual void InternalClose() = 0;
    // Fills FieldDefs from the source.
    virtual void InternalInitFieldDefs() = 0;
    // Editing: the cursor stands on the active record for an edit, a post of an edit and a delete;
    // an insert leaves it where it was (after the last record for an append). After a post the
    // cursor must stand on the record posted; after a delete, on the record to show next.
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalPost() {}
    virtual void InternalCancel() {}
    virtual void InternalDelete() {}
    // Adds a record built outside the editing states; appending puts it after the last.
    virtual void InternalAddRecord(TRecordBuffer /*buffer*/, bool /*append*/) {}
    // Fills IndexDefs from the source; the class library's data set has none to offer.
    virtual void UpdateIndexDefs() {}
    virtual bool IsCursorOpen() = 0;
    virtual void InternalRefresh() {}
    // Called while an exception of opening a data set streamed as active is being handled; the
    // class library's own raises it again.
    virtual void InternalHandleException() { throw; }
    // A full open, or only the field definitions (infoQuery) while the data set stays closed.
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual bool GetCanModify() { return true; }
    virtual void ClearCalcFields(TRecordBuffer /*buffer*/) {}
    // Above 0 the data set reads records in blocks (dsBlockRead), 0 returns to browsing.
    virtual void SetBlockReadSize(int size);
    // The record the fields read and write in the present state: the active record while browsing,
    // editing or block reading (none while empty), the calculation buffer while calculating, the
    // filter buffer while filtering.
    virtual TRecordBuffer GetActiveRecBuf();

    // --- Helpers for implementations. ---

    TRecordBuffer ActiveBuffer() const { return activeBuffer_.get(); }
    TRecordBuffer TempBuffer() const { return tempBuffer_.get(); }
    TRecordBuffer CalcBuffer() const { return calcBuffer_; }
    TRecordBuffer FilterBuffer() const { return filterBuffer_; }
    void SetFilterBuffer(TRecordBuffer buffer) { filterBuffer_ = buffer; }
    int BookmarkSize() const { return bookmarkSize_; }
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    int BlockReadSize() const { return blockReadSize_; }
    void DoBeforeScroll();
    void DoAfterScroll();

    // Enters a state for an internal step (calculating, filtering) without telling anyone; returns
    // the state to give back to RestoreState.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    void InitFieldDefs();
    void CreateFields();
    void DestroyFields();
    // Numbers the data fields after their definitions and places the calculated ones in the
    // calculated area; unbinding forgets the numbers.
    void BindFields(bool binding);
    // A calculated field's value in a record's calculated area: the has-value byte, then the value.
    static bool ReadCalcField(const std::uint8_t* calcArea, const TField& field, void* buffer);
    static void WriteCalcField(std::uint8_t* calcArea, const TField& field, const void* buffer);

private:
    friend class TDataSource;
    friend class TFieldDefs;
    friend class TIndexDefs;

    void InsertField(std::unique_ptr<TField> field);
    void SetState(TDataSetState state);
    void OpenCursorComplete();
    void AllocateBuffers();
    void FreeBuffers();
    void ClearBuffers();
    bool FetchRecord(TGetMode mode, bool doCheck);
    bool GetNextRecord();
    bool GetPriorRecord();
    void Notify(const TDataSetNotifyEvent& event);
    void CheckCanModify();
    void BeginInsertAppend(bool append);
    // Runs an editing step, letting the error event retry it or give it up; false when given up.
    bool CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    bool Finding(bool restart, bool goForward);

    TDataSetState state_ = dsInactive;
    TFields fields_;
    TFieldDefs fieldDefs_;
    TIndexDefs indexDefs_;
    std::vector<TDataSource*> dataSources_;
    std::unique_ptr<std::uint8_t[]> activeBuffer_;
    std::unique_ptr<std::uint8_t[]> tempBuffer_;
    TRecordBuffer calcBuffer_ = nullptr;
    TRecordBuffer filterBuffer_ = nullptr;
    int bookmarkSize_ = 0;
    int calcFieldsSize_ = 0;
    int blockReadSize_ = 0;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    bool hasRecord_ = false;
    bool cursorOnActive_ = false;
    bool bof_ = false;
    bool eof_ = false;
    bool defaultFields_ = false;
    bool streamedActive_ = false;
    bool modified_ = false;
    std::string filterText_;
    bool filtered_ = false;
    TFilterOptions filterOptions_;
    TFilterRecordEvent onFilterRecord_;
    bool found_ = false;
};
