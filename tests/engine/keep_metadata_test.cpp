// Signing with the camera's metadata kept: EXIF, XMP and the ICC profile go
// into the signed copy, and nothing that verification sees changes.
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "containers/jpeg_metadata.h"
#include "engine/media_file.h"
#include "support/test_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace std::string_literals;
using test::TScratchDir;

// A segment as it lies in a file: 0xFF, marker, big-endian length, payload.
std::string Segment(uint8_t Marker, const std::string& Payload) {
    const size_t Length = Payload.size() + 2;
    return "\xFF"s + static_cast<char>(Marker) + static_cast<char>(Length >> 8) +
           static_cast<char>(Length & 0xFF) + Payload;
}

// A little-endian TIFF block with one IFD holding Make and Model.
std::string ExifPayload() {
    const auto U16 = [](unsigned V) { return std::string{char(V & 0xFF), char(V >> 8)}; };
    const auto U32 = [&](unsigned V) { return U16(V & 0xFFFF) + U16(V >> 16); };
    const std::string Make = "Quillon Test\0"s, Model = "Bench Camera 7\0"s;
    const unsigned Strings = 8 + 2 + 2 * 12 + 4; // header, count, two entries, next IFD
    std::string Tiff = "II" + U16(42) + U32(8) + U16(2);
    Tiff += U16(0x010F) + U16(2) + U32(static_cast<unsigned>(Make.size())) + U32(Strings);
    Tiff += U16(0x0110) + U16(2) + U32(static_cast<unsigned>(Model.size())) +
            U32(Strings + static_cast<unsigned>(Make.size()));
    Tiff += U32(0) + Make + Model;
    return "Exif\0\0"s + Tiff;
}

struct TCameraPhoto {
    std::string Path;
    std::vector<std::string> Metadata; // the segments as they lie in the file
};

// A corpus photo with camera segments behind SOI, and an Adobe segment and
// a comment that must not be carried over.
TCameraPhoto MakeCameraPhoto(const TScratchDir& Dir) {
    const auto Bytes =
        test::ReadBytes(test::TestDataDir() / "jpeg" / "jpeg" / "cs_jfif_ycbcr_photo72x48.jpg");
    const std::string Original(Bytes.begin(), Bytes.end());
    TCameraPhoto P;
    P.Path = Dir / "camera.jpg";
    std::string Icc1 = "ICC_PROFILE\0\x01\x02"s + std::string(300, '\x11');
    std::string Icc2 = "ICC_PROFILE\0\x02\x02"s + std::string(77, '\x22');
    P.Metadata = {Segment(0xE1, ExifPayload()),
                  Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s), Segment(0xE2, Icc1),
                  Segment(0xE2, Icc2)};
    std::string Head;
    for (const std::string& S : P.Metadata)
        Head += S;
    Head += Segment(0xEE, "Adobe\0\x64\0\0\0\0\x01"s) + Segment(0xFE, "a camera's comment");
    test::WriteBytes(P.Path, Original.substr(0, 2) + Head + Original.substr(2));
    return P;
}

bool SameRows(const TRenderedImage& A, const TRenderedImage& B) {
    if (A.Width != B.Width || A.Height != B.Height)
        return false;
    for (int32_t Y = 0; Y < A.Height; ++Y)
        if (std::memcmp(A.Row(Y), B.Row(Y), 3 * static_cast<size_t>(A.Width)) != 0)
            return false;
    return true;
}

TEST(KeepMetadata, CarriesCameraSegmentsAndChangesNothingVerificationSees) {
    TScratchDir Dir;
    const TCameraPhoto Photo = MakeCameraPhoto(Dir);
    const std::string Plain = Dir / "plain.jpg", Kept = Dir / "kept.jpg";
    ASSERT_TRUE(SignMediaFile("SITE-42", Photo.Path, Plain).Ok);
    TSignOptions Keep;
    Keep.KeepMetadata = true;
    const TSignResult R = SignMediaFile("SITE-42", Photo.Path, Kept, Keep);
    ASSERT_TRUE(R.Ok) << R.Reason;

    EXPECT_TRUE(SameRows(RenderJpegFile(Plain), RenderJpegFile(Kept)));
    EXPECT_EQ(ReadJpegComment(Kept), ReadJpegComment(Plain));
    for (const char* Site : {"SITE-42", "SITE-43"})
        EXPECT_EQ(VerifyMediaFile(Site, Kept).Code, VerifyMediaFile(Site, Plain).Code) << Site;
    EXPECT_EQ(VerifyMediaFile("SITE-42", Kept).Code, VerifyOk);

    // Right behind the JFIF header, in order, byte for byte; no Adobe segment.
    const auto Bytes = test::ReadBytes(Kept);
    const std::string File(Bytes.begin(), Bytes.end());
    std::string Expected;
    for (const std::string& S : Photo.Metadata)
        Expected += S;
    EXPECT_EQ(File.substr(2 + 18, Expected.size()), Expected);
    EXPECT_EQ(File.find("Adobe"), std::string::npos);
    EXPECT_EQ(File.find("a camera's comment"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(Plain).size() + Expected.size(), Bytes.size());
}

// ExifTool is a Perl program from the Linux packages; the Windows build's
// tests under wine have none.
#ifndef _WIN32
TEST(KeepMetadata, ExifToolReadsTheCarriedFields) {
    TScratchDir Dir;
    const TCameraPhoto Photo = MakeCameraPhoto(Dir);
    const std::string Kept = Dir / "kept.jpg";
    TSignOptions Keep;
    Keep.KeepMetadata = true;
    ASSERT_TRUE(SignMediaFile("K", Photo.Path, Kept, Keep).Ok);
    const std::string Out = Dir / "fields.txt";
    const std::string Command = "exiftool -s -s -s -Make -Model " + Kept + " > " + Out;
    ASSERT_EQ(std::system(Command.c_str()), 0) << "exiftool (scripts/install-deps installs it)";
    std::ifstream In(Out);
    std::string Make, Model;
    std::getline(In, Make);
    std::getline(In, Model);
    EXPECT_EQ(Make, "Quillon Test");
    EXPECT_EQ(Model, "Bench Camera 7");
}
#endif

} // namespace
} // namespace quillon
