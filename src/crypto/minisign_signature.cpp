#include "minisign_signature.h"

#include "base64.h"
#include "crypto_error.h"

#include "platform/file_stream.h"

#include <algorithm>
#include <vector>

namespace quillon {

namespace {

constexpr std::string_view TrustedPrefix = "trusted comment: ";
constexpr size_t SignatureBlobBytes = 2 + KeyIdBytes + SignatureBytes;
// The other tool reads the trusted comment line with a buffer of this size.
constexpr size_t MaxTrustedCommentBytes = 8192 - TrustedPrefix.size() - 2;
// A file signed in the older form is held whole in memory to be checked.
constexpr int64_t MaxUnhashedBytes = int64_t{256} << 20;

[[noreturn]] void Malformed(const std::string& What) {
    throw ECryptoError(TCryptoErrorKind::Malformed, What);
}

// Printable UTF-8 and tabs only, as the other tool demands.
bool TrustedCommentPrintable(std::string_view Text) {
    size_t I = 0;
    while (I < Text.size()) {
        const auto C = static_cast<unsigned char>(Text[I]);
        if (C == '\t' || (C >= 0x20 && C < 0x7F)) {
            ++I;
            continue;
        }
        size_t Need = 0;
        uint32_t Code = 0;
        if (C >= 0xC2 && C <= 0xDF)
            Need = 1, Code = C & 0x1F;
        else if (C >= 0xE0 && C <= 0xEF)
            Need = 2, Code = C & 0x0F;
        else if (C >= 0xF0 && C <= 0xF4)
            Need = 3, Code = C & 0x07;
        else
            return false;
        if (I + Need >= Text.size())
            return false;
        for (size_t K = 1; K <= Need; ++K) {
            const auto Cc = static_cast<unsigned char>(Text[I + K]);
            if ((Cc & 0xC0) != 0x80)
                return false;
            Code = Code << 6 | (Cc & 0x3F);
        }
        const bool Overlong = (Need == 2 && Code < 0x800) || (Need == 3 && Code < 0x10000);
        if (Overlong || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF) ||
            (Code >= 0x7F && Code <= 0x9F))
            return false;
        I += Need + 1;
    }
    return true;
}

std::vector<uint8_t> SignedComment(const TSignatureBytes& Signature, std::string_view Comment) {
    std::vector<uint8_t> Message(Signature.begin(), Signature.end());
    Message.insert(Message.end(), Comment.begin(), Comment.end());
    return Message;
}

void CheckCommentSignature(const TPublicKey& Key, const TDetachedSignature& S) {
    if (!VerifySignature(Key.Key, S.CommentSignature, SignedComment(S.Signature, S.TrustedComment)))
        throw ECryptoError(TCryptoErrorKind::BadSignature,
                           "the trusted comment's signature does not verify");
}

void CheckKey(const TPublicKey& Key, const TDetachedSignature& S) {
    if (Key.Id != S.Id)
        throw ECryptoError(TCryptoErrorKind::KeyMismatch,
                           "signed by key " + KeyIdText(S.Id) + ", not by key " +
                               KeyIdText(Key.Id));
}

} // namespace

std::string DefaultTrustedComment(int64_t UnixSeconds, std::string_view FileName) {
    return "timestamp:" + std::to_string(UnixSeconds) + "\tfile:" + std::string(FileName) +
           "\thashed";
}

std::string SignFileDigest(const TSecretKey& Key, const TDigest512& FileDigest,
                           std::string_view TrustedComment, std::string_view UntrustedComment) {
    if (std::string Problem = CommentProblem(UntrustedComment); !Problem.empty())
        Malformed(Problem);
    if (TrustedComment.size() > MaxTrustedCommentBytes || !TrustedCommentPrintable(TrustedComment))
        Malformed("the trusted comment must be one line of printable text");
    const TSignatureBytes Signature = Key.Key.Sign(FileDigest);
    std::vector<uint8_t> Blob{'E', 'D'};
    Blob.insert(Blob.end(), Key.Id.begin(), Key.Id.end());
    Blob.insert(Blob.end(), Signature.begin(), Signature.end());
    const TSignatureBytes CommentSignature = Key.Key.Sign(SignedComment(Signature, TrustedComment));
    return "untrusted comment: " + std::string(UntrustedComment) + "\n" + EncodeBase64(Blob) +
           "\n" + std::string(TrustedPrefix) + std::string(TrustedComment) + "\n" +
           EncodeBase64(CommentSignature) + "\n";
}

