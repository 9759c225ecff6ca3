// Arbitrary bytes as a photo to check and to sign: the check gives one of its
// codes, signing succeeds or fails cleanly, and a signed copy always checks
// out as unchanged.
#include "codec/jpeg/jpeg_limits.h"
#include "engine/mediasign.h"
#include "fuzz_input.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    // Images a fuzzer goes through in a second.
    static const bool Limited = [] {
        TJpegLimits Limits;
        Limits.MaxMemory = 32'000'000;
        SetJpegLimits(Limits);
        return true;
    }();
    (void)Limited;
    const std::string Path = fuzz::InputFile(Data, Size, ".jpg");
    const std::string Signed = fuzz::ScratchDir() + "signed.jpg";
    switch (VerifyJpeg("SITE-42", Path.c_str())) {
    case VerifyOk:
    case VerifyMismatch:
    case VerifyNoSignature:
    case VerifyOtherFailure:
        break;
    default:
        __builtin_trap();
    }
    if (SignJpeg("SITE-42", Path.c_str(), Signed.c_str())) {
        if (VerifyJpeg("SITE-42", Signed.c_str()) != VerifyOk)
            __builtin_trap();
    }
    std::remove(Signed.c_str());
    return 0;
}
