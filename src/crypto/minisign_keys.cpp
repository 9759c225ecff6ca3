#include "minisign_keys.h"

#include "base64.h"
#include "crypto_error.h"
#include "digest.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr std::string_view CommentPrefix = "untrusted comment: ";
constexpr size_t PublicBlobBytes = 2 + KeyIdBytes + PublicKeyBytes;
constexpr size_t EncryptedPartBytes = KeyIdBytes + SecretKeyBytes + DigestBytes;
constexpr size_t SecretBlobBytes = 2 + 2 + 2 + KdfSaltBytes + 8 + 8 + EncryptedPartBytes;
// Offsets in the secret key blob.
constexpr size_t SaltAt = 6, OpsAt = SaltAt + KdfSaltBytes, MemAt = OpsAt + 8, PartAt = MemAt + 8;

[[noreturn]] void Malformed(const std::string& What) {
    throw ECryptoError(TCryptoErrorKind::Malformed, What);
}

uint64_t LoadLE64(const uint8_t* P) {
    uint64_t V = 0;
    for (int I = 7; I >= 0; --I)
        V = V << 8 | P[I];
    return V;
}

void StoreLE64(uint8_t* P, uint64_t V) {
    for (int I = 0; I < 8; ++I, V >>= 8)
        P[I] = static_cast<uint8_t>(V);
}

std::vector<uint8_t> DecodeBlob(std::string_view Data, size_t Size, const char* What) {
    const std::optional<std::vector<uint8_t>> Blob = DecodeBase64(Data);
    if (!Blob || Blob->size() != Size)
        Malformed(std::string("not a ") + What + " (its second line is not the expected base64)");
    return *Blob;
}

TDigestBytes SecretKeyChecksum(const TKeyId& Id, std::span<const uint8_t> Secret) {
    TBlake2b H;
    H.Update("Ed", 2);
    H.Update(Id.data(), Id.size());
    H.Update(Secret);
    return H.Finish256();
}

} // namespace

std::string KeyIdText(const TKeyId& Id) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string Text;
    for (size_t I = Id.size(); I-- > 0;) {
        Text.push_back(Digits[Id[I] >> 4]);
        Text.push_back(Digits[Id[I] & 15]);
    }
    return Text;
}

std::string_view TakeKeyFileLine(std::string_view& Text) {
    const size_t End = Text.find('\n');
    std::string_view Line = Text.substr(0, End);
    Text = End == std::string_view::npos ? std::string_view() : Text.substr(End + 1);
    if (!Line.empty() && Line.back() == '\r')
        Line.remove_suffix(1);
    return Line;
}

std::string CommentProblem(std::string_view Text) {
    if (Text.size() > MaxCommentBytes)
        return "the comment is longer than " + std::to_string(MaxCommentBytes) + " bytes";
    for (const char C : Text)
        if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F)
            return "the comment holds a control character (a line break, a tab ...)";
    return {};
}

TFileLines SplitKeyFileLines(std::string_view FileText, const char* What) {
    TFileLines Lines;
    std::string_view Rest = FileText;
    const std::string_view First = TakeKeyFileLine(Rest);
    if (First.substr(0, CommentPrefix.size()) != CommentPrefix)
        Malformed(std::string("not a ") + What + " (the first line must begin with \"" +
                  std::string(CommentPrefix) + "\")");
    Lines.Comment = First.substr(CommentPrefix.size());
    Lines.Data = TakeKeyFileLine(Rest);
    Lines.Rest = Rest;
    return Lines;
}

TPublicKey TSecretKey::Public() const {
    return TPublicKey{Id, Key.PublicKey(), Comment};
}

TSecretKey GenerateSecretKey(const std::string& Comment) {
    TSecretKey Key{{}, TSigningKey::Generate(), Comment};
    RandomBytes(Key.Id);
    return Key;
}

TPublicKey ParsePublicKey(std::string_view FileText) {
    const TFileLines Lines = SplitKeyFileLines(FileText, "public key file");
    const std::vector<uint8_t> Blob = DecodeBlob(Lines.Data, PublicBlobBytes, "public key file");
    if (Blob[0] != 'E' || Blob[1] != 'd')
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "the public key is not an Ed25519 key");
    TPublicKey Key;
    Key.Comment = std::string(Lines.Comment);
    std::copy_n(Blob.begin() + 2, KeyIdBytes, Key.Id.begin());
    std::copy_n(Blob.begin() + 2 + KeyIdBytes, PublicKeyBytes, Key.Key.begin());
    return Key;
}

std::string FormatPublicKey(const TPublicKey& Key) {
    std::vector<uint8_t> Blob{'E', 'd'};
    Blob.insert(Blob.end(), Key.Id.begin(), Key.Id.end());
    Blob.insert(Blob.end(), Key.Key.begin(), Key.Key.end());
    return std::string(CommentPrefix) + Key.Comment + "\n" + EncodeBase64(Blob) + "\n";
}

