// Times AVI signing and verification of a large movie-like file against a
// plain copy of the same file, and the checksum step against zlib's crc32(),
// all measured in the same run. Each time is the best of a few runs, since
// the machine may be shared.
#include "containers/uAVIFormat.h"
#include "engine/avi_signature.h"
#include "engine/crc32_extend.h"
#include "engine/mediasign.h"
#include "platform/debug_output.h"
#include "platform/environment.h"
#include "platform/file_stream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

using namespace quillon;
namespace fs = std::filesystem;

constexpr int Runs = 5;

std::string Le32(uint32_t V) {
    std::string S(4, '\0');
    for (int I = 0; I < 4; ++I)
        S[I] = static_cast<char>(V >> (8 * I));
    return S;
}

// RIFF "AVI " { LIST hdrl { avih }, LIST movi { frames and audio }, idx1 }
// with frames of odd and even sizes, about Target bytes in all.
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
    TFileStream Out(Path, TFileMode::Create);
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

void PlainCopy(const std::string& From, const std::string& To) {
    TFileStream In(From, TFileMode::OpenRead);
    TFileStream Out(To, TFileMode::Create);
    const auto Buffer = std::make_unique_for_overwrite<char[]>(1 << 20);
    for (;;) {
        const size_t N = In.Read(Buffer.get(), 1 << 20);
        if (N == 0)
            break;
        Out.Write(Buffer.get(), N);
    }
    Out.Close();
}

double Seconds(const std::function<void()>& Body) {
    const auto Start = std::chrono::steady_clock::now();
    Body();
    const std::chrono::duration<double> D = std::chrono::steady_clock::now() - Start;
    return D.count();
}

void Report(const char* What, double Seconds, double PeerSeconds, const char* Goal, bool Met) {
    std::printf("%-34s %8.3f s  peer %8.3f s  ratio %5.2fx  goal %s  %s\n", What, Seconds,
                PeerSeconds, Seconds / PeerSeconds, Goal, Met ? "met" : "MISSED");
}

} // namespace

int main(int Argc, char** Argv) {
    const uint64_t MiB = Argc > 1 ? std::strtoull(Argv[1], nullptr, 10) : 512;
    const auto Temp = TempDirectory();
    if (!Temp) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    const fs::path Dir = fs::path(*Temp) / ("quillon-avi-bench-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    TScopedDebugSink Quiet([](std::string_view) {}); // the walk's lines are not what is timed
    int Status = 0;
    try {
        const std::string Src = (Dir / "movie.avi").string();
        const std::string Signed = (Dir / "movie.avi.mod.avi").string();
        const std::string Copy = (Dir / "copy.avi").string();
        WriteMovie(Src, MiB << 20);
        std::printf("file: %s, %.1f MiB\n", Src.c_str(),
                    static_cast<double>(fs::file_size(Src)) / (1 << 20));

        ::setenv("TEMP", Dir.string().c_str(), 1);
        // Rounds interleave the three so that a busy spell of the machine
        // hits them alike; each keeps its best time.
        double CopyTime = 1e30, SignTime = 1e30, VerifyTime = 1e30, WalkTime = 1e30;
        for (int Round = 0; Round < Runs; ++Round) {
            CopyTime = std::min(CopyTime, Seconds([&] { PlainCopy(Src, Copy); }));
            WalkTime = std::min(WalkTime, Seconds([&] {
                                    TAVIStream Walk(Src);
                                    uint32_t CRC = 0;
                                    FeedChunkHeaders(Walk, CRC, false);
                                }));
            fs::remove(Copy);
            fs::remove(Signed);
            SignTime = std::min(SignTime, Seconds([&] {
                                    if (!SignAVI("SITE-42", Src.c_str(), Signed.c_str()))
                                        throw std::runtime_error("SignAVI failed");
                                }));
            VerifyTime = std::min(VerifyTime, Seconds([&] {
                                      if (VerifyAVI("SITE-42", Signed.c_str()) != VerifyOk)
                                          throw std::runtime_error("VerifyAVI did not give 1");
                                  }));
        }
        Report("SignAVI vs plain copy", SignTime, CopyTime, "<= 1.30x", SignTime <= 1.3 * CopyTime);
        Report("VerifyAVI vs plain copy", VerifyTime, CopyTime, "<= 1.50x",
               VerifyTime <= 1.5 * CopyTime);
        std::printf("%-34s %8.3f s  (part of both)\n", "header walk alone", WalkTime);
        fs::remove(Src);
        fs::remove(Signed);

        std::vector<uint8_t> Data(64 << 20);
        std::mt19937 Rng(7);
        for (auto& B : Data)
            B = static_cast<uint8_t>(Rng());
        double OursTime = 1e30, ZlibTime = 1e30;
        uint32_t Ours = 0;
        uLong Theirs = 0;
        for (int Round = 0; Round < Runs; ++Round) {
            OursTime = std::min(OursTime, Seconds([&] {
                                    Ours = 0xFFFFFFFFu;
                                    FeedCRC32(Data.data(), Data.size(), Ours);
                                }));
            ZlibTime = std::min(ZlibTime, Seconds([&] {
                                    Theirs = crc32(0, Data.data(), static_cast<uInt>(Data.size()));
                                }));
        }
        if (~Ours != Theirs)
            throw std::runtime_error("UpdateCRC32 and zlib disagree");
        std::printf("%-34s %8.3f s  zlib %8.3f s  speed %5.2fx  goal >= 1.00x  %s\n",
                    "UpdateCRC32 over 64 MiB vs zlib", OursTime, ZlibTime, ZlibTime / OursTime,
                    OursTime <= ZlibTime ? "met" : "MISSED");
    } catch (const std::exception& E) {
        std::fprintf(stderr, "avi_bench: %s\n", E.what());
        Status = 1;
    }
    std::error_code Ec;
    fs::remove_all(Dir, Ec);
    return Status;
}
