// The scanning component over a scripted scanner: what is set on the device and in which order, the
// refused property values and the scanner's statuses with their texts, the choice of the device, and
// transfers that succeed, fail, are cancelled or are cut short by the component's end.
#include "catalog/EnhTwain.h"

#include "catalog/ScanImage.h"
#include "platform/graphics/Bitmap.h"
#include "platform/settings/SettingsStore.h"
#include "testing/FakeScanner.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>

namespace {

void WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class ScanningComponent : public testing::Test {
protected:
    ScanningComponent()
    {
        scanner.AddUsualOptions();
        twain.OnCapture = [this](TEnhTwain&) { captures.push_back(twain.Bitmap().Width()); };
        twain.OnCaptureCancel = [this](TEnhTwain&) { ++cancels; };
        twain.OnCaptureFailure = [this](TEnhTwain&) { ++failures; };
    }

    // Without the dialog, without the progress window, to the end of the transfer.
    void AcquireQuietly()
    {
        twain.SetIndicators(etwbFalse);
        twain.acquire(false);
        WaitUntil([this] { return !twain.Connection() || !twain.Connection()->SourceOpen(); });
    }

    ScopedSettingsFolder settings;
    ScriptedUi ui{ScriptedUi::Strictness::Lenient};
    FakeScanner scanner;
    QWidget owner;
    TEnhTwain twain{&owner};
    std::vector<int> captures;
    int cancels = 0;
    int failures = 0;
};

TEST_F(ScanningComponent, RefusedPropertyValuesKeepTheOldValueAndSayWhy)
{
    const struct {
        std::function<void()> set;
        const char* text;
    } cases[] = {
        {[&] { twain.SetIndicators(etwbNotSupported); }, "Invalid property type."},
        {[&] { twain.SetPixelFlavor(pfUnknown); }, "Invalid property type."},
        {[&] { twain.SetBitDepth(bdUnknown); }, "Invalid BitDepth value."},
        {[&] { twain.SetLightPath(lpNotSupported); }, "Invalid LightPath value."},
        {[&] { twain.Setorientation(orUnknown); }, "Invalid Orientation value."},
        {[&] { twain.SetPixelType(ptNotSupported); }, "Invalid Pixel type."},
        {[&] { twain.SetUnits(etwuUnknown); }, "Invalid Units value."},
        {[&] { twain.SetBDReduction(bdrUnknown); }, "Invalid BitDepthReduction type."},
        {[&] { twain.SetXRes(-1); }, "Invalid Resolution value."},
        {[&] { twain.SetYRes(-1); }, "Invalid Resolution value."},
    };
    for (const auto& refused : cases) {
        ui.ClearCalls();
        refused.set();
        ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{refused.text});
        EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
        EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    }
    const TwainProperties& kept = twain.Properties();
    EXPECT_EQ(kept.Indicators, etwbDefault);
    EXPECT_EQ(kept.Units, etwuDefault);
    EXPECT_EQ(kept.BDReduction, bdrDefault);
    EXPECT_EQ(kept.XRes, 0);
    twain.SetBDReduction(bdrNone);
    twain.SetXFerCount(-1);
    EXPECT_EQ(twain.Properties().BDReduction, bdrNone);
    EXPECT_EQ(twain.Properties().XFerCount, -1);
}

TEST_F(ScanningComponent, ScannerStatusesAreExplainedWithTheirTexts)
{
    const struct {
        ScanStatus status;
        const char* text;
    } cases[] = {
        {ScanStatus::DeviceBusy, "Sorry, the scanner is already in use"},
        {ScanStatus::NoMem, "Sorry, there is not enough memory to acquire"},
        {ScanStatus::Invalid, "Sorry, bad value"},
        {ScanStatus::Unsupported, "Sorry, capability error has occurred"},
        {ScanStatus::Jammed, "Bummer, there is a scanner error"},
        {ScanStatus::CoverOpen, "Bummer, there is a scanner error"},
        {ScanStatus::IoError, "Bummer, there is a scanner error"},
        {ScanStatus::AccessDenied, "Bummer, there is a scanner error"},
    };
    for (const auto& failing : cases) {
        ui.ClearCalls();
        scanner.openStatus = failing.status;
        twain.acquire(false);
        ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{failing.text});
        EXPECT_EQ(ui.Calls()[0].caption, "Scanner Error");
        EXPECT_FALSE(twain.Connection()->SourceOpen());
    }
    // No device at all.
    ui.ClearCalls();
    scanner.devices.clear();
    EXPECT_FALSE(twain.acquire(false));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Sorry, no scanner found by SANE"});
}