namespace {

// The decoded blob, its algorithms checked; Protected tells whether a
// passphrase is needed.
TSecretBytes SecretBlob(std::string_view FileText, std::string_view& Comment, bool& Protected) {
    const TFileLines Lines = SplitKeyFileLines(FileText, "secret key file");
    Comment = Lines.Comment;
    std::optional<std::vector<uint8_t>> Decoded = DecodeBase64(Lines.Data);
    if (!Decoded || Decoded->size() != SecretBlobBytes)
        Malformed("not a secret key file (its second line is not the expected base64)");
    TSecretBytes Blob(SecretBlobBytes);
    std::copy(Decoded->begin(), Decoded->end(), Blob.Data());
    std::fill(Decoded->begin(), Decoded->end(), uint8_t{0});
    if (Blob[0] != 'E' || Blob[1] != 'd')
        throw ECryptoError(TCryptoErrorKind::Unsupported, "the secret key is not an Ed25519 key");
    if (Blob[4] != 'B' || Blob[5] != '2')
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "the secret key's checksum is of an unknown kind");
    if (Blob[2] == 'S' && Blob[3] == 'c')
        Protected = true;
    else if (Blob[2] == 0 && Blob[3] == 0)
        Protected = false;
    else
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "the secret key is protected by an unknown key derivation");
    return Blob;
}

} // namespace

bool SecretKeyNeedsPassphrase(std::string_view FileText) {
    std::string_view Comment;
    bool Protected = false;
    SecretBlob(FileText, Comment, Protected);
    return Protected;
}

TSecretKey ParseSecretKey(std::string_view FileText, std::string_view Passphrase) {
    std::string_view Comment;
    bool Protected = false;
    TSecretBytes Blob = SecretBlob(FileText, Comment, Protected);
    uint8_t* Part = Blob.Data() + PartAt;
    if (Protected) {
        const TKdfLimits Limits{LoadLE64(Blob.Data() + OpsAt), LoadLE64(Blob.Data() + MemAt)};
        const TSecretBytes Stream = DeriveKeyStream(
            Passphrase, std::span<const uint8_t>(Blob.Data() + SaltAt, KdfSaltBytes), Limits,
            EncryptedPartBytes);
        for (size_t I = 0; I < EncryptedPartBytes; ++I)
            Part[I] ^= Stream[I];
    }
    TKeyId Id;
    std::copy_n(Part, KeyIdBytes, Id.begin());
    const std::span<const uint8_t> Secret(Part + KeyIdBytes, SecretKeyBytes);
    const uint8_t* Stored = Part + KeyIdBytes + SecretKeyBytes;
    const TDigestBytes Checksum = SecretKeyChecksum(Id, Secret);
    const bool ChecksumOk = std::equal(Checksum.begin(), Checksum.end(), Stored);
    if (Protected && !ChecksumOk)
        throw ECryptoError(TCryptoErrorKind::WrongPassphrase,
                           "wrong passphrase for this secret key (or the key file is damaged)");
    // A key stored in the clear may carry no checksum (zeros), as the other
    // tool writes it; the key's own consistency is checked below.
    if (!Protected && !ChecksumOk && std::any_of(Stored, Stored + DigestBytes, [](uint8_t B) {
            return B != 0;
        }))
        Malformed("the secret key is damaged (its checksum does not match)");
    return TSecretKey{Id, TSigningKey(Secret), std::string(Comment)};
}

std::string FormatSecretKey(const TSecretKey& Key, const std::optional<std::string>& Passphrase,
                            const TKdfLimits& Limits) {
    TSecretBytes Blob(SecretBlobBytes);
    uint8_t* B = Blob.Data();
    B[0] = 'E', B[1] = 'd', B[4] = 'B', B[5] = '2';
    uint8_t* Part = B + PartAt;
    std::copy(Key.Id.begin(), Key.Id.end(), Part);
    const std::span<const uint8_t> Secret = Key.Key.Bytes();
    std::copy(Secret.begin(), Secret.end(), Part + KeyIdBytes);
    const TDigestBytes Checksum = SecretKeyChecksum(Key.Id, Secret);
    std::copy(Checksum.begin(), Checksum.end(), Part + KeyIdBytes + SecretKeyBytes);
    if (Passphrase) {
        B[2] = 'S', B[3] = 'c';
        RandomBytes(std::span<uint8_t>(B + SaltAt, KdfSaltBytes));
        StoreLE64(B + OpsAt, Limits.OpsLimit);
        StoreLE64(B + MemAt, Limits.MemLimit);
        const TSecretBytes Stream =
            DeriveKeyStream(*Passphrase, std::span<const uint8_t>(B + SaltAt, KdfSaltBytes),
                            Limits, EncryptedPartBytes);
        for (size_t I = 0; I < EncryptedPartBytes; ++I)
            Part[I] ^= Stream[I];
    }
    return std::string(CommentPrefix) + Key.Comment + "\n" + EncodeBase64(Blob.Span()) + "\n";
}

} // namespace quillon
