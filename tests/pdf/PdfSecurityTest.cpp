#include "pdf/PdfSecurity.h"

#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfMD5RC4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int Print = 2, Change = 4, Copy = 8, Fill = 16;

struct TPasswords {
    std::string owner;
    std::string user;
};

void SetInformation(TPdfDevice& device)
{
    TPdfDeviceInfoBlock block;
    block.Title = "Aisle (7) \\ Caf\xE9";
    device.SetInfo(block);
}

// The sample page, then a page with a text field and a checked box, whose strings the form and
// its fields carry.
void DrawPagesWithForm(TPdfDevice& device)
{
    DrawSamplePage(device);
    EXPECT_TRUE(PlayCommands(device, [](TMetafileCanvas& canvas) {
        RecordCommand(canvas, 510, "000/FT/Tx\r/V(Caf\\351 \\(7\\))/TU (Price)/DA (/Helv 0 Tf 0 g )", {72, 72, 272, 92});
        RecordCommand(canvas, 510, "001/Ff 0/FT/Btn\r\r/AS/Yes\r/V /Yes/TU <426F78>/DA (/Helv 0 Tf 0 g )", {72, 100, 92, 120});
    }));
}

// The permission lines qpdf prints, as each allowed action should unlock them.
std::string PermissionLines(int permissions)
{
    const auto line = [&](const char* text, bool allowed) {
        return std::string(text) + (allowed ? ": allowed\n" : ": not allowed\n");
    };
    const bool print = permissions & Print, change = permissions & Change, copy = permissions & Copy,
               fill = permissions & Fill;
    return line("extract for accessibility", copy) + line("extract for any purpose", copy) +
           line("print low resolution", print) + line("print high resolution", print) +
           line("modify document assembly", change) + line("modify forms", fill) + line("modify annotations", fill) +
           line("modify other", change) + line("modify anything", change && fill);
}

std::string PermissionLinesOf(const std::string& report)
{
    const std::size_t start = report.find("extract for accessibility");
    return start == std::string::npos ? report : report.substr(start);
}

// The document as qpdf rewrites it, without the header line that names the version and the ID,
// whose second half qpdf makes anew.
std::string Rewritten(const TemporaryFolder& folder, const std::string& pdf, const std::string& options)
{
    WriteWholeFile(folder.File("in.pdf"), pdf);
    int status = -1;
    const std::string out = folder.File("rewritten.pdf");
    const std::string report = RunCommand(
        "qpdf --qdf --no-original-object-ids " + options + " " + folder.File("in.pdf") + " " + out + " 2>&1", &status);
    EXPECT_EQ(status, 0) << report;
    std::string bytes = ReadWholeFile(out);
    const std::size_t id = bytes.find("  /ID [");
    if (id != std::string::npos)
        bytes.erase(id, bytes.find('\n', id) - id);
    return bytes.substr(bytes.find('\n') + 1);
}

} // namespace

// Every mix opens as its passwords say and shows the permissions asked for; decrypted, a file is
// the same document as the one written without encryption, its form's strings included.
TEST(PdfSecurity, QpdfAndPdfinfoOpenEveryMix)
{
    TFixedClock clock;
    TemporaryFolder folder;
    const std::string plainPdf = MemoryDocument(SetInformation, DrawPagesWithForm);
    const std::string plain = Rewritten(folder, plainPdf, "");
    int status = -1;
    SaveAndRun(folder, plainPdf, "qpdf --requires-password", &status);
    EXPECT_EQ(status, 2);
    const TPasswords mixes[] = {{"", ""}, {"owner", ""}, {"", "user"}, {"owner", "user"}};
    for (const int level : {0, 1}) {
        for (const TPasswords& passwords : mixes) {
            for (int permissions = 0; permissions <= (Print | Change | Copy | Fill); permissions += 2) {
                SCOPED_TRACE("level " + std::to_string(level) + " owner '" + passwords.owner + "' user '" +
                             passwords.user + "' permissions " + std::to_string(permissions));
                const std::string pdf = MemoryDocument(
                    [&](TPdfDevice& device) {
                        device.Security = {1 | permissions, level, passwords.owner, passwords.user};
                        SetInformation(device);
                    },
                    DrawPagesWithForm);
                EXPECT_EQ(pdf.substr(0, 8), level == 1 ? "%PDF-1.4" : "%PDF-1.2");
                SaveAndRun(folder, pdf, "qpdf --requires-password", &status);
                EXPECT_EQ(status, passwords.user.empty() ? 3 : 0);
                const std::string owner = passwords.owner.empty() ? passwords.user : passwords.owner;
                const std::string report =
                    SaveAndRun(folder, pdf, "qpdf --show-encryption --password=" + owner, &status);
                EXPECT_EQ(report.substr(0, 6), level == 1 ? "R = 3\n" : "R = 2\n");
                EXPECT_EQ(PermissionLinesOf(report), PermissionLines(permissions));
                // Only the owner password opens as the owner: without one the owner's key is random.
                EXPECT_EQ(report.find("Supplied password is owner password\n") != std::string::npos,
                          !passwords.owner.empty())
                    << report;
                EXPECT_TRUE(owner.empty() ||
                            report.find("User password = " + passwords.user + "\n") != std::string::npos)
                    << report;
                if (permissions != (Print | Copy))
                    continue;
                const std::string check = SaveAndRun(folder, pdf, "qpdf --check --password=" + passwords.user, &status);
                EXPECT_EQ(status, 0) << check;
                SaveAndRun(folder, pdf, "qpdf --check", &status);
                EXPECT_EQ(status, passwords.user.empty() ? 0 : 2);
                const std::string info = SaveAndRun(folder, pdf, "pdfinfo -upw '" + passwords.user + "'", &status);
                EXPECT_EQ(InfoField(info, "Title"), "Aisle (7) \\ Caf\xC3\xA9") << info;
                EXPECT_EQ(Rewritten(folder, pdf, "--decrypt --password=" + passwords.user), plain);
            }
        }
    }
}

