// Arbitrary bytes as a movie to check and to sign: the check gives one of its
// codes, signing succeeds or fails cleanly, and a signed copy of a RIFF file
// checks out as unchanged. (Signing adds the trailer's size to bytes 4..7
// whatever they hold, so in a file that is no RIFF file it changes the first
// chunk's size, which the check covers.)
#include "engine/mediasign.h"
#include "fuzz_input.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    const std::string Path = fuzz::InputFile(Data, Size, ".avi");
    const std::string Signed = fuzz::ScratchDir() + "signed.avi";
    switch (VerifyAVI("SITE-42", Path.c_str())) {
    case VerifyOk:
    case VerifyMismatch:
    case VerifyNoSignature:
        break;
    default:
        __builtin_trap(); // a readable file in a usable TEMP has no other outcome
    }
    if (SignAVI("SITE-42", Path.c_str(), Signed.c_str())) {
        const bool Riff = Size >= 4 && std::memcmp(Data, "RIFF", 4) == 0;
        if (Riff && VerifyAVI("SITE-42", Signed.c_str()) != VerifyOk)
            __builtin_trap();
        std::remove(Signed.c_str());
    }
    return 0;
}
