// The JPEG entries: the signature is the keyed checksum of the rendered rows
// of the re-encoded copy, kept as "KvWM", a NUL and signed decimal in a COM
// segment ahead of the frame header.
#include "jpeg_checksum.h"
#include "mediasign.h"
#include "signature_number.h"

#include "codec/jpeg/jpeg_reencode.h"
#include "containers/KvJpegComment.h"
#include "platform/files.h"

#include <cstring>
#include <string>

namespace quillon {

namespace {

const std::string kTag = "KvWM";
constexpr size_t kMaxNumberChars = 256;

} // namespace

bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    try {
        if (SiteCode == nullptr || SrcPath == nullptr || DstPath == nullptr)
            return false;
        ReencodeJpeg(SrcPath, DstPath);
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, DstPath);
        std::string Comment = kTag;
        Comment.push_back('\0');
        Comment += FormatSignatureNumber(CRC);
        WriteJpegComment(DstPath, Comment);
        return true;
    } catch (...) {
        return false;
    }
}

int32_t VerifyJpeg(const char* SiteCode, const char* Path) {
    if (SiteCode == nullptr || *SiteCode == '\0')
        return kVerifyNoSiteCode;
    if (Path == nullptr || *Path == '\0' || !FileExists(Path))
        return kVerifyNoFile;
    try {
        // The checksum comes first: an unrenderable file fails even when it
        // carries no signature.
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, Path);
        const std::string Comment = ReadJpegComment(Path);
        if (Comment.compare(0, kTag.size(), kTag) != 0)
            return kVerifyNoSignature;
        const std::string_view Stored = Comment.size() > 5
                                            ? std::string_view(Comment).substr(5, kMaxNumberChars)
                                            : std::string_view();
        const int32_t Value = ParseSignatureNumber(Stored).value_or(0);
        return static_cast<uint32_t>(Value) == CRC ? kVerifyOk : kVerifyMismatch;
    } catch (...) {
        return kVerifyOtherFailure;
    }
}

} // namespace quillon
