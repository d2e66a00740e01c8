#include "ado/AdocompsBlobStream.h"

#include "ado/AdocompsDataset.h"
#include "platform/core/CodePage.h"
#include "platform/data/DatabaseError.h"

#include <vector>

namespace {

TdCustomADODataset& AdoDatasetOf(const TField& field)
{
    auto* dataset = dynamic_cast<TdCustomADODataset*>(field.DataSet());
    if (dataset == nullptr)
        DatabaseError("Field '" + Win1252ToUtf8(field.DisplayName()) + "' has no dataset");
    return *dataset;
}

} // namespace

TdADOBlobStream::TdADOBlobStream(TBlobField& field, TBlobStreamMode mode) : field_(field), dataset_(AdoDatasetOf(field))
{
    if (dataset_.GetActiveRecBuf() == nullptr)
        return;
    if (mode != bmRead) {
        if (field.ReadOnly())
            DatabaseError("Field '" + Win1252ToUtf8(field.DisplayName()) + "' cannot be modified", &dataset_);
        const TDataSetState state = dataset_.State();
        if (state != dsEdit && state != dsInsert && state != dsSetKey)
            DatabaseError("Dataset not in edit or insert mode", &dataset_);
    }
    if (mode == bmWrite)
        Truncate();
    else
        ReadField();
}

TdADOBlobStream::~TdADOBlobStream()
{
    // A destructor may not throw; whoever needs to know that the write-back failed calls Close.
    try {
        Close();
    } catch (const std::exception&) {
    }
}

void TdADOBlobStream::ReadField()
{
    Variant value;
    if (!dataset_.GetFieldData(&field_, &value) || value.IsNull() || value.IsEmpty())
        return;
    if (value.IsArray()) {
        const auto& bytes = value.BytesValue();
        WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    } else {
        const std::string text = value.AsString();
        WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    }
    SetPosition(0);
}

std::int64_t TdADOBlobStream::Write(const void* buffer, std::int64_t count)
{
    modified_ = true;
    return TMemoryStream::Write(buffer, count);
}

void TdADOBlobStream::Truncate()
{
    SetSize(Position());
    modified_ = true;
}

void TdADOBlobStream::Close()
{
    if (!modified_)
        return;
    modified_ = false;
    if (Size() == 0) {
        dataset_.SetFieldData(&field_, nullptr);
        return;
    }
    const std::uint8_t* bytes = Memory();
    std::vector<std::uint8_t> data(bytes, bytes + Size());
    const Variant value = field_.DataType() == ftMemo ? Variant::FromString(std::string(data.begin(), data.end()))
                                                      : Variant::Bytes(std::move(data));
    dataset_.SetFieldData(&field_, &value);
}
