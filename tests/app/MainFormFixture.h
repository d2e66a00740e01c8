#pragma once

// A main window on a program folder holding the example catalog, planogram and template, with a
// scripted Document Setup dialog and scripted message boxes.

#include "app/SDIMain.h"
#include "planogram/DocumentSetup.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/plandocCode.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

inline const std::string ExampleFilesFolder = std::string(KESTRAME_TEST_DATA) + "/../../examples/";

class FakeSetupDialog : public DocumentSetupDialog {
public:
    std::optional<DocumentSetupValues> answer;
    std::optional<DocumentSetupValues> ShowModal() override { return answer; }
    void SetHideCatalogs(bool) override {}
    void ClearPictureFileName() override {}
};

inline std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class MainFormFixture : public testing::Test {
protected:
    MainFormFixture()
    {
        setenv("KESTRAME_PROGRAM_DIR", (program.Path() + "/").c_str(), 1);
        for (const char* folder : {"Catalogs", "Examples", "Template"})
            RunCommand("mkdir -p '" + program.File(folder) + "'");
        for (const char* file : {"Catalogs/Sample.ctf", "Examples/Sample Wall.kqf", "Template/Four Shelves.kqt"})
            WriteWholeFile(program.File(file), ReadWholeFile(ExampleFilesFolder + file));
        form = std::make_unique<TMainForm>();
        form->SetDocumentSetupDialog(&setup);
        form->show();
    }
    ~MainFormFixture() override
    {
        form.reset();
        unsetenv("KESTRAME_PROGRAM_DIR");
    }

    std::string Example() const { return program.File("Examples/Sample Wall.kqf"); }
    int Windows() const { return static_cast<int>(form->ClientArea->subWindowList().size()); }
    PlanogramDocument& Active() { return form->ActivePlanogram()->Document(); }
    ListOB& Item(int number)
    {
        ListOB* item = Active().items->head;
        while (item && item->itemNo != number)
            item = item->next;
        return *item;
    }
    // The pixels of the active planogram's wall that its background colour does not cover.
    int DrawnPixels()
    {
        const PlanogramDocument& document = Active();
        int drawn = 0;
        for (int y = 0; y < document.backBitmap.Height(); ++y)
            for (int x = 0; x < document.backBitmap.Width(); ++x)
                drawn += document.backBitmap.Pixel(x, y) != document.backgroundColor;
        return drawn;
    }

    ScopedSettingsFolder settings;
    TemporaryFolder program;
    ScriptedUi ui;
    FakeSetupDialog setup;
    std::unique_ptr<TMainForm> form;
};
