#include "pdf/PdfSecurity.h"

#include "pdf/PdfMD5RC4.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr TPdfEncryptInfo::TPasswordBlock PasswordPadding = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

constexpr std::size_t DigestLength = 16;
constexpr int StrongHashRounds = 50;
constexpr int StrongCipherRounds = 19;

// Without the reserved bits readers treat the unset bits as refused.
constexpr std::int32_t Revision2Base = -64;   // 0xFFFFFFC0
constexpr std::int32_t Revision3Base = -3904; // 0xFFFFF0C0

using TDigest = std::array<std::uint8_t, DigestLength>;

// PDFDocEncoding's letters where they are not Latin-1's: the accents at 0x18-0x1F, and the bytes
// 0x80-0xA0 (0x9F has none).
constexpr char16_t PdfDocAccents[] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t PdfDocHighBlock[] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                        0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                        0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                        0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

// The letter's PDFDocEncoding byte, or -1 when it has none.
int PdfDocByte(char16_t letter)
{
    if (letter < 0x20)
        return -1;
    if (letter <= 0x7E || (letter >= 0xA1 && letter <= 0xFF && letter != 0xAD))
        return letter;
    for (std::size_t i = 0; i < std::size(PdfDocAccents); ++i)
        if (PdfDocAccents[i] == letter)
            return static_cast<int>(0x18 + i);
    for (std::size_t i = 0; i < std::size(PdfDocHighBlock); ++i)
        if (PdfDocHighBlock[i] == letter)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string EncodedPassword(std::string_view password)
{
    std::optional<std::string> encoded = PdfDocEncodedPassword(password);
    if (!encoded)
        throw Exception(PdfPasswordLettersMessage);
    return std::move(*encoded);
}

std::size_t KeyLength(bool strong) { return strong ? 16 : 5; }

class TMD5 {
public:
    TMD5() { md5_init(state_); }
    TMD5& Add(const void* data, std::size_t count)
    {
        md5_append(state_, static_cast<const std::uint8_t*>(data), count);
        return *this;
    }
    TDigest Finish()
    {
        TDigest digest;
        md5_finish(state_, digest.data());
        return digest;
    }

private:
    md5_state_s state_;
};

// The digest hashed again, its first `keyLength` bytes each time, as the 128-bit revision asks.
TDigest Rehash(TDigest digest, std::size_t keyLength)
{
    for (int i = 0; i < StrongHashRounds; ++i)
        digest = TMD5().Add(digest.data(), keyLength).Finish();
    return digest;
}

void RC4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t count)
{
    TRC4_context context;
    rc4_init(context, key, keyLength);
    rc4_encrypt(context, data, data, count);
}

// The 128-bit revision's extra rounds: each encrypts again under the key with every byte XORed with
// the round number.
void CipherRounds(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t count)
{
    std::uint8_t roundKey[DigestLength];
    for (int round = 1; round <= StrongCipherRounds; ++round) {
        for (std::size_t i = 0; i < keyLength; ++i)
            roundKey[i] = static_cast<std::uint8_t>(key[i] ^ round);
        RC4(roundKey, keyLength, data, count);
    }
}

} // namespace

std::optional<std::string> PdfDocEncodedPassword(std::string_view password)
{
    std::string encoded;
    for (const char16_t letter : Win1252ToUtf16(password)) {
        const int byte = PdfDocByte(letter);
        if (byte < 0)
            return std::nullopt;
        encoded += static_cast<char>(byte);
    }
    return encoded;
}

TPdfEncryptInfo::TPdfEncryptInfo(TPdfFileWriter* owner, const TPdfSecuritySettings& settings)
    : TPdfCustomType(owner), settings_(settings), keyLength_(KeyLength(settings.Strong()))
{
    SetNotEncrypted(true);
    settings_.ownerPassword = EncodedPassword(settings.ownerPassword);
    settings_.userPassword = EncodedPassword(settings.userPassword);
    o_ = OValueOf(OwnerPasswordBlock(), PadPassword(settings_.userPassword), settings_.Strong());
    ComputeFileKey();
    ComputeUValue();
}

TPdfEncryptInfo::TPasswordBlock TPdfEncryptInfo::PadPassword(std::string_view password)
{
    TPasswordBlock block;
    const std::size_t length = std::min(password.size(), PasswordLength);
    std::memcpy(block.data(), password.data(), length);
    std::memcpy(block.data() + length, PasswordPadding.data(), PasswordLength - length);
    return block;
}

