#include "platform/data/DataSource.h"

#include <algorithm>

namespace {

TField* FieldOf(std::intptr_t info) { return reinterpret_cast<TField*>(info); }

} // namespace

// --- TDataSource ---

TDataSource::~TDataSource()
{
    while (!dataLinks_.empty())
        dataLinks_.back()->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_ != nullptr)
        dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr)
        dataSet_->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    UpdateState();
}

void TDataSource::UpdateState()
{
    const TDataSetState state = enabled_ && dataSet_ != nullptr ? dataSet_->State() : dsInactive;
    if (state == state_)
        return;
    const TDataSetState prior = state_;
    state_ = state;
    NotifyDataLinks(deUpdateState, prior);
    if (OnStateChange)
        OnStateChange(*this);
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive)
        return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(*this, event == deFieldChange ? FieldOf(info) : nullptr);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyDataLinks(TDataEvent event, std::intptr_t info)
{
    // A link may leave while it is told.
    const std::vector<TDataLink*> links = dataLinks_;
    for (TDataLink* link : links)
        link->DataEvent(event, info);
}

void TDataSource::AddDataLink(TDataLink* link) { dataLinks_.push_back(link); }

void TDataSource::RemoveDataLink(TDataLink* link)
{
    dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), link), dataLinks_.end());
}

// --- TDataLink ---

TDataLink::~TDataLink()
{
    if (dataSource_ != nullptr)
        dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == dataSource_)
        return;
    if (dataSource_ != nullptr)
        dataSource_->RemoveDataLink(this);
    dataSource_ = source;
    if (dataSource_ != nullptr)
        dataSource_->AddDataLink(this);
    UpdateState();
}

void TDataLink::UpdateState()
{
    const bool active = dataSource_ != nullptr && dataSource_->State() != dsInactive;
    if (active != active_) {
        active_ = active;
        ActiveChanged();
    }
    const bool editing = active_ && (dataSource_->State() == dsEdit || dataSource_->State() == dsInsert);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        RecordChanged(FieldOf(info));
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(static_cast<int>(info));
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateData();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(FieldOf(info));
        break;
    default:
        break;
    }
}

// --- TMasterDataLink ---

void TMasterDataLink::SetFieldNames(std::string fieldNames)
{
    if (fieldNames == fieldNames_)
        return;
    fieldNames_ = std::move(fieldNames);
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged()
{
    fields_.clear();
    if (Active())
        fields_ = DataSet()->GetFieldList(fieldNames_);
    if (!detail_.Active())
        return;
    if (Active() && !fields_.empty()) {
        if (OnMasterChange)
            OnMasterChange(*this);
    } else if (OnMasterDisable) {
        OnMasterDisable(*this);
    }
}

void TMasterDataLink::CheckBrowseMode()
{
    if (detail_.Active())
        detail_.CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field)
{
    if (DataSource()->State() == dsSetKey || !detail_.Active() || fields_.empty() || !OnMasterChange)
        return;
    if (field == nullptr || std::find(fields_.begin(), fields_.end(), field) != fields_.end())
        OnMasterChange(*this);
}
