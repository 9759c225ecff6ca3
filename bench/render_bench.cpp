// Times RenderJpegFile against the system libjpeg's own full decode (float
// IDCT, fancy upsampling) of the same files in the same run, and reports the
// peak memory of one render against file size + 3 x width x height.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench_jpeg.h"
#include "codec/jpeg/jpeg_decoder.h"
#include "codec/jpeg/jpeg_render.h"
#include "platform/process_memory.h"

using namespace quillon;
using namespace quillon::bench;

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

struct TTiming {
    double Wall = 1e30; // best wall-clock seconds
    double Cpu = 1e30;  // best processor seconds, all threads: steadier on a busy machine
};

template <class F> void Time(F&& Run, TTiming& T) {
    const std::clock_t Cpu0 = std::clock();
    const auto Start = std::chrono::steady_clock::now();
    Run();
    const std::chrono::duration<double> D = std::chrono::steady_clock::now() - Start;
    T.Wall = std::min(T.Wall, D.count());
    T.Cpu = std::min(T.Cpu, static_cast<double>(std::clock() - Cpu0) / CLOCKS_PER_SEC);
}

// Run in a fresh process so that the peak belongs to one render alone.
int MeasurePeak(const std::string& Path, const std::string& Report) {
    const int64_t Before = PeakResidentBytes();
    const TRenderedImage Image = RenderJpegFile(Path);
    const int64_t After = PeakResidentBytes();
    std::ofstream(Report) << (After - Before) << "\n";
    return Image.Width > 0 ? 0 : 1;
}

} // namespace

int main(int Argc, char** Argv) {
    if (Argc == 4 && std::string(Argv[1]) == "--peak")
        return MeasurePeak(Argv[2], Argv[3]);

    const std::filesystem::path Dir =
        std::filesystem::temp_directory_path() / "quillon_render_bench";
    std::filesystem::create_directories(Dir);
    const TBytes Picture = MakePhotoRgb(Width, Height);
    struct TCase {
        const char* Label;
        int Quality, Sampling;
    } Cases[] = {{"q90 2x2", 90, 2}, {"q100 1x1", 100, 1}};
    const int Times = Argc > 1 ? std::max(1, std::atoi(Argv[1])) : 5;

    for (const TCase& C : Cases) {
        const std::string Path =
            (Dir / (std::string("bench_q") + std::to_string(C.Quality) + ".jpg")).string();
        const TBytes File = EncodeWithLibrary(Picture, Width, Height, C.Quality, C.Sampling);
        WriteFileBytes(Path, File);
        volatile size_t Sink = 0;
        // Interleaved, so that a busy spell of the machine hits all three alike.
        TTiming Peer, IntegerPeer, One, Two;
        for (int I = 0; I < Times; ++I) {
            Time(
                [&] {
                    int W, H;
                    Sink = Sink + DecodeWithLibrary(Path, W, H).size();
                },
                Peer);
            Time(
                [&] {
                    int W, H;
                    Sink = Sink + DecodeWithLibrary(Path, W, H, false).size();
                },
                IntegerPeer);
            SetJpegDecodeThreads(1);
            Time([&] { Sink = Sink + RenderJpegFile(Path).Width; }, One);
            SetJpegDecodeThreads(2);
            Time([&] { Sink = Sink + RenderJpegFile(Path).Width; }, Two);
        }

        const std::string Report = (Dir / "peak.txt").string();
        const std::string Command =
            std::string("\"") + Argv[0] + "\" --peak \"" + Path + "\" \"" + Report + "\"";
        long long Peak = -1;
        if (std::system(Command.c_str()) == 0)
            std::ifstream(Report) >> Peak;
        const double Budget = static_cast<double>(File.size()) + 3.0 * Width * Height;

        std::printf("%s (%dx%d, %zu bytes): peer %.1f ms (cpu %.1f ms)\n", C.Label, Width, Height,
                    File.size(), Peer.Wall * 1e3, Peer.Cpu * 1e3);
        std::printf("%s RenderJpegFile 1 thread: %.1f ms, ratio %.2f (cpu ratio %.2f)\n", C.Label,
                    One.Wall * 1e3, One.Wall / Peer.Wall, One.Cpu / Peer.Cpu);
        std::printf("%s RenderJpegFile, 2 threads (goal: ratio <= 0.80): %.1f ms, ratio %.2f\n",
                    C.Label, Two.Wall * 1e3, Two.Wall / Peer.Wall);
        std::printf("%s against the library's default integer decode (%.1f ms): ratio %.2f\n",
                    C.Label, IntegerPeer.Wall * 1e3, Two.Wall / IntegerPeer.Wall);
        std::printf(
            "%s peak memory of one render: %.1f MB = %.2f x (file size + 3 x w x h = %.1f MB)\n",
            C.Label, Peak / 1e6, Peak / Budget, Budget / 1e6);
        std::filesystem::remove(Path);
        std::filesystem::remove(Report);
    }
    return 0;
}
