// Times JPEG verification and signing on a 12-megapixel photo against the
// system codec doing the same work: decoding with its float IDCT (and fancy
// upsampling), and for signing also encoding at quality 100 and decoding the
// result. Peak memory is read from the kernel's resident-set high-water mark.
#include "containers/KvJpegComment.h"
#include "containers/jpeg_encode.h"
#include "containers/jpeg_render.h"
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
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillon::FileMode;
using quillon::TFileStream;

constexpr int kWidth = 4000, kHeight = 3000, kRuns = 3;

[[noreturn]] void CodecFailed(j_common_ptr C) {
    char Text[JMSG_LENGTH_MAX];
    C->err->format_message(C, Text);
    throw std::runtime_error(Text);
}

std::vector<uint8_t> ReadAll(const std::string& Path) {
    TFileStream In(Path, FileMode::OpenRead);
    std::vector<uint8_t> Data(static_cast<size_t>(In.Size()));
    In.ReadBuffer(Data.data(), Data.size());
    return Data;
}

void WriteAll(const std::string& Path, const uint8_t* Data, size_t Size) {
    TFileStream Out(Path, FileMode::Create);
    Out.Write(Data, Size);
    Out.Close();
}

// Encodes RGB rows into memory with the system codec.
std::vector<uint8_t> Encode(const std::vector<uint8_t>& Rgb, int W, int H, int Quality) {
    jpeg_compress_struct C{};
    jpeg_error_mgr E{};
    C.err = jpeg_std_error(&E);
    E.error_exit = CodecFailed;
    jpeg_create_compress(&C);
    unsigned char* Buf = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&C, &Buf, &Size);
    C.image_width = static_cast<JDIMENSION>(W);
    C.image_height = static_cast<JDIMENSION>(H);
    C.input_components = 3;
    C.in_color_space = JCS_RGB;
    jpeg_set_defaults(&C);
    C.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&C, Quality, TRUE);
    jpeg_start_compress(&C, TRUE);
    while (C.next_scanline < C.image_height) {
        JSAMPROW Row =
            const_cast<JSAMPLE*>(Rgb.data()) + static_cast<size_t>(C.next_scanline) * W * 3;
        jpeg_write_scanlines(&C, &Row, 1);
    }
    jpeg_finish_compress(&C);
    jpeg_destroy_compress(&C);
    std::vector<uint8_t> Out(Buf, Buf + Size);
    std::free(Buf);
    return Out;
}

// Decodes a file as the reference settings do: float IDCT, fancy upsampling.
std::vector<uint8_t> Decode(const std::string& Path, int& W, int& H) {
    const std::vector<uint8_t> Data = ReadAll(Path);
    jpeg_decompress_struct D{};
    jpeg_error_mgr E{};
    D.err = jpeg_std_error(&E);
    E.error_exit = CodecFailed;
    jpeg_create_decompress(&D);
    jpeg_mem_src(&D, Data.data(), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&D, TRUE);
    D.dct_method = JDCT_FLOAT;
    D.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&D);
    W = static_cast<int>(D.output_width);
    H = static_cast<int>(D.output_height);
    std::vector<uint8_t> Rgb(static_cast<size_t>(W) * H * D.output_components);
    while (D.output_scanline < D.output_height) {
        JSAMPROW Row =
            Rgb.data() + static_cast<size_t>(D.output_scanline) * W * D.output_components;
        jpeg_read_scanlines(&D, &Row, 1);
    }
    jpeg_finish_decompress(&D);
    jpeg_destroy_decompress(&D);
    return Rgb;
}

double BestSeconds(const std::function<void()>& Work) {
    double Best = 1e30;
    for (int I = 0; I < kRuns; ++I) {
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
    if (Entry == "verify" && quillon::VerifyJpeg("SITE-42", A) != quillon::kVerifyOk)
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
            // A noisy gradient, so the entropy coder has real work to do.
            std::vector<uint8_t> Rgb(static_cast<size_t>(kWidth) * kHeight * 3);
            std::mt19937 Rng(1);
            for (int Y = 0; Y < kHeight; ++Y)
                for (int X = 0; X < kWidth; ++X) {
                    uint8_t* P = &Rgb[(static_cast<size_t>(Y) * kWidth + X) * 3];
                    const int N = static_cast<int>(Rng() % 41) - 20;
                    P[0] = static_cast<uint8_t>(std::clamp(X * 255 / kWidth + N, 0, 255));
                    P[1] = static_cast<uint8_t>(std::clamp(Y * 255 / kHeight + N, 0, 255));
                    P[2] = static_cast<uint8_t>(std::clamp(128 + (X - Y) / 64 + N, 0, 255));
                }
            const std::vector<uint8_t> Jpeg = Encode(Rgb, kWidth, kHeight, 90);
            WriteAll(Src, Jpeg.data(), Jpeg.size());
        }
        std::printf("photo: %dx%d, %ju bytes (quality 90, 2x2)\n", kWidth, kHeight,
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
            if (quillon::VerifyJpeg(Site, Signed.c_str()) != quillon::kVerifyOk)
                throw std::runtime_error("verification failed");
        });

        int W = 0, H = 0;
        const double PeerDecodeS = BestSeconds([&] { Decode(Signed, W, H); });
        const double PeerSignS = BestSeconds([&] {
            const std::vector<uint8_t> Rgb = Decode(Src, W, H);
            const std::vector<uint8_t> Jpeg = Encode(Rgb, W, H, 100);
            WriteAll(PeerOut, Jpeg.data(), Jpeg.size());
            Decode(PeerOut, W, H);
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
        const double Budget = SignedSize + 2.0 * 3.0 * kWidth * kHeight;
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
