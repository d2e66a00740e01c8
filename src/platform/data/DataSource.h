#pragma once

#include "platform/core/Component.h"
#include "platform/data/DataSet.h"

#include <functional>
#include <string>
#include <vector>

class TDataLink;

// Connects a data set with the links that show or follow it (grids, detail data sets): it passes
// the data set's events on to them while it is enabled and keeps the data set's state for them.
class TDataSource : public TComponent {
public:
    using TNotifyEvent = std::function<void(TDataSource&)>;
    using TDataChangeEvent = std::function<void(TDataSource&, TField*)>;

    TDataSource() = default;
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TDataSetState State() const { return state_; }

    TNotifyEvent OnStateChange;
    // A record or the whole set changed or scrolled; the field for a change of one field.
    TDataChangeEvent OnDataChange;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void NotifyDataLinks(TDataEvent event, std::intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> dataLinks_;
    TDataSetState state_ = dsInactive;
    bool enabled_ = true;
};

// One follower of a data source; derived links answer the notifications they care for.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }
    // The data source is enabled and its data set open.
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* /*field*/) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    // A field of the record changed, or (none) the whole record.
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;

    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
};

// The link of a detail data set to its master: tells the detail when the master moves to another
// record or changes one of the master fields, and when the master goes away.
class TMasterDataLink : public TDataLink {
public:
    using TNotifyEvent = std::function<void(TMasterDataLink&)>;

    explicit TMasterDataLink(TDataSet& detail) : detail_(detail) {}

    // The master's fields the detail follows, separated by ";"; unknown names raise
    // "Field '%s' not found" once the master is active.
    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(std::string fieldNames);
    const std::vector<TField*>& Fields() const { return fields_; }

    TNotifyEvent OnMasterChange;
    TNotifyEvent OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override { ActiveChanged(); }
    void RecordChanged(TField* field) override;

private:
    TDataSet& detail_;
    std::string fieldNames_;
    std::vector<TField*> fields_;
};
