#include "bench_jpeg.h"

#include "platform/file_stream.h"
#include "platform/files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>

namespace quillon::bench {

namespace {
[[noreturn]] void CodecFailed(j_common_ptr C) {
    char Text[JMSG_LENGTH_MAX];
    C->err->format_message(C, Text);
    throw std::runtime_error(Text);
}
} // namespace

TBytes MakePhotoRgb(int Width, int Height) {
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

TBytes EncodeWithLibrary(const TBytes& Rgb, int Width, int Height, int Quality, int Sampling) {
    jpeg_compress_struct C{};
    jpeg_error_mgr E{};
    C.err = jpeg_std_error(&E);
    E.error_exit = CodecFailed;
    jpeg_create_compress(&C);
    unsigned char* Buf = nullptr;
    unsigned long Size = 0;
    try {
        jpeg_mem_dest(&C, &Buf, &Size);
        C.image_width = static_cast<JDIMENSION>(Width);
        C.image_height = static_cast<JDIMENSION>(Height);
        C.input_components = 3;
        C.in_color_space = JCS_RGB;
        jpeg_set_defaults(&C);
        C.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&C, Quality, TRUE);
        C.comp_info[0].h_samp_factor = Sampling;
        C.comp_info[0].v_samp_factor = Sampling;
        jpeg_start_compress(&C, TRUE);
        while (C.next_scanline < C.image_height) {
            JSAMPROW Row =
                const_cast<JSAMPLE*>(Rgb.data()) + static_cast<size_t>(C.next_scanline) * Width * 3;
            jpeg_write_scanlines(&C, &Row, 1);
        }
        jpeg_finish_compress(&C);
    } catch (...) {
        jpeg_destroy_compress(&C);
        std::free(Buf);
        throw;
    }
    jpeg_destroy_compress(&C);
    TBytes Out(Buf, Buf + Size);
    std::free(Buf);
    return Out;
}

TBytes DecodeWithLibrary(const std::string& Path, int& Width, int& Height, bool FloatIdct) {
    TBytes Data;
    {
        TFileStream In(Path, TFileMode::OpenRead);
        Data.resize(static_cast<size_t>(In.Size()));
        In.ReadBuffer(Data.data(), Data.size());
    }
    jpeg_decompress_struct D{};
    jpeg_error_mgr E{};
    D.err = jpeg_std_error(&E);
    E.error_exit = CodecFailed;
    jpeg_create_decompress(&D);
    TBytes Pixels;
    try {
        jpeg_mem_src(&D, Data.data(), static_cast<unsigned long>(Data.size()));
        jpeg_read_header(&D, TRUE);
        if (FloatIdct) {
            D.dct_method = JDCT_FLOAT;
            D.do_fancy_upsampling = TRUE;
            D.do_block_smoothing = TRUE;
        }
        jpeg_start_decompress(&D);
        Width = static_cast<int>(D.output_width);
        Height = static_cast<int>(D.output_height);
        const size_t RowBytes = static_cast<size_t>(Width) * D.output_components;
        Pixels.resize(RowBytes * Height);
        while (D.output_scanline < D.output_height) {
            JSAMPROW Row = Pixels.data() + static_cast<size_t>(D.output_scanline) * RowBytes;
            jpeg_read_scanlines(&D, &Row, 1);
        }
        jpeg_finish_decompress(&D);
    } catch (...) {
        jpeg_destroy_decompress(&D);
        throw;
    }
    jpeg_destroy_decompress(&D);
    return Pixels;
}

void WriteFileBytes(const std::string& Path, const TBytes& Bytes) {
    DeleteFile(Path);
    TFileStream Out(Path, TFileMode::CreateNew);
    Out.Write(Bytes.data(), Bytes.size());
    Out.Close();
}

double SecondsOf(const std::function<void()>& Work) {
    const auto Start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

double Median(std::vector<double> Samples) {
    if (Samples.empty())
        return 0;
    std::sort(Samples.begin(), Samples.end());
    return Samples[Samples.size() / 2];
}

std::vector<double> MedianSeconds(const std::vector<std::function<void()>>& Works, int Runs) {
    std::vector<std::vector<double>> Samples(Works.size());
    for (int I = 0; I < Runs; ++I)
        for (size_t W = 0; W < Works.size(); ++W)
            Samples[W].push_back(SecondsOf(Works[W]));
    std::vector<double> Medians;
    for (const std::vector<double>& S : Samples)
        Medians.push_back(Median(S));
    return Medians;
}

void PrintRatioRow(const std::string& What, double Seconds, const std::string& Peer,
                   double PeerSeconds, const std::string& Goal) {
    std::printf("%-52s %7.1f ms | %-44s %7.1f ms | ratio %.2fx%s%s\n", What.c_str(), Seconds * 1e3,
                Peer.c_str(), PeerSeconds * 1e3, Seconds / PeerSeconds,
                Goal.empty() ? "" : " | goal ", Goal.c_str());
}

} // namespace quillon::bench
