// Times RenderJpegFile against libjpeg-turbo's own full decode (float IDCT,
// fancy upsampling, one thread) of the same 12 MP files in the same run, and
// against its default integer decode, which a plain image viewer uses;
// medians of interleaved runs. Also the peak memory of one render against
// file size + 3 x width x height. Usage: quillon_render_bench [RUNS]
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
    } Cases[] = {{"q90 4:2:0 single-scan", 90, 2}, {"q100 4:4:4", 100, 1}};
    const int Times = Argc > 1 ? std::max(5, std::atoi(Argv[1])) : 7;
    std::printf("%dx%d photos, medians of %d interleaved runs\n", Width, Height, Times);

    for (const TCase& C : Cases) {
        const std::string Path =
            (Dir / (std::string("bench_q") + std::to_string(C.Quality) + ".jpg")).string();
        const TBytes File = EncodeWithLibrary(Picture, Width, Height, C.Quality, C.Sampling);
        WriteFileBytes(Path, File);
        volatile size_t Sink = 0;
        // Interleaved, so that a busy spell of the machine hits all alike.
        std::vector<double> Peer, IntegerPeer, One, Two;
        TThreadBudget OneThread(1), TwoThreads(2);
        TJpegDecodeContext OnOne, OnTwo;
        OnOne.Threads = &OneThread;
        OnTwo.Threads = &TwoThreads;
        const TJpegInput Input = TJpegInput::File(Path);
        for (int I = 0; I < Times; ++I) {
            int W, H;
            Peer.push_back(SecondsOf([&] { Sink = Sink + DecodeWithLibrary(Path, W, H).size(); }));
            IntegerPeer.push_back(
                SecondsOf([&] { Sink = Sink + DecodeWithLibrary(Path, W, H, false).size(); }));
            One.push_back(SecondsOf([&] { Sink = Sink + RenderJpeg(Input, OnOne).Width; }));
            Two.push_back(SecondsOf([&] { Sink = Sink + RenderJpeg(Input, OnTwo).Width; }));
        }

        const std::string Report = (Dir / "peak.txt").string();
        const std::string Command =
            std::string("\"") + Argv[0] + "\" --peak \"" + Path + "\" \"" + Report + "\"";
        long long Peak = -1;
        if (std::system(Command.c_str()) == 0)
            std::ifstream(Report) >> Peak;
        const double Budget = static_cast<double>(File.size()) + 3.0 * Width * Height;

        const std::string What = std::string("RenderJpegFile, ") + C.Label;
        std::printf("%s: %zu bytes\n", C.Label, File.size());
        PrintRatioRow(What, Median(Two), "libjpeg-turbo float decode, one thread", Median(Peer),
                      "<= 0.80x");
        PrintRatioRow(What, Median(Two), "libjpeg-turbo default integer decode",
                      Median(IntegerPeer), "");
        PrintRatioRow(What + ", one thread", Median(One), "libjpeg-turbo float decode, one thread",
                      Median(Peer), "");
        std::printf(
            "%s peak memory of one render: %.1f MB = %.2f x (file size + 3 x w x h = %.1f MB)\n",
            C.Label, Peak / 1e6, Peak / Budget, Budget / 1e6);
        std::filesystem::remove(Path);
        std::filesystem::remove(Report);
    }
    return 0;
}