TEST_F(ScanningComponent, TheDeviceIsSetUpOnlyWithoutTheDialogOrWithoutFastUI)
{
    twain.SetXRes(300);
    twain.SetUnits(etwuCentimeters);
    twain.SetPixelType(ptRGB);
    twain.SetLightPath(lpTransmissive);
    twain.acquire(true);
    EXPECT_TRUE(scanner.Sets().empty());
    twain.CloseTwain();

    twain.SetFastUI(false);
    twain.acquire(true);
    const std::vector<std::string> expected{"set resolution=300", "set mode=Color", "set source=Transparency Adapter"};
    EXPECT_EQ(scanner.Sets(), expected);
    twain.CloseTwain();

    // A layout in centimetres comes from and goes back to the device's millimetres.
    TW_IMAGELAYOUT offered;
    twain.OnLayout = [&](TEnhTwain&, TW_IMAGELAYOUT& layout) {
        offered = layout;
        layout.Frame = {1, 2, 11, 12};
    };
    scanner.frames.push_back(FakeScanner::GrayFrame(4, 3));
    AcquireQuietly();
    EXPECT_DOUBLE_EQ(offered.Frame.Right, 21.59);
    EXPECT_DOUBLE_EQ(offered.Frame.Bottom, 29.7);
    const std::vector<std::string> sets = scanner.Sets();
    const std::vector<std::string> layout(sets.begin() + 4, sets.begin() + 8);
    EXPECT_EQ(layout, (std::vector<std::string>{"set tl-x=10", "set tl-y=20", "set br-x=110", "set br-y=120"}));
}

TEST_F(ScanningComponent, AnUnknownSourceOpensTheDefaultAndTheChoicePersists)
{
    scanner.devices.push_back({"plustek:libusb:001:004", "Plustek", "OpticSlim", "flatbed scanner"});
    scanner.defaultDevice = "PLUSTEK:libusb:001:004";
    twain.SetTheSource("no such scanner");
    twain.acquire(true);
    EXPECT_EQ(scanner.Calls().front(), "open plustek:libusb:001:004");
    twain.CloseTwain();

    ui.whileShownModally = [this] { owner.findChild<QTableWidget*>()->selectRow(0); };
    ui.AnswerModal(mrOk);
    EXPECT_TRUE(twain.SelectSource());
    EXPECT_EQ(SettingsStore().ReadString("Options", "ScanSource", ""), "test:0");
    ui.AnswerModal(mrCancel);
    EXPECT_FALSE(twain.SelectSource());

    TEnhTwain later(&owner);
    later.acquire(true);
    EXPECT_EQ(scanner.Calls().back(), "open test:0");
    EXPECT_EQ(later.GetSource(1), "plustek:libusb:001:004");
    EXPECT_EQ(later.GetSource(2), "");
}

