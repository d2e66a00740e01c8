#include "catalog/Didfilefinder.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/FileListBox.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

namespace {

// A program folder with its "Catalogs", "Template" and "Examples", a folder of the current catalog
// elsewhere, and a working folder; the settings in a file of their own.
class Finder : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* previous = std::getenv("KESTRAME_PROGRAM_DIR"))
            previousProgramDir = previous;
        program = root.File("program") + "/";
        setenv("KESTRAME_PROGRAM_DIR", program.c_str(), 1);
        for (const char* folder : {"program/Catalogs", "program/Template", "program/Examples", "current", "work"})
            ASSERT_TRUE(ForceDirectories(root.File(folder)));
        previousDir = GetCurrentDir();
        ASSERT_EQ(chdir(root.File("work").c_str()), 0);
    }

    void TearDown() override
    {
        EXPECT_EQ(chdir(previousDir.c_str()), 0);
        if (previousProgramDir.empty())
            unsetenv("KESTRAME_PROGRAM_DIR");
        else
            setenv("KESTRAME_PROGRAM_DIR", previousProgramDir.c_str(), 1);
    }

    std::string Touch(const std::string& relative)
    {
        WriteWholeFile(NativePath(root.File(relative)), "x");
        return root.File(relative);
    }

    std::string Stored() const { return settings.ReadString("Options", "CurrentDataFile", "<none>"); }

    TemporaryFolder root;
    std::string program;
    std::string previousProgramDir;
    std::string previousDir;
    SettingsStore settings{root.File("Kestrame.ini")};
    Didfilefinder finder{settings};
};

} // namespace

TEST_F(Finder, Folders)
{
    EXPECT_EQ(finder.CatalogsFolder(), program + "Catalogs/");
    EXPECT_EQ(finder.TemplateFolder(), program + "Template/");
    EXPECT_EQ(finder.ExampleFolder(), program + "Examples/");
    EXPECT_EQ(finder.ReadCurrentDataFile(), program + "Catalogs/");
    finder.WriteCurrentDataFile("C:\\Cats\\Shop.ctf");
    EXPECT_EQ(finder.ReadCurrentDataFile(), "C:\\Cats\\Shop.ctf");
}

TEST_F(Finder, WindowsPathFoundInTheCatalogsFolder)
{
    const std::string catalog = Touch("program/Catalogs/Shop.ctf");
    EXPECT_EQ(finder.FindCatalog("D:\\Old\\Shop.ctf"), catalog);
    EXPECT_EQ(Stored(), catalog);
    EXPECT_EQ(finder.FindCatalog("D:\\Old\\SHOP.CTF"), catalog);
    EXPECT_EQ(finder.FindCatalog("D:Shop.ctf"), catalog);
}

TEST_F(Finder, CatalogSearchOrder)
{
    const std::string beside = Touch("current/Shop.ctf");
    const std::string inCatalogs = Touch("program/Catalogs/Shop.ctf");
    const std::string inProgram = Touch("program/Other.ctf");
    EXPECT_EQ(finder.FindCatalog("D:\\Old\\Shop.ctf"), inCatalogs); // nothing stored: the catalogs folder
    finder.WriteCurrentDataFile(root.File("current/Previous.ctf"));
    EXPECT_EQ(finder.FindCatalog("D:\\Old\\Shop.ctf"), beside);
    EXPECT_EQ(finder.FindCatalog("E:\\Other.ctf"), inProgram);
    EXPECT_EQ(Stored(), inProgram);
    // The path itself wins, and is stored too.
    EXPECT_EQ(finder.FindCatalog(inCatalogs), inCatalogs);
    EXPECT_EQ(Stored(), inCatalogs);
    finder.WriteCurrentDataFile("kept");
    EXPECT_EQ(finder.FindCatalog("D:\\Missing.ctf"), "");
    EXPECT_EQ(finder.FindCatalog(""), "");
    EXPECT_EQ(Stored(), "kept");
}

