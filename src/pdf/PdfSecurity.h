#pragma once

#include "pdf/PdfCustomType.h"
#include "pdf/PdfFileWriter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Raised for, and shown by the dialog that takes, a password with a letter the handler cannot take.
inline constexpr const char* PdfPasswordLettersMessage =
    "A PDF password can hold only letters of the Western European (Windows-1252) character set.";

// The password as the handler takes it: in PDFDocEncoding, the text of the model being
// Windows-1252. Nothing when a letter has no byte there (a control, the no-break space, the soft
// hyphen), since readers convert what the user types to it.
std::optional<std::string> PdfDocEncodedPassword(std::string_view password);

// What the caller asks of an encrypted file.
struct TPdfSecuritySettings {
    // Bit 0 encrypt, bit 1 allow printing, bit 2 changing, bit 3 copying, bit 4 form filling.
    int flags = 0;
    // 0: 40-bit key (revision 2); 1: 128-bit key (revision 3).
    int level = 0;
    std::string ownerPassword;
    std::string userPassword;

    bool Encrypt() const { return (flags & 1) != 0; }
    bool Strong() const { return level == 1; }
};

// The standard security handler's dictionary and the keys it makes. The O value, the file key and
// the U value are computed when it is made, from the settings and the writer's document ID; from
// then on it keys every other object. Its own strings stay plain. Raises PdfPasswordLettersMessage
// for a password PdfDocEncodedPassword refuses.
class TPdfEncryptInfo : public TPdfCustomType, public TPdfObjectEncryption {
public:
    static constexpr std::size_t PasswordLength = 32;
    using TPasswordBlock = std::array<std::uint8_t, PasswordLength>;

    TPdfEncryptInfo(TPdfFileWriter* owner, const TPdfSecuritySettings& settings);
    const char* ClassName() const override { return "TPdfEncryptInfo"; }
    std::string AsString() override;
    void Encrypt(int objectNumber, std::uint8_t* data, std::size_t count) override;

    // The permission value: the reserved bits set, and the bits each allowed action needs.
    std::int32_t PValue() const;
    const TPasswordBlock& OValue() const { return o_; }
    const TPasswordBlock& UValue() const { return u_; }
    const std::vector<std::uint8_t>& FileKey() const { return fileKey_; }

    // The password's first 32 bytes, filled up from the handler's padding string.
    static TPasswordBlock PadPassword(std::string_view password);
    // The O value of an owner's padded password (or random block) over the padded user password.
    static TPasswordBlock OValueOf(const TPasswordBlock& owner, const TPasswordBlock& user, bool strong);

private:
    void ComputeFileKey();
    void ComputeUValue();
    TPasswordBlock OwnerPasswordBlock() const;

    TPdfSecuritySettings settings_;
    std::size_t keyLength_;
    TPasswordBlock o_{};
    TPasswordBlock u_{};
    std::vector<std::uint8_t> fileKey_;
};