TEST_F(ScanningComponent, ThreeTransfersGiveThreePicturesOrThreeBitmaps)
{
    for (int width : {5, 6, 7})
        scanner.frames.push_back(FakeScanner::GrayFrame(width, 2));
    twain.SetXFerCount(3);
    AcquireQuietly();
    EXPECT_EQ(captures, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(scanner.Count("start"), 3);
    EXPECT_EQ(scanner.Calls().back(), "close");

    // The packed bitmap: a 40-byte header, rows bottom-up padded to 4 bytes.
    std::vector<std::vector<std::uint8_t>> dibs;
    twain.OnRawData = [&](TEnhTwain&, const std::vector<std::uint8_t>& dib) { dibs.push_back(dib); };
    FakeScanner::Frame colour;
    colour.parameters = {ScanFrame::Rgb, true, 6, 2, 2, 8};
    colour.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    scanner.frames.push_back(colour);
    twain.SetXFerCount(1);
    AcquireQuietly();
    ASSERT_EQ(dibs.size(), 1u);
    const std::vector<std::uint8_t> expected{40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(dibs[0].begin(), dibs[0].begin() + 16), expected);
    const std::vector<std::uint8_t> rows{9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(dibs[0].end() - 16, dibs[0].end()), rows);
    EXPECT_EQ(captures.size(), 3u);

    // Turned a quarter clockwise: the bottom-left pixel comes to the top left.
    twain.OnRawData = nullptr;
    twain.Setorientation(orRot90);
    scanner.frames.push_back(colour);
    AcquireQuietly();
    ASSERT_EQ(captures.back(), 2);
    EXPECT_EQ(twain.Bitmap().Height(), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(twain.Bitmap().ScanLine(0), twain.Bitmap().ScanLine(0) + 6),
              (std::vector<std::uint8_t>{9, 8, 7, 3, 2, 1}));
}

TEST_F(ScanningComponent, FailedCancelledAndRepeatedAcquisitions)
{
    FakeScanner::Frame jammed = FakeScanner::GrayFrame(8, 8);
    jammed.end = ScanStatus::Jammed;
    scanner.frames.push_back(jammed);
    AcquireQuietly();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Bummer, there is a scanner error"});
    EXPECT_TRUE(captures.empty());

    // A device that cannot describe its picture ends the connection as a failure.
    FakeScanner::Frame refused = FakeScanner::GrayFrame(8, 8);
    refused.start = ScanStatus::Invalid;
    scanner.frames.push_back(refused);
    AcquireQuietly();
    EXPECT_EQ(failures, 2);

    // The dialog: a second acquire only raises it; closing it unscanned is a cancel.
    twain.acquire(true);
    QApplication::processEvents();
    TScanDialog* dialog = twain.Connection()->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cbMode->currentText(), "Gray");
    twain.acquire(true);
    QApplication::processEvents();
    EXPECT_EQ(twain.Connection()->Dialog(), dialog);
    EXPECT_EQ(scanner.Count("open test:0"), 3);
    dialog->close();
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(twain.Connection()->SourceOpen());

    // Cancel during a read: by the component, and by Escape in the progress window.
    scanner.holdReads = true;
    twain.SetIndicators(etwbTrue);
    const std::function<void()> cancelling[] = {
        [&] { twain.Connection()->CancelTransfer(); },
        [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(owner.findChild<TScanProgressWindow*>(), &escape);
        },
    };
    for (const auto& cancel : cancelling) {
        scanner.frames.push_back(FakeScanner::GrayFrame(8, 8));
        ASSERT_TRUE(twain.acquire(false));
        cancel();
        WaitUntil([this] { return !twain.Connection()->SourceOpen(); });
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(owner.findChild<TScanProgressWindow*>(), nullptr);
    }
    EXPECT_EQ(cancels, 3);
    EXPECT_TRUE(captures.empty());
}

TEST_F(ScanningComponent, FreedDuringAReadItCancelsAndSaysNothingMore)
{
    scanner.holdReads = true;
    scanner.frames.push_back(FakeScanner::GrayFrame(8, 8));
    {
        TEnhTwain reading(&owner);
        reading.OnCaptureCancel = [this](TEnhTwain&) { ++cancels; };
        reading.SetIndicators(etwbFalse);
        reading.acquire(false);
        EXPECT_TRUE(reading.Connection()->Transferring());
    }
    QApplication::processEvents();
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(scanner.Calls().back(), "close");
}

// Ended as the application ends, with its read's result still on the way: the result finds the
// worker already waited for and is dropped without a word.
TEST_F(ScanningComponent, AResultArrivingAfterTheEndIsDropped)
{
    scanner.frames.push_back(FakeScanner::GrayFrame(8, 8));
    twain.SetIndicators(etwbFalse);
    ASSERT_TRUE(twain.acquire(false));
    twain.Connection()->DCTerminate();
    QApplication::processEvents();
    EXPECT_EQ(captures.size() + cancels + failures + ui.Calls().size(), 0u);
}

