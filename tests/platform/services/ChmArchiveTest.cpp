// The help engine against chmlib's own command-line tools and the projects the files came from, and
// the parsers of the file's parts on truncated and lying bytes.
#include "platform/services/ChmArchive.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace {

// The options and the context numbers with their topics, read from a help project (".hhp").
struct HelpProject {
    std::map<std::string, std::string> options;
    std::map<std::uint32_t, std::string> topics;
};

HelpProject ReadProject(const std::string& path)
{
    HelpProject project;
    std::map<std::string, std::uint32_t> numbers;
    std::map<std::string, std::string> aliases;
    std::istringstream lines(ReadWholeFile(path));
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("["))
            section = line;
        else if (section == "[MAP]" && line.starts_with("#define ")) {
            std::istringstream fields(line.substr(8));
            std::string name;
            std::uint32_t number = 0;
            fields >> name >> number;
            numbers[name] = number;
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            (section == "[ALIAS]" ? aliases : project.options)[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    for (const auto& [name, number] : numbers)
        project.topics[number] = "/" + aliases.at(name);
    return project;
}

// The file objects enum_chmLib lists.
std::vector<std::string> EnumeratedFiles(const std::string& chm)
{
    std::vector<std::string> files;
    std::istringstream lines(RunCommand("enum_chmLib '" + chm + "'"));
    for (std::string line; std::getline(lines, line);) {
        const size_t tabs = line.find("\t\t");
        if (tabs != std::string::npos && line.substr(0, tabs).ends_with(" file"))
            files.push_back(line.substr(tabs + 2));
    }
    return files;
}

void ExpectAgreesWithChmTools(const ChmArchive& archive, const std::string& chm)
{
    EXPECT_EQ(archive.FileNames(), EnumeratedFiles(chm));
    TemporaryFolder extracted;
    RunCommand("extract_chmLib '" + chm + "' '" + extracted.Path() + "/out' >/dev/null");
    size_t compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(extracted.Path() + "/out")) {
        if (!entry.is_regular_file())
            continue;
        const std::string name = "/" + std::filesystem::relative(entry.path(), extracted.Path() + "/out").string();
        EXPECT_EQ(archive.Object(name), ReadWholeFile(entry.path().string())) << name;
        ++compared;
    }
    EXPECT_GT(compared, 3u);
}

void ExpectFollowsProject(const ChmArchive& archive, const std::string& hhp)
{
    const HelpProject project = ReadProject(hhp);
    EXPECT_EQ(archive.System().title, project.options.at("Title"));
    EXPECT_EQ(archive.System().defaultTopic, project.options.at("Default topic"));
    EXPECT_EQ(archive.DefaultTopicPath(), "/" + project.options.at("Default topic"));
    ASSERT_FALSE(project.topics.empty());
    for (const auto& [context, topic] : project.topics)
        EXPECT_EQ(archive.TopicForContext(context), topic) << context;
    EXPECT_EQ(archive.TopicForContext(4242), archive.DefaultTopicPath());
}

ChmEngine& LoadedEngine()
{
    static ChmEngine engine;
    if (!engine.Installed())
        engine.Load("chm", 1, std::string());
    return engine;
}

// A small help of three topics, two of them mapped, compiled by chmcmd in `folder`, which the
// compiler writes into the context strings.
std::string CompileSmallHelp(const std::string& folder)
{
    std::filesystem::create_directories(folder + "/pages");
    WriteWholeFile(folder + "/start.html",
                   "<html><body><h1>Start</h1><a href=\"pages/two.html\">Two</a></body></html>");
    WriteWholeFile(folder + "/pages/two.html", "<html><body><h1>Two</h1></body></html>");
    WriteWholeFile(folder + "/pages/three.html", "<html><body><h1>Three</h1></body></html>");
    WriteWholeFile(folder + "/small.hhc",
                   "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Start\">"
                   "<param name=\"Local\" value=\"start.html\"></object>\n"
                   "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Two &amp; more\">"
                   "<param name=\"Local\" value=\"pages/two.html\"></object></ul></ul>\n");
    WriteWholeFile(folder + "/small.hhp", "[OPTIONS]\nCompiled file=small.chm\nContents file=small.hhc\n"
                                          "Default topic=start.html\nTitle=Small Help\n\n"
                                          "[FILES]\nstart.html\npages/two.html\npages/three.html\n\n"
                                          "[MAP]\n#define ONE 7\n#define TWO 12\n\n"
                                          "[ALIAS]\nONE=pages/three.html\nTWO=pages/two.html\n");
    int status = -1;
    RunCommand("cd '" + folder + "' && " KESTRAME_CHMCMD " small.hhp >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    return folder + "/small.chm";
}

} // namespace

