// Times JPEG verification and signing on a 12-megapixel photo against
// libjpeg-turbo doing the same work in the same run: decoding with its float
// IDCT (and fancy upsampling), and for signing also encoding at quality 100
// and decoding the result; medians of interleaved runs. Peak memory is read
// from the kernel's resident-set high-water mark.
#include "bench_jpeg.h"
#include "codec/jpeg/jpeg_encode.h"
#include "codec/jpeg/jpeg_reencode.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/mediasign.h"
#include "platform/file_stream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <jpeglib.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillon::TFileMode;
using quillon::TFileStream;
using namespace quillon::bench;

constexpr int PhotoWidth = 4000, PhotoHeight = 3000, Runs = 7;

long StatusKb(const char* Field) {
    std::ifstream In("/proc/self/status");
    std::string Line;
    while (std::getline(In, Line))
        if (Line.rfind(Field, 0) == 0)
            return std::atol(Line.c_str() + std::string(Field).size());
    return -1;
}

bool ResetPeak() {
    std::ofstream Out("/proc/self/clear_refs");
    Out << "5";
    return static_cast<bool>(Out.flush());
}

// Runs one entry and prints the growth of the resident-set high-water mark
// over the process's size before it, in kilobytes.
int MeasureEntry(const std::string& Entry, const char* A, const char* B) {
    const long Baseline = StatusKb("VmRSS:");
    if (!ResetPeak())
        return 1;
    if (Entry == "sign" && !quillon::SignJpeg("SITE-42", A, B))
        return 1;
    if (Entry == "verify" && quillon::VerifyJpeg("SITE-42", A) != quillon::VerifyOk)
        return 1;
    std::printf("%ld\n", StatusKb("VmHWM:") - Baseline);
    return 0;
}

long PeakInChild(const std::string& Self, const std::string& Entry, const std::string& A,
                 const std::string& B) {
    const std::string Command = "'" + Self + "' --peak " + Entry + " '" + A + "' '" + B + "'";
    FILE* P = popen(Command.c_str(), "r");
    if (P == nullptr)
        return -1;
    long Kb = -1;
    if (std::fscanf(P, "%ld", &Kb) != 1)
        Kb = -1;
    return pclose(P) == 0 ? Kb : -1;
}

} // namespace

int main(int Argc, char** Argv) {
    if (Argc == 5 && std::string(Argv[1]) == "--peak")
        return MeasureEntry(Argv[2], Argv[3], Argv[4]);
    const std::string Self = fs::canonical("/proc/self/exe").string();
    const fs::path Dir = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
    fs::create_directories(Dir);
    const std::string Src = (Dir / "photo.jpg").string();
    const std::string Signed = (Dir / "photo.jpg.mod.jpg").string();
    const std::string PeerOut = (Dir / "peer.jpg").string();
    const char* Site = "SITE-42";
    int Status = 0;
    try {
        {
            const TBytes Rgb = MakePhotoRgb(PhotoWidth, PhotoHeight);
            WriteFileBytes(Src, EncodeWithLibrary(Rgb, PhotoWidth, PhotoHeight, 90, 2));
        }
        std::printf("photo: %dx%d, %ju bytes (quality 90, 2x2)\n", PhotoWidth, PhotoHeight,
                    static_cast<uintmax_t>(fs::file_size(Src)));

        // Peak memory is measured in fresh processes, so that what this one
        // allocated and freed before cannot blur it.
        const long SignPeakKb = PeakInChild(Self, "sign", Src, Signed);
        const long VerifyPeakKb = PeakInChild(Self, "verify", Signed, "");
        int W = 0, H = 0;
        const quillon::TRenderedImage Image = quillon::RenderJpegFile(Src);
        quillon::ReencodeJpeg(Src, (Dir / "re.jpg").string());
        const std::string Comment = quillon::ReadJpegComment(Signed);
        const std::vector<double> T = MedianSeconds({
            [&] {
                if (!quillon::SignJpeg(Site, Src.c_str(), Signed.c_str()))
                    throw std::runtime_error("signing failed");
            },
            [&] {
                if (quillon::VerifyJpeg(Site, Signed.c_str()) != quillon::VerifyOk)
                    throw std::runtime_error("verification failed");
            },
            [&] { DecodeWithLibrary(Signed, W, H); },
            [&] { DecodeWithLibrary(Signed, W, H, false); },
            [&] {
                const TBytes Rgb = DecodeWithLibrary(Src, W, H);
                WriteFileBytes(PeerOut, EncodeWithLibrary(Rgb, W, H, 100, 2));
                DecodeWithLibrary(PeerOut, W, H);
            },
            // Where our time goes: the renderer's share against the rest.
            [&] { quillon::RenderJpegFile(Signed); },
            [&] { quillon::RenderJpegFile(Src); },
            [&] { quillon::EncodeJpegQuality100(Image); },
            [&] { quillon::WriteJpegComment((Dir / "re.jpg").string(), Comment); },
        }, Runs);
        const double SignS = T[0], VerifyS = T[1], PeerDecodeS = T[2], PeerIntegerS = T[3],
                     PeerSignS = T[4], RenderSignedS = T[5], RenderSrcS = T[6], EncodeS = T[7],
                     CommentS = T[8];

        const double SignedSize = static_cast<double>(fs::file_size(Signed));
        const double Budget = SignedSize + 2.0 * 3.0 * PhotoWidth * PhotoHeight;
        std::printf("signed file: %.0f bytes\n", SignedSize);
        std::printf("medians of %d interleaved runs\n", Runs);
        PrintRatioRow("VerifyJpeg, signed 12 MP", VerifyS,
                      "libjpeg-turbo float decode of that file", PeerDecodeS, "<= 0.80x");
        PrintRatioRow("VerifyJpeg, signed 12 MP", VerifyS, "libjpeg-turbo default integer decode",
                      PeerIntegerS, "");
        PrintRatioRow("SignJpeg, 12 MP", SignS, "libjpeg-turbo decode + q100 encode + decode",
                      PeerSignS, "<= 1.00x");
        std::printf("  of which RenderJpegFile(signed) %.3f s, RenderJpegFile(source) %.3f s, "
                    "encoding %.3f s, comment rewrite %.3f s\n",
                    RenderSignedS, RenderSrcS, EncodeS, CommentS);
        if (SignPeakKb >= 0 && VerifyPeakKb >= 0) {
            const double Peak = SignPeakKb * 1024.0;
            std::printf("verification peak memory beyond baseline: %.1f MB\n",
                        VerifyPeakKb * 1024.0 / 1e6);
            std::printf("signing peak memory beyond baseline: %.1f MB of %.1f MB allowed (file + "
                        "2 x 3wh), ratio %.2f (goal <= 1.0)\n",
                        Peak / 1e6, Budget / 1e6, Peak / Budget);
        } else {
            std::printf("peak memory: not measurable here\n");
        }
    } catch (const std::exception& E) {
        std::fprintf(stderr, "jpeg_sign_bench: %s\n", E.what());
        Status = 1;
    }
    std::error_code Ec;
    fs::remove_all(Dir, Ec);
    return Status;
}