// Freed at any moment around the end of a quick transfer, it neither crashes nor reports.
TEST_F(ScanningComponent, FreedAsItsTransferEndsItSaysNothingMore)
{
    constexpr int Rounds = 400;
    for (int round = 0; round < Rounds; ++round) {
        scanner.frames.push_back(FakeScanner::GrayFrame(4, 4));
        {
            TEnhTwain ending(&owner);
            ending.OnCapture = [this](TEnhTwain&) { captures.push_back(0); };
            ending.OnCaptureFailure = [this](TEnhTwain&) { ++failures; };
            ending.SetIndicators(etwbFalse);
            ASSERT_TRUE(ending.acquire(false));
            // A busy wait: a sleep is too coarse to meet the worker's last moments.
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(round);
            while (std::chrono::steady_clock::now() < until) {
            }
        }
        QApplication::processEvents();
    }
    EXPECT_TRUE(captures.empty());
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(scanner.Count("close"), Rounds);
}

// One search per command, on another thread while the user-interface thread goes on with its
// events under the wait cursor.
TEST_F(ScanningComponent, DevicesAreFoundOncePerCommandOffTheWindowsThread)
{
    scanner.searchTime = std::chrono::milliseconds(300);
    const struct {
        const char* command;
        std::function<void()> run;
    } commands[] = {
        {"acquire", [&] { EXPECT_TRUE(twain.acquire(true)); }},
        {"select", [&] {
             ui.AnswerModal(mrCancel);
             EXPECT_FALSE(twain.SelectSource());
         }},
    };
    size_t searches = 0;
    for (const auto& command : commands) {
        bool ticked = false;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QTimer::singleShot(50, [&] {
            ticked = true;
            if (const QCursor* shown = QGuiApplication::overrideCursor())
                cursor = shown->shape();
        });
        command.run();
        const std::vector<std::thread::id> threads = scanner.SearchThreads();
        ASSERT_EQ(threads.size(), ++searches) << command.command;
        EXPECT_NE(threads.back(), std::this_thread::get_id()) << command.command;
        EXPECT_TRUE(ticked) << command.command;
        EXPECT_EQ(cursor, Qt::WaitCursor) << command.command;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << command.command;
        twain.CloseTwain();
    }
}

TEST_F(ScanningComponent, AFeederEmptyAtTheFirstStartFailsAndOneEmptiedEndsTheBatch)
{
    // Without the dialog: explained as a failed transfer.
    AcquireQuietly();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Sorry, DG DAT MSG is out of expected sequence"});

    // With the dialog: it stays and says why.
    ui.ClearCalls();
    ASSERT_TRUE(twain.acquire(true));
    QApplication::processEvents();
    TScanDialog* dialog = twain.Connection()->Dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->Scan();
    WaitUntil([this] { return !twain.Connection()->Transferring(); });
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(dialog->lStatus->text(), "The document feeder is out of documents");
    EXPECT_TRUE(twain.Connection()->SourceOpen());
    twain.CloseTwain();

    // Two pages of three wanted: the batch ends quietly with them.
    for (int width : {5, 6})
        scanner.frames.push_back(FakeScanner::GrayFrame(width, 2));
    twain.SetXFerCount(3);
    AcquireQuietly();
    EXPECT_EQ(captures, (std::vector<int>{5, 6}));
    EXPECT_EQ(failures, 2);
    EXPECT_TRUE(ui.MessageTexts().empty());
}

// The resolution shown is the one the device scans at, also when it is none of those offered.
TEST_F(ScanningComponent, TheDialogShowsTheResolutionTheDeviceHas)
{
    const struct {
        bool range;
        double value;
        std::vector<std::string> shown;
    } cases[] = {
        {true, 50, {"50", "75", "150", "300", "600"}},
        {true, 700, {"75", "150", "300", "600", "700"}},
        {false, 200, {"75", "150", "200", "300", "600"}},
    };
    for (const auto& device : cases) {
        ScanOption& resolution = scanner.options[1];
        ASSERT_EQ(resolution.name, "resolution");
        resolution.hasRange = device.range;
        resolution.minimum = 25;
        resolution.maximum = 1000;
        resolution.numbers = device.range ? std::vector<double>{} : std::vector<double>{75, 150, 300, 600};
        scanner.values["resolution"] = device.value;
        ASSERT_TRUE(twain.acquire(true));
        QApplication::processEvents();
        QComboBox* box = twain.Connection()->Dialog()->cbResolution;
        std::vector<std::string> shown;
        for (int i = 0; i < box->count(); ++i)
            shown.push_back(box->itemText(i).toStdString());
        EXPECT_EQ(shown, device.shown) << device.value;
        EXPECT_EQ(box->currentText().toDouble(), device.value);
        twain.CloseTwain();
    }
}

