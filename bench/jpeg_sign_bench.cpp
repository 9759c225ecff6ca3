// Times JPEG verification and signing on a 12-megapixel photo against the
// system codec doing the same work: decoding with its float IDCT (and fancy
// upsampling), and for signing also encoding at quality 100 and decoding the
// result. Peak memory is read from the kernel's resident-set high-water mark.
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

constexpr int PhotoWidth = 4000, PhotoHeight = 3000, Runs = 3;

double BestSeconds(const std::function<void()>& Work) {
    double Best = 1e30;
    for (int I = 0; I < Runs; ++I) {
        const auto T0 = std::chrono::steady_clock::now();
        Work();
        const std::chrono::duration<double> D = std::chrono::steady_clock::now() - T0;
        Best = std::min(Best, D.count());
    }
    return Best;
}

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
        const double SignS = BestSeconds([&] {
            if (!quillon::SignJpeg(Site, Src.c_str(), Signed.c_str()))
                throw std::runtime_error("signing failed");
        });
        const double VerifyS = BestSeconds([&] {
            if (quillon::VerifyJpeg(Site, Signed.c_str()) != quillon::VerifyOk)
                throw std::runtime_error("verification failed");
        });

        int W = 0, H = 0;
        const double PeerDecodeS = BestSeconds([&] { DecodeWithLibrary(Signed, W, H); });
        const double PeerSignS = BestSeconds([&] {
            const TBytes Rgb = DecodeWithLibrary(Src, W, H);
            WriteFileBytes(PeerOut, EncodeWithLibrary(Rgb, W, H, 100, 2));
            DecodeWithLibrary(PeerOut, W, H);
        });

        // Where our time goes: the renderer's share against the rest.
        const double RenderSignedS = BestSeconds([&] { quillon::RenderJpegFile(Signed); });
        const double RenderSrcS = BestSeconds([&] { quillon::RenderJpegFile(Src); });
        const quillon::TRenderedImage Image = quillon::RenderJpegFile(Src);
        const double EncodeS = BestSeconds([&] { quillon::EncodeJpegQuality100(Image); });
        quillon::ReencodeJpeg(Src, (Dir / "re.jpg").string());
        const std::string Comment = quillon::ReadJpegComment(Signed);
        const double CommentS =
            BestSeconds([&] { quillon::WriteJpegComment((Dir / "re.jpg").string(), Comment); });

        const double SignedSize = static_cast<double>(fs::file_size(Signed));
        const double Budget = SignedSize + 2.0 * 3.0 * PhotoWidth * PhotoHeight;
        std::printf("signed file: %.0f bytes\n", SignedSize);
        std::printf("VerifyJpeg        %8.3f s   peer decode                   %8.3f s   ratio "
                    "%.2f (goal <= 1.5)\n",
                    VerifyS, PeerDecodeS, VerifyS / PeerDecodeS);
        std::printf("SignJpeg          %8.3f s   peer decode+encode+decode     %8.3f s   ratio "
                    "%.2f (goal <= 1.5)\n",
                    SignS, PeerSignS, SignS / PeerSignS);
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
