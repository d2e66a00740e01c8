#include "catalog/ScanDialogs.h"

#include "catalog/EnhTwain.h"
#include "platform/core/UiServices.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int ProgressInterval = 100;

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString NumberText(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

std::string ScanStatusText(ScanStatus status)
{
    switch (status) {
    case ScanStatus::Good:
        return "Ready";
    case ScanStatus::Cancelled:
        return "Scan cancelled";
    case ScanStatus::DeviceBusy:
        return "The scanner is busy";
    case ScanStatus::Jammed:
        return "The document feeder is jammed";
    case ScanStatus::NoDocs:
        return "The document feeder is out of documents";
    case ScanStatus::CoverOpen:
        return "The scanner cover is open";
    case ScanStatus::NoMem:
        return "Out of memory";
    case ScanStatus::AccessDenied:
        return "Access to the scanner was denied";
    default:
        return "The scanner reported an error";
    }
}

TSelectSourceDialog::TSelectSourceDialog(const std::vector<ScanDevice>& devices, const std::string& current,
                                         QWidget* parent)
    : QDialog(parent), devices_(devices)
{
    setObjectName("SelectSource");
    setWindowTitle("Select Source");
    lvSources = new QTableWidget(static_cast<int>(devices.size()), 3, this);
    lvSources->setHorizontalHeaderLabels({"Name", "Vendor", "Model"});
    lvSources->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvSources->setSelectionMode(QAbstractItemView::SingleSelection);
    lvSources->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvSources->verticalHeader()->hide();
    for (int row = 0; row < static_cast<int>(devices.size()); ++row) {
        const ScanDevice& device = devices[static_cast<size_t>(row)];
        lvSources->setItem(row, 0, new QTableWidgetItem(Text(device.name)));
        lvSources->setItem(row, 1, new QTableWidgetItem(Text(device.vendor)));
        lvSources->setItem(row, 2, new QTableWidgetItem(Text(device.model)));
        if (device.name == current)
            lvSources->selectRow(row);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(mrOk); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(mrCancel); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvSources);
    layout->addWidget(buttons);
}

std::optional<std::string> TSelectSourceDialog::Choose()
{
    if (Ui().ShowModal(*this) != mrOk)
        return std::nullopt;
    const int row = lvSources->currentRow();
    if (row < 0 || row >= static_cast<int>(devices_.size()))
        return std::nullopt;
    return devices_[static_cast<size_t>(row)].name;
}

TScanDialog::TScanDialog(TTwain& connection, QWidget* parent)
    : QDialog(parent), connection_(connection), progressTimer_(new QTimer(this))
{
    setObjectName("ScanDialog");
    setWindowTitle("Scan");
    cbMode = new QComboBox(this);
    cbResolution = new QComboBox(this);
    cbSource = new QComboBox(this);
    bScan = new QPushButton("Scan", this);
    bCancel = new QPushButton("Cancel", this);
    pbProgress = new QProgressBar(this);
    pbProgress->setRange(0, 100);
    lStatus = new QLabel(Text(ScanStatusText(ScanStatus::Good)), this);
    auto* form = new QFormLayout;
    form->addRow("Mode", cbMode);
    form->addRow("Resolution (dpi)", cbResolution);
    form->addRow("Source", cbSource);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bScan);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(pbProgress);
    layout->addWidget(lStatus);
    layout->addLayout(buttons);
    connect(bScan, &QPushButton::clicked, this, &TScanDialog::Scan);
    connect(bCancel, &QPushButton::clicked, this, &TScanDialog::CancelOrClose);
    connect(progressTimer_, &QTimer::timeout, this, [this] { pbProgress->setValue(connection_.ProgressPercent()); });
    connect(cbMode, &QComboBox::activated, this, [this] { Choose(cbMode, "mode"); });
    connect(cbResolution, &QComboBox::activated, this, [this] { Choose(cbResolution, "resolution"); });
    connect(cbSource, &QComboBox::activated, this, [this] { Choose(cbSource, "source"); });
    LoadOptions();
}

