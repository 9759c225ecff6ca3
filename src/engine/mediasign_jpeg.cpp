// The JPEG entries: the signature is the keyed checksum of the rendered rows
// of the re-encoded copy, kept as "KvWM", a NUL and signed decimal in a COM
// segment ahead of the frame header.
#include "call_context.h"
#include "failure_text.h"
#include "jpeg_checksum.h"
#include "mediasign.h"
#include "signature_number.h"

#include "codec/jpeg/jpeg_reencode.h"
#include "containers/KvJpegComment.h"
#include "platform/files.h"
#include "platform/temporary_files.h"

#include <cstring>
#include <string>

namespace quillon {

namespace {

const std::string Tag = "KvWM";
constexpr size_t MaxNumberChars = 256;

} // namespace

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegFile(SiteCode, SrcPath, DstPath, TCallContext{});
}

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         const TCallContext& Context) {
    if (SiteCode == nullptr || SrcPath == nullptr || DstPath == nullptr)
        return {false, "missing argument"};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        ReencodeJpeg(SrcPath, DstPath, Context.Decoding());
        // Until its comment is in, the copy is unfinished: an interrupt
        // removes it.
        const TTemporaryFileEntry Unfinished(DstPath);
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, DstPath, Context.Decoding());
        std::string Comment = Tag;
        Comment.push_back('\0');
        Comment += FormatSignatureNumber(CRC);
        WriteJpegComment(DstPath, Comment);
        return {true};
    } catch (...) {
        return {false, CurrentFailureText()};
    }
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path, const TCallContext& Context) {
    if (SiteCode == nullptr || *SiteCode == '\0')
        return {VerifyNoSiteCode, "the site code is empty"};
    if (Path == nullptr || *Path == '\0')
        return {VerifyNoFile, "no file given"};
    if (!FileExists(Path))
        return {VerifyNoFile, MissingFileReason(Path)};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // The checksum comes first: an unrenderable file fails even when it
        // carries no signature.
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, Path, Context.Decoding());
        const std::string Comment = ReadJpegComment(Path);
        if (Comment.compare(0, Tag.size(), Tag) != 0)
            return {VerifyNoSignature, "no signature comment"};
        const std::string_view Stored = Comment.size() > 5
                                            ? std::string_view(Comment).substr(5, MaxNumberChars)
                                            : std::string_view();
        const int32_t Value = ParseSignatureNumber(Stored).value_or(0);
        return static_cast<uint32_t>(Value) == CRC ? VerifyOk : VerifyMismatch;
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegFile(SiteCode, SrcPath, DstPath).Ok;
}

int32_t VerifyJpeg(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path).Code;
}

} // namespace quillon
