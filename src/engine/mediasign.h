// The sign and verify entries. Each catches every failure inside and reports
// it only through its result: a flag for signing, a code for verification.
#pragma once

#include <cstdint>

namespace quillon {

// Verification codes shared by the entries (each entry documents which it gives).
enum : int32_t {
    kVerifyOk = 1,
    kVerifyMismatch = 0,
    kVerifyNoSiteCode = -1,
    kVerifyNoFile = -2,
    kVerifyNoSignature = -3,
    kVerifyNoTemp = -4,
    kVerifyCopyFailed = -5,
    kVerifyOtherFailure = -9,
};

// AVI: a 20-byte "JUNK" trailer with two keyed checksums.
bool SignAVI(const char* SiteCode, const char* SrcPath, const char* DstPath);
int32_t VerifyAVI(const char* SiteCode, const char* Path);

// JPEG: re-encode, checksum the rendered rows, store the value in a comment.
bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath);
int32_t VerifyJpeg(const char* SiteCode, const char* Path);

} // namespace quillon