TEST(PdfSecurity, KeysFollowTheHandlersRules)
{
    TFixedClock clock;
    TPdfFileWriter writer;
    writer.OpenMemory();
    const std::string longPassword = "0123456789abcdefghijklmnopqrstuvWXYZ!?#+";
    for (const int level : {0, 1}) {
        const TPdfEncryptInfo full(&writer, {1 | Print, level, "owner", longPassword});
        const TPdfEncryptInfo cut(&writer, {1 | Print, level, "owner", longPassword.substr(0, 32)});
        EXPECT_EQ(full.OValue(), cut.OValue());
        EXPECT_EQ(full.UValue(), cut.UValue());
        EXPECT_EQ(full.FileKey(), cut.FileKey());
        EXPECT_EQ(full.FileKey().size(), level == 1 ? 16u : 5u);
        EXPECT_EQ(full.PValue(), level == 1 ? -3904 + 4 + 2048 : -64 + 4);
    }

    TPdfEncryptInfo security(&writer, {1, 1, "", ""});
    const std::string plain = "stream bytes (1)";
    const auto encrypted = [&](int number, std::string bytes) {
        security.Encrypt(number, reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
        return bytes;
    };
    EXPECT_NE(encrypted(5, plain), plain);
    EXPECT_NE(encrypted(5, plain), encrypted(6, plain));
    EXPECT_EQ(encrypted(5 + 0x1000000, plain), encrypted(5, plain));
    EXPECT_EQ(encrypted(5, encrypted(5, plain)), plain);

    // Without passwords the owner key is random: two dictionaries differ in O alone.
    const TPdfEncryptInfo other(&writer, {1, 1, "", ""});
    EXPECT_NE(other.OValue(), security.OValue());
    EXPECT_EQ(other.UValue().size(), 32u);
}

// Passwords go in as readers take what the user types, in PDFDocEncoding; a letter it lacks is
// refused, not written as another.
TEST(PdfSecurity, PasswordsAreWrittenInPdfDocEncoding)
{
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"caf\xE9 \x80uro", "caf\xE9 \xA0uro"},
        {"\x8C\x96\x95\x83\x9F", "\x96\x85\x80\x86\x98"},
        {"no\xA0space", std::nullopt},
        {"soft\xADhyphen", std::nullopt},
        {"tab\t", std::nullopt},
        {"\x81", std::nullopt}};
    for (const auto& [password, encoded] : cases)
        EXPECT_EQ(PdfDocEncodedPassword(password), encoded) << password;
    TPdfFileWriter writer;
    writer.OpenMemory();
    // The user entry of "€uro" is the one the standard computes (at 40 bits) from 0xA0 'u' 'r' 'o'.
    const TPdfEncryptInfo euro(&writer, {1, 0, "", "\x80uro"});
    const auto user = TPdfEncryptInfo::PadPassword("\xA0uro");
    const auto p = static_cast<std::uint32_t>(euro.PValue());
    const std::uint8_t permissions[4] = {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16),
                                         std::uint8_t(p >> 24)};
    std::uint8_t key[16];
    md5_state_s md5;
    md5_init(md5);
    md5_append(md5, user.data(), user.size());
    md5_append(md5, euro.OValue().data(), euro.OValue().size());
    md5_append(md5, permissions, sizeof permissions);
    md5_append(md5, reinterpret_cast<const std::uint8_t*>(writer.DocumentID().data()), writer.DocumentID().size());
    md5_finish(md5, key);
    auto u = TPdfEncryptInfo::PadPassword("");
    TRC4_context rc4;
    rc4_init(rc4, key, 5);
    rc4_encrypt(rc4, u.data(), u.data(), u.size());
    EXPECT_EQ(euro.UValue(), u);
    const auto refused = [&] { TPdfEncryptInfo(&writer, {1, 0, "", "no\xA0space"}); };
    EXPECT_EQ(RaisedMessage<Exception>(refused), PdfPasswordLettersMessage);
}