void TScanDialog::LoadOptions()
{
    const std::vector<ScanOption> options = Scanner().Options(connection_.Device());
    const auto fill = [&](QComboBox* box, const char* name) {
        box->clear();
        box->setEnabled(false);
        for (const ScanOption& option : options) {
            if (option.name != name)
                continue;
            for (const std::string& text : option.texts)
                box->addItem(Text(text));
            for (double number : option.numbers)
                box->addItem(NumberText(number));
            if (option.hasRange)
                for (double dpi : {75.0, 150.0, 300.0, 600.0, 1200.0})
                    if (dpi >= option.minimum && dpi <= option.maximum)
                        box->addItem(NumberText(dpi));
            box->setEnabled(option.active && option.settable);
            ScanValue value;
            if (Scanner().Get(connection_.Device(), name, value) == ScanStatus::Good)
                ShowCurrent(box, value);
        }
    };
    fill(cbMode, "mode");
    fill(cbResolution, "resolution");
    fill(cbSource, "source");
}

void TScanDialog::ShowCurrent(QComboBox* box, const ScanValue& value)
{
    // The device's value is shown even where it is none of the offered ones (a range's value between
    // them): it is the one a scan uses.
    const auto* number = std::get_if<double>(&value);
    const QString text = number ? NumberText(*number) : Text(std::get<std::string>(value));
    if (box->findText(text) < 0) {
        int at = 0;
        while (number && at < box->count() && box->itemText(at).toDouble() < *number)
            ++at;
        box->insertItem(number ? at : box->count(), text);
    }
    box->setCurrentText(text);
}

void TScanDialog::Choose(QComboBox* box, const char* name)
{
    const std::string text = box->currentText().toStdString();
    bool number = false;
    const double value = box->currentText().toDouble(&number);
    ScanSetInfo info;
    const ScanStatus status =
        Scanner().Set(connection_.Device(), name, number ? ScanValue(value) : ScanValue(text), info);
    if (status != ScanStatus::Good)
        connection_.ExplainError(status);
    if (info.reloadOptions || info.inexact || status != ScanStatus::Good)
        LoadOptions();
}

void TScanDialog::Scan()
{
    bScan->setEnabled(false);
    pbProgress->setValue(0);
    lStatus->setText("Scanning");
    progressTimer_->start(ProgressInterval);
    connection_.DCTransferImage();
}

void TScanDialog::ShowStatus(ScanStatus status)
{
    progressTimer_->stop();
    pbProgress->setValue(0);
    bScan->setEnabled(true);
    lStatus->setText(Text(ScanStatusText(status)));
}

void TScanDialog::CancelOrClose()
{
    if (connection_.Transferring())
        connection_.CancelTransfer();
    else
        close();
}

void TScanDialog::reject()
{
    // Escape: as Cancel, never a dialog merely hidden over an open connection.
    CancelOrClose();
}

void TScanDialog::closeEvent(QCloseEvent* event)
{
    if (connection_.Transferring()) {
        connection_.CancelTransfer();
        event->ignore();
        return;
    }
    event->accept();
    // Closing without scanning asks the source to be closed.
    connection_.CloseRequest();
}

TScanProgressWindow::TScanProgressWindow(TTwain& connection, QWidget* parent)
    : QDialog(parent), connection_(connection)
{
    setObjectName("ScanProgress");
    setWindowTitle("Scanning");
    pbProgress = new QProgressBar(this);
    pbProgress->setRange(0, 100);
    bCancel = new QPushButton("Cancel", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbProgress);
    layout->addWidget(bCancel);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, &connection] { pbProgress->setValue(connection.ProgressPercent()); });
    connect(bCancel, &QPushButton::clicked, this, &TScanProgressWindow::reject);
    timer->start(ProgressInterval);
}

void TScanProgressWindow::reject()
{
    // The window goes when the cancelled transfer ends.
    connection_.CancelTransfer();
}