TEST_F(Finder, FoldersAreNoFiles)
{
    ASSERT_TRUE(ForceDirectories(root.File("program/Catalogs/Shop.ctf")));
    ASSERT_TRUE(ForceDirectories(root.File("program/Catalogs/Other")));
    EXPECT_EQ(finder.FindCatalog("Shop.ctf"), "");
    EXPECT_EQ(finder.FindCatalog(finder.CatalogsFolder()), "");
    EXPECT_EQ(finder.FindPicture(root.File("program/Catalogs/Other")), "");
    EXPECT_EQ(Stored(), "<none>");
}

TEST_F(Finder, PicturesNeverChangeTheCurrentCatalog)
{
    const std::string inCatalogs = Touch("program/Catalogs/cola.bmp");
    Touch("program/Catalogs/chips.jpg");
    Touch("program/logo.png");
    EXPECT_EQ(finder.FindPicture("C:\\Pics\\cola.bmp"), inCatalogs); // nothing stored: the catalogs folder
    finder.WriteCurrentDataFile(root.File("current/Shop.ctf"));
    const std::string inWork = Touch("work/cola.bmp");
    EXPECT_EQ(finder.FindPicture("cola.bmp"), "cola.bmp"); // the path itself, from the working folder
    EXPECT_EQ(finder.FindPicture("C:\\Pics\\cola.bmp"), GetCurrentDir() + "/cola.bmp");
    EXPECT_EQ(GetCurrentDir() + "/cola.bmp", inWork);
    const std::string beside = Touch("current/COLA.BMP");
    EXPECT_EQ(finder.FindPicture("C:\\Pics\\cola.bmp"), beside);
    EXPECT_EQ(finder.FindPicture("C:\\Pics\\chips.jpg"), root.File("program/Catalogs/chips.jpg"));
    EXPECT_EQ(finder.FindPicture("D:logo.png"), root.File("program/logo.png"));
    EXPECT_EQ(finder.FindPicture("C:\\Pics\\none.jpg"), "");
    EXPECT_EQ(finder.FindPicture(""), "");
    EXPECT_EQ(Stored(), root.File("current/Shop.ctf"));
}

TEST_F(Finder, AccentedNamesMatchWithoutRegardToCase)
{
    // On disk the names are UTF-8; a file stores "Café" in Windows-1252 and "Товары" in UTF-8.
    const std::string catalog = Touch("program/Catalogs/Caf\xC3\xA9.ctf");
    ASSERT_TRUE(FileExists(catalog));
    EXPECT_EQ(finder.FindCatalog("D:\\Caf\xE9.CTF"), catalog);
    const std::string goods = "\xD0\xA2\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8B";
    const std::string other = Touch("program/Catalogs/" + goods + ".ctf");
    EXPECT_EQ(finder.FindCatalog("D:\\" + goods + ".CTF"), other);
    EXPECT_EQ(finder.FindCatalog(other), other);
    EXPECT_EQ(finder.FindPicture(root.File("program/Catalogs/Caf\xE9.ctf")), catalog);
}

TEST_F(Finder, FileLists)
{
    const std::string catalog = Touch("current/Shop.ctf");
    Touch("current/Other.ctf");
    finder.WriteCurrentDataFile(catalog);
    TFileListBox list;
    finder.SelectCurrentCatalog(list);
    EXPECT_EQ(list.Directory(), root.File("current"));
    EXPECT_EQ(list.FileName(), catalog);

    TFileListBox templates;
    finder.ListTemplates(templates);
    EXPECT_EQ(templates.Mask(), "*.kqt");
    EXPECT_EQ(templates.Directory(), ""); // no template yet: the list stays where it was
    Touch("program/Template/Shelf.KQT");
    Touch("program/Template/notes.txt");
    finder.ListTemplates(templates);
    EXPECT_EQ(templates.Directory(), program + "Template");
    EXPECT_EQ(templates.Items(), std::vector<std::string>{"Shelf.KQT"});
    EXPECT_EQ(templates.ItemIndex(), -1);

    TFileListBox examples;
    Touch("program/Examples/Demo.kqf");
    finder.ListExamples(examples);
    EXPECT_EQ(examples.Mask(), "*.kqf");
    EXPECT_EQ(examples.Items(), std::vector<std::string>{"Demo.kqf"});
}