TEST(ChmArchive, AgreesWithChmToolsAndProjectOnTheProgramsHelp)
{
    const ChmArchive archive(LoadedEngine(), KESTRAME_HELP_FILE);
    ExpectAgreesWithChmTools(archive, KESTRAME_HELP_FILE);
    ExpectFollowsProject(archive, KESTRAME_HELP_SOURCES "/Kestrame.hhp");
    ASSERT_EQ(archive.Contents().size(), 1u);
    EXPECT_EQ(archive.Contents()[0].local, "index.html");
    EXPECT_EQ(archive.Contents()[0].children.size(), 9u);
}

TEST(ChmArchive, FindsContextTopicsWhereverTheHelpWasCompiled)
{
    TemporaryFolder folder;
    for (const std::string& where : {folder.File("a"), folder.File("b/c/d/e")}) {
        SCOPED_TRACE(where);
        const std::string chm = CompileSmallHelp(where);
        const ChmArchive archive(LoadedEngine(), chm);
        ExpectAgreesWithChmTools(archive, chm);
        ExpectFollowsProject(archive, where + "/small.hhp");
        ASSERT_EQ(archive.Contents().size(), 1u);
        ASSERT_EQ(archive.Contents()[0].children.size(), 1u);
        EXPECT_EQ(archive.Contents()[0].children[0].name, "Two & more");
        EXPECT_FALSE(archive.Object("/" + std::string(600, 'x')));
        EXPECT_FALSE(archive.Object("/missing.html"));
    }
}

TEST(ChmArchive, RefusesMissingEngineAndFiles)
{
    ChmEngine missing;
    TemporaryFolder folder;
    missing.Load("kestrame-no-such-library", 1, folder.File("libchm.so.1"));
    EXPECT_FALSE(missing.Installed());
    EXPECT_EQ(RaisedMessage<EHelpFileError>([&] { ChmArchive(missing, KESTRAME_HELP_FILE); }),
              "The help engine is not loaded");
    EXPECT_EQ(RaisedMessage<EHelpFileError>([&] { ChmArchive(LoadedEngine(), folder.File("none.chm")); }),
              "Could not open the help file " + folder.File("none.chm"));
    EXPECT_EQ(LibraryVersionText(LoadedEngine().LibraryFile()), "1.0.0.0");
    EXPECT_EQ(LibraryVersionText("/x/libchm.so.2.1"), "2.1.0.0");
}

namespace {

std::string U16(std::uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }
std::string U32(std::uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }
std::string Record(std::uint16_t code, const std::string& data)
{
    return U16(code) + U16(static_cast<std::uint16_t>(data.size())) + data;
}

} // namespace

TEST(ChmFormat, RefusesTruncatedAndLyingParts)
{
    const std::string system = U32(3) + Record(2, std::string("a.html\0", 7)) + Record(3, "T") + Record(0, "c.hhc");
    const ChmSystem parsed = ParseChmSystem(system);
    EXPECT_EQ(parsed.defaultTopic, "a.html");
    EXPECT_EQ(parsed.title, "T");
    EXPECT_EQ(parsed.contentsFile, "c.hhc");
    // Every cut but those at the ends of records falls inside a header or a value.
    for (size_t cut = 0; cut < system.size(); ++cut) {
        if (cut != 4 && cut != 15 && cut != 20) {
            EXPECT_THROW(ParseChmSystem(system.substr(0, cut)), EHelpFileError) << cut;
        }
    }
    EXPECT_THROW(ParseChmSystem(U32(3) + U16(2) + U16(0xFFFF) + "x"), EHelpFileError);

    const std::string strings("\0/x/a.html\0b.html\0", 18);
    EXPECT_EQ(ParseChmContextMap(U32(16) + U32(1) + U32(1) + U32(9) + U32(11), strings),
              (std::map<std::uint32_t, std::string>{{1, "/x/a.html"}, {9, "b.html"}}));
    EXPECT_THROW(ParseChmContextMap(U32(16) + U32(1) + U32(1), strings), EHelpFileError);             // count lies
    EXPECT_THROW(ParseChmContextMap(U32(12) + U32(1) + U32(1) + U32(2), strings), EHelpFileError);    // odd pairs
    EXPECT_THROW(ParseChmContextMap(U32(8) + U32(1) + U32(18), strings), EHelpFileError);             // past the end
    EXPECT_THROW(ParseChmContextMap(U32(8) + U32(1) + U32(1), strings.substr(0, 5)), EHelpFileError); // no NUL
    EXPECT_THROW(ParseChmContextMap("ab", strings), EHelpFileError);

    // Unbalanced, unclosed and absurdly deep lists still give a tree of bounded depth.
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<ul><li><object type=\"text/sitemap\"><param name=Name value=n></object>";
    const std::vector<HelpTopicNode> tree = ParseHhcContents(deep);
    size_t depth = 0;
    for (const std::vector<HelpTopicNode>* level = &tree; !level->empty(); level = &level->back().children)
        ++depth;
    EXPECT_LE(depth, 64u);
    EXPECT_TRUE(ParseHhcContents("</ul></ul><object type=text/sitemap><param name=\"Local").size() == 0);
}
