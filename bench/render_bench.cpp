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

#include "containers/jpeg_decoder.h"
#include "containers/jpeg_render.h"
#include "platform/process_memory.h"

using namespace quillon;

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

using TBytes = std::vector<uint8_t>;

// A photo-like picture: smooth gradients with grain.
TBytes MakePicture() {
    TBytes Rgb(static_cast<size_t>(Width) * Height * 3);
    uint32_t Seed = 12345;
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            uint8_t* P = &Rgb[(static_cast<size_t>(Y) * Width + X) * 3];
            const int Base[3] = {X * 255 / Width, Y * 255 / Height,
                                 (X + Y) * 255 / (Width + Height)};
            for (int C = 0; C < 3; ++C) {
                Seed = Seed * 1664525u + 1013904223u;
                const int Noise = static_cast<int>((Seed >> 24) % 25) - 12;
                P[C] = static_cast<uint8_t>(std::clamp(Base[C] + Noise, 0, 255));
            }
        }
    return Rgb;
}

TBytes Encode(const TBytes& Rgb, int Quality, int Sampling) {
    jpeg_compress_struct Info{};
    jpeg_error_mgr Err{};
    Info.err = jpeg_std_error(&Err);
    jpeg_create_compress(&Info);
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    jpeg_mem_dest(&Info, &Out, &OutSize);
    Info.image_width = Width;
    Info.image_height = Height;
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, Quality, TRUE);
    Info.comp_info[0].h_samp_factor = Sampling;
    Info.comp_info[0].v_samp_factor = Sampling;
    jpeg_start_compress(&Info, TRUE);
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Row =
            const_cast<uint8_t*>(&Rgb[Info.next_scanline * static_cast<size_t>(Width) * 3]);
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    TBytes Result(Out, Out + OutSize);
    jpeg_destroy_compress(&Info);
    free(Out);
    return Result;
}

TBytes ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The peer: what a float decode with the library alone costs, file read included.
size_t PeerDecode(const std::string& Path) {
    const TBytes Data = ReadFile(Path);
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Err{};
    Info.err = jpeg_std_error(&Err);
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data.data(), Data.size());
    jpeg_read_header(&Info, TRUE);
    Info.dct_method = JDCT_FLOAT;
    Info.do_fancy_upsampling = TRUE;
    Info.do_block_smoothing = TRUE;
    jpeg_start_decompress(&Info);
    const size_t RowBytes = static_cast<size_t>(Info.output_width) * Info.output_components;
    std::vector<uint8_t> Pixels(RowBytes * Info.output_height);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = &Pixels[Info.output_scanline * RowBytes];
        jpeg_read_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    return Pixels[Pixels.size() / 2];
}

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
    const TBytes Picture = MakePicture();
    struct TCase {
        const char* Label;
        int Quality, Sampling;
    } Cases[] = {{"q90 2x2", 90, 2}, {"q100 1x1", 100, 1}};
    const int Times = Argc > 1 ? std::max(1, std::atoi(Argv[1])) : 5;

    for (const TCase& C : Cases) {
        const std::string Path =
            (Dir / (std::string("bench_q") + std::to_string(C.Quality) + ".jpg")).string();
        const TBytes File = Encode(Picture, C.Quality, C.Sampling);
        std::ofstream(Path, std::ios::binary)
            .write(reinterpret_cast<const char*>(File.data()),
                   static_cast<std::streamsize>(File.size()));
        volatile size_t Sink = 0;
        // Interleaved, so that a busy spell of the machine hits all three alike.
        TTiming Peer, One, Two;
        for (int I = 0; I < Times; ++I) {
            Time([&] { Sink = Sink + PeerDecode(Path); }, Peer);
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
        std::printf(
            "%s RenderJpegFile, 2 threads allowed (multi-scan files only): %.1f ms, ratio %.2f\n",
            C.Label, Two.Wall * 1e3, Two.Wall / Peer.Wall);
        std::printf(
            "%s peak memory of one render: %.1f MB = %.2f x (file size + 3 x w x h = %.1f MB)\n",
            C.Label, Peak / 1e6, Peak / Budget, Budget / 1e6);
        std::filesystem::remove(Path);
        std::filesystem::remove(Report);
    }
    return 0;
}
