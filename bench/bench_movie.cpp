#include "bench_movie.h"

#include "platform/file_stream.h"
#include "platform/files.h"

#include <random>
#include <vector>

namespace quillon::bench {

namespace {

std::string Le32(uint32_t V) {
    std::string S(4, '\0');
    for (int I = 0; I < 4; ++I)
        S[I] = static_cast<char>(V >> (8 * I));
    return S;
}

} // namespace

void WriteMovie(const std::string& Path, uint64_t Target) {
    std::mt19937 Rng(42);
    std::vector<uint32_t> Sizes;
    uint64_t Movi = 4;
    while (Movi < Target) {
        const uint32_t Size = (Sizes.size() % 4 == 3) ? 4000 + Rng() % 500 : 20000 + Rng() % 200000;
        Sizes.push_back(Size);
        Movi += 8 + Size + (Size & 1);
    }
    const std::string Avih = "avih" + Le32(56) + std::string(56, '\0');
    const std::string Hdrl = "LIST" + Le32(static_cast<uint32_t>(4 + Avih.size())) + "hdrl" + Avih;
    const uint32_t IdxSize = 16 * static_cast<uint32_t>(Sizes.size());
    const uint64_t Riff = 4 + Hdrl.size() + 8 + Movi + 8 + IdxSize;

    std::vector<char> Payload(1 << 20);
    for (auto& C : Payload)
        C = static_cast<char>(Rng());
    DeleteFile(Path);
    TFileStream Out(Path, TFileMode::CreateNew);
    const std::string Head = "RIFF" + Le32(static_cast<uint32_t>(Riff)) + "AVI " + Hdrl + "LIST" +
                             Le32(static_cast<uint32_t>(Movi)) + "movi";
    Out.Write(Head.data(), Head.size());
    size_t At = 0;
    for (size_t I = 0; I < Sizes.size(); ++I) {
        const std::string Header = (I % 4 == 3 ? "01wb" : "00dc") + Le32(Sizes[I]);
        Out.Write(Header.data(), Header.size());
        const size_t N = Sizes[I] + (Sizes[I] & 1);
        At = (At + 7919) % (Payload.size() - N);
        Out.Write(Payload.data() + At, N);
    }
    std::string Idx = "idx1" + Le32(IdxSize);
    Idx.resize(8 + IdxSize, 'i');
    Out.Write(Idx.data(), Idx.size());
    Out.Close();
}

} // namespace quillon::bench
