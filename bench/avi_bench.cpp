// Times AVI signing and verification of a large movie-like file (page cache
// warm) against coreutils cp and cat of the same file, and the checksum step
// against zlib's crc32(), all measured in the same run.
#include "bench_movie.h"
#include "containers/uAVIFormat.h"
#include "engine/avi_signature.h"
#include "engine/crc32_extend.h"
#include "engine/mediasign.h"
#include "platform/debug_output.h"
#include "platform/environment.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/temporary_files.h"

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

constexpr int Runs = 7;

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
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
    TScopedDebugSink Quiet(DiscardingDebugSink()); // the walk's lines are not what is timed
    int Status = 0;
    try {
        const std::string Src = (Dir / "movie.avi").string();
        const std::string Signed = (Dir / "movie.avi.mod.avi").string();
        const std::string Copy = (Dir / "copy.avi").string();
        bench::WriteMovie(Src, MiB << 20);
        std::printf("file: %s, %.1f MiB\n", Src.c_str(),
                    static_cast<double>(fs::file_size(Src)) / (1 << 20));

        ::setenv("TEMP", Dir.string().c_str(), 1);
        const std::string Cp = "cp '" + Src + "' '" + Copy + "'";
        const std::string Cat = "cat '" + Src + "' > /dev/null";
        const auto Run = [](const std::string& Command) {
            if (std::system(Command.c_str()) != 0)
                throw std::runtime_error(Command + " failed");
        };
        const auto Sign = [&] {
            if (!SignAVI("SITE-42", Src.c_str(), Signed.c_str()))
                throw std::runtime_error("SignAVI failed");
        };
        // A replaced destination and a large check copy are freed on a
        // thread of its own after the call returns; that work must not fall
        // into the next step's time.
        const auto Timed = [](const std::function<void()>& Step) {
            FinishLateDeletions();
            return Seconds(Step);
        };
        // Rounds interleave ours and the peers so that a busy spell of the
        // machine hits them alike; each row is the median of its rounds.
        std::vector<double> CpFresh, SignFresh, CpReplacing, SignReplacing, Verify, InPlace,
            CatTimes, WalkTimes;
        Run(Cat); // the page cache holds the file from here on
        for (int Round = 0; Round < Runs; ++Round) {
            fs::remove(Copy);
            fs::remove(Signed);
            CpFresh.push_back(Timed([&] { Run(Cp); }));
            SignFresh.push_back(Timed(Sign));
            CpReplacing.push_back(Timed([&] { Run(Cp); }));
            SignReplacing.push_back(Timed(Sign));
            Verify.push_back(Timed([&] {
                if (VerifyAVI("SITE-42", Signed.c_str()) != VerifyOk)
                    throw std::runtime_error("VerifyAVI did not give 1");
            }));
            CatTimes.push_back(Timed([&] { Run(Cat); }));
            InPlace.push_back(Timed([&] {
                if (VerifyAviFileInPlace("SITE-42", Signed.c_str()).Code != VerifyOk)
                    throw std::runtime_error("the in-place check did not give 1");
            }));
            WalkTimes.push_back(Seconds([&] {
                TAVIStream Walk(Src);
                uint32_t CRC = 0;
                FeedChunkHeaders(Walk, CRC, false);
            }));
        }
        std::printf("medians of %d rounds; peers are coreutils cp and cat run as child "
                    "processes\n",
                    Runs);
        Report("SignAVI, new file, vs cp", Median(SignFresh), Median(CpFresh), "<= 1.15x",
               Median(SignFresh) <= 1.15 * Median(CpFresh));
        Report("SignAVI, replacing, vs cp", Median(SignReplacing), Median(CpReplacing), "<= 1.15x",
               Median(SignReplacing) <= 1.15 * Median(CpReplacing));
        Report("VerifyAVI (TEMP copy) vs cp", Median(Verify), Median(CpFresh), "<= 1.20x",
               Median(Verify) <= 1.2 * Median(CpFresh));
        Report("verify --in-place vs cat", Median(InPlace), Median(CatTimes), "<= 1.20x",
               Median(InPlace) <= 1.2 * Median(CatTimes));
        std::printf("%-34s %8.3f s  (part of all)\n", "header walk alone", Median(WalkTimes));
        fs::remove(Src);
        fs::remove(Signed);
        fs::remove(Copy);

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
