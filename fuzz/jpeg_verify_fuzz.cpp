// Arbitrary bytes as a photo to check and to sign: the check gives one of its
// codes, signing succeeds or fails cleanly, and a signed copy always checks
// out as unchanged.
#include "engine/call_context.h"
#include "engine/mediasign.h"
#include "fuzz_input.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    // Images a fuzzer goes through in a second: under the sanitizers the
    // decoder runs about ten times slower, and each input is decoded three
    // times, so a quarter of the usual work per byte.
    TCallContext Context;
    Context.Limits.MaxMemory = 32'000'000;
    Context.Limits.MaxWorkPerByte /= 4;
    const std::string Path = fuzz::InputFile(Data, Size, ".jpg");
    const std::string Signed = fuzz::ScratchDir() + "signed.jpg";
    switch (VerifyJpegFile("SITE-42", Path.c_str(), Context).Code) {
    case VerifyOk:
    case VerifyMismatch:
    case VerifyNoSignature:
    case VerifyOtherFailure:
        break;
    default:
        __builtin_trap();
    }
    if (SignJpegFile("SITE-42", Path.c_str(), Signed.c_str(), Context).Ok) {
        if (VerifyJpegFile("SITE-42", Signed.c_str(), Context).Code != VerifyOk)
            __builtin_trap();
    }
    std::remove(Signed.c_str());
    return 0;
}
