#include "containers/jpeg_encode.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {
namespace {

TRenderedImage MakeImage(int32_t W, int32_t H) {
    TRenderedImage I;
    I.Width = W;
    I.Height = H;
    I.Stride = static_cast<size_t>(W) * 3 + 5; // padding must never be read
    I.Pixels = std::make_unique<uint8_t[]>(I.Stride * static_cast<size_t>(H));
    return I;
}

void Fill(TRenderedImage& I, uint8_t B, uint8_t G, uint8_t R) {
    for (int32_t Y = 0; Y < I.Height; ++Y)
        for (int32_t X = 0; X < I.Width; ++X) {
            uint8_t* P = I.Row(Y) + 3 * X;
            P[0] = B;
            P[1] = G;
            P[2] = R;
        }
}

std::string Head(const TEncodedJpeg& E, size_t N) {
    return std::string(reinterpret_cast<const char*>(E.Data.get()), std::min(N, E.Size));
}

// Decodes with the system library to red, green, blue rows.
struct TDecoded {
    int W = 0, H = 0;
    std::vector<uint8_t> Rgb;
};
TDecoded DecodeRgb(const TEncodedJpeg& E) {
    jpeg_decompress_struct D{};
    jpeg_error_mgr Err{};
    D.err = jpeg_std_error(&Err);
    Err.error_exit = [](j_common_ptr) { throw std::runtime_error("decode failed"); };
    jpeg_create_decompress(&D);
    jpeg_mem_src(&D, E.Data.get(), static_cast<unsigned long>(E.Size));
    jpeg_read_header(&D, TRUE);
    D.out_color_space = JCS_RGB;
    jpeg_start_decompress(&D);
    TDecoded Out{static_cast<int>(D.output_width), static_cast<int>(D.output_height), {}};
    Out.Rgb.resize(static_cast<size_t>(Out.W) * Out.H * 3);
    while (D.output_scanline < D.output_height) {
        JSAMPROW Row = Out.Rgb.data() + static_cast<size_t>(D.output_scanline) * Out.W * 3;
        jpeg_read_scanlines(&D, &Row, 1);
    }
    jpeg_finish_decompress(&D);
    jpeg_destroy_decompress(&D);
    return Out;
}

TEST(EncodeJpegQuality100, HeaderLayout) {
    TRenderedImage I = MakeImage(37, 21);
    Fill(I, 10, 20, 30);
    const TEncodedJpeg E = EncodeJpegQuality100(I);
    const std::string Expected = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01"
                                             "\x00\x01\x00\x00",
                                             20);
    std::string Dqt0 = std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    std::string Dqt1 = std::string("\xFF\xDB\x00\x43\x01", 5) + std::string(64, '\x01');
    const std::string Sof = std::string("\xFF\xC0\x00\x11\x08\x00\x15\x00\x25\x03"
                                        "\x01\x22\x00\x02\x11\x01\x03\x11\x01",
                                        19);
    ASSERT_GT(E.Size, 200u);
    EXPECT_EQ(Head(E, 20 + 138 + 19), Expected + Dqt0 + Dqt1 + Sof);

    // Four standard Huffman tables (DC 0, AC 0, DC 1, AC 1), then the scan
    // header, and the stream ends with EOI.
    const std::string S = Head(E, E.Size);
    size_t P = 20 + 138 + 19;
    const int Classes[] = {0x00, 0x10, 0x01, 0x11};
    const int Lengths[] = {0x1F, 0xB5, 0x1F, 0xB5};
    for (int T = 0; T < 4; ++T) {
        ASSERT_EQ(S.substr(P, 2), "\xFF\xC4") << T;
        EXPECT_EQ(static_cast<uint8_t>(S[P + 3]), Lengths[T]) << T;
        EXPECT_EQ(static_cast<uint8_t>(S[P + 4]), Classes[T]) << T;
        P += 2 + static_cast<uint8_t>(S[P + 2]) * 256 + static_cast<uint8_t>(S[P + 3]);
    }
    EXPECT_EQ(S.substr(P, 14),
              std::string("\xFF\xDA\x00\x0C\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 14));
    EXPECT_EQ(S.substr(S.size() - 2), "\xFF\xD9");
}

TEST(EncodeJpegQuality100, RowsAreBlueGreenRed) {
    TRenderedImage I = MakeImage(16, 16);
    Fill(I, 200, 40, 10); // mostly blue
    const TDecoded D = DecodeRgb(EncodeJpegQuality100(I));
    ASSERT_EQ(D.W, 16);
    ASSERT_EQ(D.H, 16);
    for (size_t K = 0; K < D.Rgb.size(); K += 3) {
        EXPECT_NEAR(D.Rgb[K], 10, 2);
        EXPECT_NEAR(D.Rgb[K + 1], 40, 2);
        EXPECT_NEAR(D.Rgb[K + 2], 200, 2);
    }
}

TEST(EncodeJpegQuality100, DetailSurvivesAtQuality100) {
    // A luma-only pattern survives 2x2 chroma sampling nearly unchanged.
    for (const auto& [W, H] :
         {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}, std::pair{45, 33}}) {
        TRenderedImage I = MakeImage(W, H);
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X) {
                const auto G = static_cast<uint8_t>((X * 37 + Y * 91) % 256);
                uint8_t* P = I.Row(Y) + 3 * X;
                P[0] = P[1] = P[2] = G;
            }
        const TDecoded D = DecodeRgb(EncodeJpegQuality100(I));
        ASSERT_EQ(D.W, W);
        ASSERT_EQ(D.H, H);
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X)
                for (int C = 0; C < 3; ++C)
                    ASSERT_NEAR(D.Rgb[(static_cast<size_t>(Y) * W + X) * 3 + C], I.Row(Y)[3 * X], 3)
                        << W << "x" << H << " at " << X << "," << Y;
    }
}

TEST(EncodeJpegQuality100, CodecErrorBecomesJpegError) {
    const TRenderedImage I = MakeImage(0, 0); // empty image: JERR_EMPTY_IMAGE
    try {
        EncodeJpegQuality100(I);
        FAIL() << "an empty image must not encode";
    } catch (const EJpegError& E) {
        EXPECT_EQ(std::string(E.what()), "JPEG error #" + std::to_string(E.MsgCode()));
        EXPECT_GT(E.MsgCode(), 0);
    }
}

} // namespace
} // namespace quillon
