#pragma once

#include "platform/ui/PrintTarget.h"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

// A print target that records the job and refuses what it is told to. The state lives in a shared
// record so that tests read it after the printing code has dropped its target.
struct PrintRecord {
    bool raster = true;
    QRect area{0, 0, 4800, 3600};
    bool beginSucceeds = true;
    bool endSucceeds = true;

    std::vector<bool> orientations; // true for landscape, one per job prepared
    QString title;
    int begun = 0;
    int ended = 0;
    QRect drawnAt;
    QImage drawn;
};

class RecordingPrintTarget : public PrintTarget {
public:
    explicit RecordingPrintTarget(std::shared_ptr<PrintRecord> record) : record_(std::move(record)) {}

    void SetLandscape(bool landscape) override { record_->orientations.push_back(landscape); }
    void SetTitle(const QString& title) override { record_->title = title; }
    bool SupportsRaster() const override { return record_->raster; }
    QRect PrintableArea() const override { return record_->area; }
    bool Begin() override
    {
        ++record_->begun;
        return record_->beginSucceeds;
    }
    void DrawImage(const QRect& target, const QImage& image) override
    {
        record_->drawnAt = target;
        record_->drawn = image.copy();
    }
    bool End() override
    {
        ++record_->ended;
        return record_->endSucceeds;
    }

private:
    std::shared_ptr<PrintRecord> record_;
};

// Routes print jobs to a recording target while it lives.
class RecordingPrinter {
public:
    std::shared_ptr<PrintRecord> record = std::make_shared<PrintRecord>();

    RecordingPrinter()
    {
        SetPrintTargetFactory([record = record] { return std::make_unique<RecordingPrintTarget>(record); });
    }
    ~RecordingPrinter() { SetPrintTargetFactory({}); }
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;
};