TDetachedSignature ParseDetachedSignature(std::string_view FileText) {
    const TFileLines Lines = SplitKeyFileLines(FileText, "signature file");
    TDetachedSignature S;
    S.UntrustedComment = std::string(Lines.Comment);
    const std::optional<std::vector<uint8_t>> Blob = DecodeBase64(Lines.Data);
    if (!Blob || Blob->size() != SignatureBlobBytes)
        Malformed("not a signature file (its second line is not the expected base64)");
    if ((*Blob)[0] == 'E' && (*Blob)[1] == 'D')
        S.Prehashed = true;
    else if ((*Blob)[0] == 'E' && (*Blob)[1] == 'd')
        S.Prehashed = false;
    else
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "the signature is of an unknown algorithm");
    std::copy_n(Blob->begin() + 2, KeyIdBytes, S.Id.begin());
    std::copy_n(Blob->begin() + 2 + KeyIdBytes, SignatureBytes, S.Signature.begin());
    std::string_view Rest = Lines.Rest;
    const std::string_view Trusted = TakeKeyFileLine(Rest);
    if (Trusted.substr(0, TrustedPrefix.size()) != TrustedPrefix)
        Malformed("the signature file has no trusted comment line");
    S.TrustedComment = std::string(Trusted.substr(TrustedPrefix.size()));
    if (S.TrustedComment.size() > MaxTrustedCommentBytes ||
        !TrustedCommentPrintable(S.TrustedComment))
        Malformed("the signature file's trusted comment holds characters that are not printable");
    const std::optional<std::vector<uint8_t>> Global = DecodeBase64(TakeKeyFileLine(Rest));
    if (!Global || Global->size() != SignatureBytes)
        Malformed("the signature file's last line is not the expected base64");
    std::copy(Global->begin(), Global->end(), S.CommentSignature.begin());
    return S;
}

void VerifyDetachedSignature(const TPublicKey& Key, const TDetachedSignature& Signature,
                             std::span<const uint8_t> Message) {
    if (Signature.Prehashed) {
        TBlake2b H(64);
        H.Update(Message);
        VerifyDetachedSignature(Key, Signature, H.Finish512());
        return;
    }
    CheckKey(Key, Signature);
    if (!VerifySignature(Key.Key, Signature.Signature, Message))
        throw ECryptoError(TCryptoErrorKind::BadSignature, "the file's signature does not verify");
    CheckCommentSignature(Key, Signature);
}

void VerifyDetachedSignature(const TPublicKey& Key, const TDetachedSignature& Signature,
                             const TDigest512& FileDigest) {
    if (!Signature.Prehashed)
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "a signature of the older form needs the file itself");
    CheckKey(Key, Signature);
    if (!VerifySignature(Key.Key, Signature.Signature, FileDigest))
        throw ECryptoError(TCryptoErrorKind::BadSignature, "the file's signature does not verify");
    CheckCommentSignature(Key, Signature);
}

void VerifyDetachedSignatureOfFile(const TPublicKey& Key, const TDetachedSignature& Signature,
                                   const std::string& Path) {
    if (Signature.Prehashed) {
        VerifyDetachedSignature(Key, Signature, Blake2b512OfFile(Path));
        return;
    }
    TFileStream File(Path, TFileMode::OpenRead);
    const int64_t Size = File.Size();
    if (Size > MaxUnhashedBytes)
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "a file over 256 MiB signed in the older, unhashed form");
    std::vector<uint8_t> Bytes(static_cast<size_t>(Size));
    File.ReadBuffer(Bytes.data(), Bytes.size());
    VerifyDetachedSignature(Key, Signature, Bytes);
}

} // namespace quillon
