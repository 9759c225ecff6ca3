// Arbitrary bytes through the RIFF chunk walk: it must build its list or
// raise its file error, never loop, recurse without bound or read out of
// bounds.
#include "containers/uAVIFormat.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Path = quillon::fuzz::InputFile(Data, Size, ".avi");
    try {
        quillon::TAVIStream Walk(Path);
        Walk.ReadChunks(0, 0xFFFFFFFF);
        for (const quillon::TChunkItem* Item = Walk.First(); Item; Item = Item->Next)
            if (Item->Level < 0)
                __builtin_trap();
    } catch (const quillon::EFileError&) {
    }
    return 0;
}