std::int32_t TPdfEncryptInfo::PValue() const
{
    const int flags = settings_.flags;
    const bool print = flags & 2, change = flags & 4, copy = flags & 8, fill = flags & 16;
    if (!settings_.Strong())
        return Revision2Base + (print ? 4 : 0) + (change ? 8 : 0) + (copy ? 16 : 0) + (fill ? 32 : 0);
    return Revision3Base + (print ? 4 + 2048 : 0) + (change ? 8 + 1024 : 0) + (copy ? 16 + 512 : 0) +
           (fill ? 32 + 256 : 0);
}

// Without an owner password the owner key comes from random bytes, so that nobody can derive it:
// one made from the user password would open the file as its owner, and the permissions would
// restrict nothing. They come from the system's source: the program's generator also makes the
// document ID, which the file shows, and would give them away, and with them the user password
// the O value holds.
TPdfEncryptInfo::TPasswordBlock TPdfEncryptInfo::OwnerPasswordBlock() const
{
    if (!settings_.ownerPassword.empty())
        return PadPassword(settings_.ownerPassword);
    TPasswordBlock block;
    SystemRandomBytes(block.data(), block.size());
    return block;
}

TPdfEncryptInfo::TPasswordBlock TPdfEncryptInfo::OValueOf(const TPasswordBlock& owner, const TPasswordBlock& user,
                                                          bool strong)
{
    const std::size_t keyLength = KeyLength(strong);
    TDigest digest = TMD5().Add(owner.data(), owner.size()).Finish();
    if (strong)
        digest = Rehash(digest, keyLength);
    TPasswordBlock o = user;
    RC4(digest.data(), keyLength, o.data(), o.size());
    if (strong)
        CipherRounds(digest.data(), keyLength, o.data(), o.size());
    return o;
}

void TPdfEncryptInfo::ComputeFileKey()
{
    const TPasswordBlock user = PadPassword(settings_.userPassword);
    const auto permissions = static_cast<std::uint32_t>(PValue());
    const std::uint8_t permissionBytes[4] = {
        static_cast<std::uint8_t>(permissions), static_cast<std::uint8_t>(permissions >> 8),
        static_cast<std::uint8_t>(permissions >> 16), static_cast<std::uint8_t>(permissions >> 24)};
    const std::string& id = Device().DocumentID();
    TDigest digest = TMD5()
                         .Add(user.data(), user.size())
                         .Add(o_.data(), o_.size())
                         .Add(permissionBytes, sizeof permissionBytes)
                         .Add(id.data(), id.size())
                         .Finish();
    if (settings_.Strong())
        digest = Rehash(digest, keyLength_);
    fileKey_.assign(digest.begin(), digest.begin() + static_cast<std::ptrdiff_t>(keyLength_));
}

void TPdfEncryptInfo::ComputeUValue()
{
    if (!settings_.Strong()) {
        u_ = PasswordPadding;
        RC4(fileKey_.data(), keyLength_, u_.data(), u_.size());
        return;
    }
    const std::string& id = Device().DocumentID();
    TDigest digest = TMD5().Add(PasswordPadding.data(), PasswordPadding.size()).Add(id.data(), id.size()).Finish();
    RC4(fileKey_.data(), keyLength_, digest.data(), digest.size());
    CipherRounds(fileKey_.data(), keyLength_, digest.data(), digest.size());
    std::copy(digest.begin(), digest.end(), u_.begin());
    std::copy(PasswordPadding.begin(), PasswordPadding.begin() + DigestLength, u_.begin() + DigestLength);
}

std::string TPdfEncryptInfo::AsString()
{
    return std::string("/Filter/Standard\n") + (settings_.Strong() ? "/R 3 /V 2 /Length 128" : "/R 2 /V 1") + "\n/O" +
           TPdfFileWriter::HexString(o_.data(), o_.size()) + "\n/U" + TPdfFileWriter::HexString(u_.data(), u_.size()) +
           "\n/P " + IntToStr(PValue());
}

// Generation numbers are always 0; only the number's three low bytes enter the key.
void TPdfEncryptInfo::Encrypt(int objectNumber, std::uint8_t* data, std::size_t count)
{
    std::vector<std::uint8_t> material(fileKey_);
    const auto number = static_cast<std::uint32_t>(objectNumber);
    for (int shift : {0, 8, 16})
        material.push_back(static_cast<std::uint8_t>(number >> shift));
    material.insert(material.end(), {0, 0});
    const TDigest digest = TMD5().Add(material.data(), material.size()).Finish();
    RC4(digest.data(), std::min(material.size(), DigestLength), data, count);
}