TEST(ScanningWithoutSane, TheComponentStaysSilent)
{
    ScriptedUi ui{ScriptedUi::Strictness::Lenient};
    FakeScanner scanner(false);
    TEnhTwain twain;
    EXPECT_FALSE(twain.IsTwainPresent());
    EXPECT_FALSE(twain.SelectSource());
    EXPECT_FALSE(twain.acquire(true));
    EXPECT_EQ(twain.CountDSs(), 0);
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_TRUE(scanner.Calls().empty());
}

// Parameters no real picture has are refused before anything is allocated for them.
TEST(ScanImageBounds, HostileParametersAreRefused)
{
    const ScanParameters cases[] = {
        {ScanFrame::Gray, true, 10, 10, 10, 4},
        {ScanFrame::Rgb, true, 10, 10, 10, 1},
        {ScanFrame::Gray, true, 10, 11, 10, 8},
        {ScanFrame::Gray, true, 10, 0, 10, 8},
        {ScanFrame::Gray, true, 70000, 70000, 10, 8},
        {ScanFrame::Gray, true, 10, 10, 0, 8},
        {ScanFrame::Gray, true, 10, 10, -2, 8},
        {ScanFrame::Rgb, true, 196605, 65535, 65535, 8},
        {ScanFrame::Gray, true, -1, 10, 10, 8},
    };
    for (const ScanParameters& parameters : cases) {
        ScanImage image;
        EXPECT_FALSE(image.BeginFrame(parameters)) << parameters.pixelsPerLine << " " << parameters.depth;
    }
    // An unknown height grows only to the bounds.
    ScanImage endless;
    ASSERT_TRUE(endless.BeginFrame({ScanFrame::Gray, true, 65535, 65535, -1, 8}));
    const std::vector<std::uint8_t> row(65535, 7);
    int rows = 0;
    while (endless.Append(row.data(), static_cast<int>(row.size())) && rows < 5000)
        ++rows;
    EXPECT_EQ(rows, static_cast<int>(ScanImage::MaxBytes / (65535 * 3)));
    // A frame that ends short of its height is not a picture.
    ScanImage shortFrame;
    ASSERT_TRUE(shortFrame.BeginFrame({ScanFrame::Gray, true, 4, 4, 3, 8}));
    EXPECT_TRUE(shortFrame.Append(row.data(), 8));
    EXPECT_FALSE(shortFrame.EndFrame());
}

TEST(ScanImageSamples, OneBitIsBlackSixteenKeepsTheHighByteAndPaddingIsSkipped)
{
    ScanImage bits;
    ASSERT_TRUE(bits.BeginFrame({ScanFrame::Gray, true, 2, 10, 1, 1}));
    const std::uint8_t bitRow[] = {0b10100000, 0b01000000};
    ASSERT_TRUE(bits.Append(bitRow, 2));
    ASSERT_TRUE(bits.EndFrame());
    const auto bitmap = bits.Bitmap();
    const std::uint8_t* line = bitmap->ScanLine(0);
    const int expected[] = {0, 255, 0, 255, 255, 255, 255, 255, 255, 0};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(line[x * 3], expected[x]) << x;

    ScanImage deep;
    ASSERT_TRUE(deep.BeginFrame({ScanFrame::Gray, true, 6, 2, 1, 16}));
    const std::uint16_t samples[] = {0x12ff, 0xab00, 0x9999};
    ASSERT_TRUE(deep.Append(reinterpret_cast<const std::uint8_t*>(samples), 6));
    ASSERT_TRUE(deep.EndFrame());
    EXPECT_EQ(deep.Bitmap()->ScanLine(0)[0], 0x12);
    EXPECT_EQ(deep.Bitmap()->ScanLine(0)[3], 0xab);
}

} // namespace
