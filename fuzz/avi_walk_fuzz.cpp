// Arbitrary bytes through the RIFF chunk walk: it must build its list or
// raise its file error, never loop, recurse without bound or read out of
// bounds; and the walks that keep no list must read the same headers (with
// the same levels, where they keep them) as the one that lists them all.
#include "containers/uAVIFormat.h"
#include "fuzz_input.h"

#include <vector>

namespace {

bool SameHeader(const quillon::TChunkItem& A, const quillon::TChunkItem& B) {
    return A.Position == B.Position && A.IsList == B.IsList && A.ID() == B.ID() &&
           A.Size() == B.Size() && (!A.IsList || A.ListHeader->FormType == B.ListHeader->FormType);
}

void CompareWalk(const std::string& Path, const std::vector<quillon::TChunkItem>& Listed,
                 quillon::TWalkDetail Detail) {
    quillon::TAVIStream Walk(Path);
    Walk.StartWalk(0, 0xFFFFFFFF, Detail);
    std::vector<quillon::TChunkItem> Batch(7); // batches cut the walk anywhere
    size_t At = 0;
    while (const size_t Count = Walk.NextChunks(Batch.data(), Batch.size())) {
        for (size_t I = 0; I < Count; ++I, ++At) {
            if (At >= Listed.size() || !SameHeader(Batch[I], Listed[At]))
                __builtin_trap();
            if (Detail != quillon::TWalkDetail::Flat && Batch[I].Level != Listed[At].Level)
                __builtin_trap();
        }
    }
    if (At != Listed.size())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Path = quillon::fuzz::InputFile(Data, Size, ".avi");
    try {
        std::vector<quillon::TChunkItem> Listed;
        {
            quillon::TAVIStream Walk(Path);
            Walk.ReadChunks(0, 0xFFFFFFFF);
            for (const quillon::TChunkItem* Item = Walk.First(); Item; Item = Item->Next) {
                if (Item->Level < 0)
                    __builtin_trap();
                Listed.push_back(*Item);
            }
        }
        CompareWalk(Path, Listed, quillon::TWalkDetail::Flat);
        CompareWalk(Path, Listed, quillon::TWalkDetail::Levels);
    } catch (const quillon::EFileError&) {
    }
    return 0;
}
