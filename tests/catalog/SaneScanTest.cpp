// Scans from SANE's own test device, judged pixel for pixel against what scanimage writes from the
// same device set up the same way. Each case has a private SANE configuration folder whose test.conf
// sets the device up, read again by a SANE started for the case.
#include "catalog/EnhTwain.h"

#include "platform/graphics/Bitmap.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class SaneTestDevice : public testing::Test {
protected:
    ~SaneTestDevice() override
    {
        SetScanner(nullptr);
        sane_.reset();
    }

    static const TemporaryFolder& Folder()
    {
        static TemporaryFolder folder;
        return folder;
    }

    // SANE with the test device set up by `settings` (lines of test.conf).
    void Start(const std::string& settings)
    {
        WriteWholeFile(Folder().File("dll.conf"), "test\n");
        WriteWholeFile(Folder().File("test.conf"), "number_of_devices 1\nresolution 50.0\n" + settings);
        setenv("SANE_CONFIG_DIR", Folder().Path().c_str(), 1);
        SetScanner(nullptr);
        sane_.reset();
        sane_ = StartSane();
        SetScanner(sane_.get());
        ASSERT_TRUE(Scanner().Available());
    }

    // Every picture of one acquisition without the dialog.
    std::vector<RgbImage> Acquire(TEnhTwain& twain)
    {
        std::vector<RgbImage> pictures;
        twain.OnCapture = [&](TEnhTwain& sender) { pictures.push_back(RgbOf(sender.Bitmap())); };
        twain.SetIndicators(etwbFalse);
        twain.SetTheSource("test:0");
        twain.acquire(false);
        WaitForTheEnd(twain);
        return pictures;
    }

    static void WaitForTheEnd(TEnhTwain& twain)
    {
        QElapsedTimer timer;
        timer.start();
        while (twain.Connection() && twain.Connection()->SourceOpen() && timer.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    std::string Scanimage(const std::string& filter = "") const
    {
        return "SANE_CONFIG_DIR='" + Folder().Path() + "' scanimage -d test:0 --format=pnm" + filter;
    }

    ScriptedUi ui{ScriptedUi::Strictness::Lenient};

private:
    std::unique_ptr<ScannerBackend> sane_;
};

TEST_F(SaneTestDevice, EveryKindOfFrameMatchesScanimage)
{
    const struct {
        const char* settings;
        const char* filter;
        int tolerance;
    } cases[] = {
        {"mode Color\ntest-picture \"Color pattern\"\n", "", 0},
        {"mode Gray\ndepth 8\ntest-picture \"Color pattern\"\n", "", 0},
        // scanimage's samples are scaled, ours keep the high byte.
        {"mode Gray\ndepth 16\ntest-picture \"Color pattern\"\n", "", 1},
        {"mode Gray\ndepth 1\ntest-picture \"Solid black\"\n", " | pbmtopgm 1 1", 0},
        {"mode Color\nthree-pass true\ntest-picture \"Color pattern\"\n", "", 0},
        {"mode Color\nhand-scanner true\ntest-picture \"Color pattern\"\n", "", 0},
    };
    for (const auto& setup : cases) {
        Start(setup.settings);
        TEnhTwain twain;
        const std::vector<RgbImage> pictures = Acquire(twain);
        ASSERT_EQ(pictures.size(), 1u) << setup.settings;
        ExpectSameImage(pictures[0], DecodedBy(Scanimage(setup.filter)), setup.settings, 8, setup.tolerance);
    }
    EXPECT_TRUE(ui.Calls().empty());
}

// scanimage writes the lines of such a device unpadded, so that its picture slants: ours is the
// device's picture at full width, cut to the pixels a line has.
TEST_F(SaneTestDevice, PaddedLinesKeepTheirPixelsInPlace)
{
    Start("mode Color\ntest-picture \"Color pattern\"\n");
    const RgbImage full = DecodedBy(Scanimage(" | pamcut -left 0 -width 150"));
    Start("mode Color\nppl-loss 7\ntest-picture \"Color pattern\"\n");
    TEnhTwain twain;
    const std::vector<RgbImage> pictures = Acquire(twain);
    ASSERT_EQ(pictures.size(), 1u);
    ExpectSameImage(pictures[0], full, "ppl-loss 7");
}

TEST_F(SaneTestDevice, TheColourPatternAtFiftyDpiHasItsSize)
{
    Start("mode Color\ntest-picture \"Color pattern\"\n");
    TEnhTwain twain;
    const std::vector<RgbImage> pictures = Acquire(twain);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].width, 157);
    EXPECT_EQ(pictures[0].height, 196);
}

TEST_F(SaneTestDevice, AJammedReadFailsAndACancelledOneIsCancelled)
{
    Start("read-status-code \"SANE_STATUS_JAMMED\"\n");
    int failures = 0;
    TEnhTwain jammed;
    jammed.OnCaptureFailure = [&](TEnhTwain&) { ++failures; };
    EXPECT_TRUE(Acquire(jammed).empty());
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Bummer, there is a scanner error"});

    Start("read-delay true\nread-delay-duration 200000\nread-limit true\nread-limit-size 1\n");
    int cancels = 0;
    TEnhTwain slow;
    slow.OnCaptureCancel = [&](TEnhTwain&) { ++cancels; };
    slow.SetIndicators(etwbTrue);
    slow.acquire(false);
    ASSERT_TRUE(slow.Connection()->Transferring());
    slow.Connection()->CancelTransfer();
    WaitForTheEnd(slow);
    EXPECT_EQ(cancels, 1);
}

TEST_F(SaneTestDevice, TheFeederChosenInTheDialogGivesTenPictures)
{
    Start("mode Gray\n");
    TEnhTwain twain;
    int pictures = 0;
    twain.OnCapture = [&](TEnhTwain&) { ++pictures; };
    twain.SetXFerCount(-1);
    twain.acquire(true);
    QApplication::processEvents();
    TScanDialog* dialog = twain.Connection()->Dialog();
    ASSERT_NE(dialog, nullptr);
    // The device's resolution is a range set between the offered values: the one it scans at is shown.
    EXPECT_EQ(dialog->cbResolution->currentText(), "50");
    dialog->cbSource->setCurrentText("Automatic Document Feeder");
    ASSERT_EQ(dialog->cbSource->currentText(), "Automatic Document Feeder");
    emit dialog->cbSource->activated(dialog->cbSource->currentIndex());
    dialog->Scan();
    WaitForTheEnd(twain);
    EXPECT_EQ(pictures, 10);
}

} // namespace
