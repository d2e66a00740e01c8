#pragma once

#include "platform/core/Streams.h"
#include "platform/data/DataSet.h"

#include <cstdint>

class TdCustomADODataset;

// The stream over a blob or memo field of a dataset's record. It holds the field's bytes (a memo's
// text in the model's encoding); what is written becomes the field's value at Close, which the
// destructor calls.
class TdADOBlobStream : public TMemoryStream {
public:
    // Writing needs a field that is not read-only ("Field '%s' cannot be modified") and a dataset
    // editing or inserting ("Dataset not in edit or insert mode"); bmWrite starts empty.
    TdADOBlobStream(TBlobField& field, TBlobStreamMode mode);
    ~TdADOBlobStream() override;
    TdADOBlobStream(const TdADOBlobStream&) = delete;
    TdADOBlobStream& operator=(const TdADOBlobStream&) = delete;

    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Ends the stream at its position.
    void Truncate();
    // Stores what was written into the record, once.
    void Close();

private:
    void ReadField();

    TBlobField& field_;
    TdCustomADODataset& dataset_;
    bool modified_ = false;
};
