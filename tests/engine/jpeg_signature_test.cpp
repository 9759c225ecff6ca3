#include "codec/jpeg/jpeg_encode.h"
#include "codec/jpeg/jpeg_reencode.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/CRC32.h"
#include "engine/call_context.h"
#include "engine/jpeg_checksum.h"
#include "engine/mediasign.h"
#include "platform/byte_meter.h"
#include "platform/file_stream.h"
#include "support/test_support.h"
#include "support/tsv.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace quillon {
namespace {

using namespace quillon::test;
namespace fs = std::filesystem;
using namespace std::string_literals;

fs::path Corpus(const std::string& Name) {
    return TestDataDir() / "jpeg" / "jpeg" / (Name + ".jpg");
}

const std::string Photo = "cs_jfif_ycbcr_photo72x48";

std::string Signature(const std::string& Digits) {
    return "KvWM\0"s + Digits;
}

std::set<std::string> FolderEntries(const fs::path& Dir) {
    std::set<std::string> Names;
    for (const auto& E : fs::directory_iterator(Dir))
        Names.insert(E.path().filename().string());
    return Names;
}

// Verifies and checks that the file is byte for byte as before.
int32_t Verify(const std::string& Site, const std::string& Path) {
    const bool Exists = fs::is_regular_file(Path);
    const auto Before = Exists ? ReadBytes(Path) : std::vector<uint8_t>();
    const int32_t Code = VerifyJpeg(Site.c_str(), Path.c_str());
    if (Exists) {
        EXPECT_EQ(ReadBytes(Path), Before) << "verification changed " << Path;
    }
    return Code;
}

// ---- choosing a site code that drives the register to a wanted value -------
// The register step is linear over GF(2) when no inversion is applied, so a
// four-byte tail of the site code can be solved for.

uint32_t AdvanceZeros(uint32_t State, size_t Count) {
    for (size_t I = 0; I < Count; ++I)
        State = CRC32Table[State & 0xFF] ^ (State >> 8);
    return State;
}

// The x with Map(x) = Target, Map being linear with columns Map(1 << i).
uint32_t SolveLinear(std::array<uint32_t, 32> Col, uint32_t Target) {
    std::array<uint32_t, 32> Comb{};
    for (int I = 0; I < 32; ++I)
        Comb[I] = 1u << I;
    for (int Bit = 0; Bit < 32; ++Bit) {
        int P = Bit;
        while (P < 32 && !(Col[P] >> Bit & 1))
            ++P;
        if (P == 32)
            throw std::runtime_error("singular");
        std::swap(Col[P], Col[Bit]);
        std::swap(Comb[P], Comb[Bit]);
        for (int J = 0; J < 32; ++J)
            if (J != Bit && (Col[J] >> Bit & 1)) {
                Col[J] ^= Col[Bit];
                Comb[J] ^= Comb[Bit];
            }
    }
    uint32_t X = 0;
    for (int K = 0; K < 32; ++K)
        if (Target >> K & 1)
            X ^= Comb[K];
    return X;
}

uint32_t SolveAdvance(size_t ZeroBytes, uint32_t Target) {
    std::array<uint32_t, 32> Col{};
    for (int I = 0; I < 32; ++I)
        Col[I] = AdvanceZeros(1u << I, ZeroBytes);
    return SolveLinear(Col, Target);
}

// A site code with which the rendering of Path gives the register Wanted.
std::string SiteCodeFor(const std::string& Path, uint32_t Wanted) {
    const TRenderedImage Image = RenderJpegFile(Path);
    uint32_t Rows = 0;
    FeedRenderedRows(Image, Rows);
    const size_t Fed =
        static_cast<size_t>(Image.Height) * (static_cast<size_t>(Image.Width) * 3 % 65536);
    const uint32_t AfterSite = SolveAdvance(Fed, Wanted ^ Rows);
    for (char Prefix = 'A'; Prefix <= 'Z'; ++Prefix) {
        uint32_t P = 0;
        UpdateCRC32(&Prefix, 1, P);
        const uint32_t W = SolveAdvance(4, AfterSite) ^ P;
        std::string Site(1, Prefix);
        for (int K = 0; K < 4; ++K)
            Site.push_back(static_cast<char>(W >> (8 * K)));
        if (Site.find('\0') == std::string::npos)
            return Site;
    }
    throw std::runtime_error("no site code without NUL");
}

class JpegSignatureTest : public ::testing::Test {
  protected:
    // A signed copy of the photo, made with "SITE-42".
    std::string Signed() {
        const std::string Dst = Dir / "signed.jpg";
        EXPECT_TRUE(SignJpeg("SITE-42", Corpus(Photo).string().c_str(), Dst.c_str()));
        return Dst;
    }
    // The signed image with another comment in place of its signature.
    std::string WithComment(const std::string& Comment) {
        const std::string Out = Dir / "variant.jpg";
        CopyJpegWithComment(Signed(), Out, Comment);
        EXPECT_EQ(ReadJpegComment(Out), Comment);
        return Out;
    }
    uint32_t Register(const std::string& Site, const std::string& Path) {
        return JpegSignatureChecksum(Site.c_str(), Path);
    }
    TScratchDir Dir;
};

TEST_F(JpegSignatureTest, SignedCopyVerifiesOnlyWithItsSiteCode) {
    const std::string Src = Corpus(Photo).string();
    const auto SrcBytes = ReadBytes(Src);
    const std::string S = Signed();
    EXPECT_EQ(ReadBytes(Src), SrcBytes) << "the source is only read";
    EXPECT_EQ(Verify("SITE-42", S), VerifyOk);
    EXPECT_EQ(Verify("SITE-43", S), VerifyMismatch);
    EXPECT_EQ(Verify("", S), VerifyNoSiteCode);
    const std::string Text = ReadJpegComment(S);
    EXPECT_EQ(Text, Signature(std::to_string(static_cast<int32_t>(Register("SITE-42", S)))));
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"signed.jpg"});
}

// Data behind the image is never read: the decoder stops at the end of the
// image, and the file is read in pieces, not whole.
TEST_F(JpegSignatureTest, DataBehindTheImageIsNotRead) {
    const std::string S = Signed();
    const uint64_t ImageBytes = ReadBytes(S).size();
    {
        std::ofstream Tail(S, std::ios::binary | std::ios::app);
        const std::string Block(1 << 20, 't');
        for (int I = 0; I < 8; ++I)
            Tail << Block;
    }
    TByteMeter Meter;
    TCallContext Context;
    Context.Meter = &Meter;
    EXPECT_EQ(VerifyJpegFile("SITE-42", S.c_str(), Context).Code, VerifyOk);
    EXPECT_GT(Meter.Bytes(), 0u);
    EXPECT_LT(Meter.Bytes(), ImageBytes + (1 << 20));
}

TEST_F(JpegSignatureTest, SigningIsRepeatableAndReplacesTheDestination) {
    const std::string First = ReadJpegComment(Signed());
    WriteBytes(Dir / "signed.jpg", std::string("old content"));
    const std::string Second = ReadJpegComment(Signed());
    EXPECT_EQ(First, Second);
}

TEST_F(JpegSignatureTest, SigningASignedFileKeepsOneCommentAheadOfTheScan) {
    const std::string S = Signed();
    const std::string Again = Dir / "again.jpg";
    ASSERT_TRUE(SignJpeg("OTHER", S.c_str(), Again.c_str()));
    const auto Bytes = ReadBytes(Again);
    const std::string B(Bytes.begin(), Bytes.end());
    const size_t Sos = B.find("\xFF\xDA");
    ASSERT_NE(Sos, std::string::npos);
    size_t Coms = 0;
    for (size_t P = B.find("\xFF\xFE"); P < Sos; P = B.find("\xFF\xFE", P + 1))
        ++Coms;
    EXPECT_EQ(Coms, 1u);
    // The fixed layout, with the signature between the tables and the frame.
    EXPECT_EQ(B.substr(0, 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(B.substr(20 + 138, 2), "\xFF\xFE");
    EXPECT_EQ(Verify("OTHER", Again), VerifyOk);
    EXPECT_EQ(Verify("SITE-42", Again), VerifyMismatch);
}

TEST_F(JpegSignatureTest, GreySourceIsSignedAsColour) {
    const std::string Dst = Dir / "grey.jpg";
    ASSERT_TRUE(SignJpeg("g", Corpus("gray_photo90x60_q50").string().c_str(), Dst.c_str()));
    EXPECT_EQ(Verify("g", Dst), VerifyOk);
    EXPECT_EQ(Verify("h", Dst), VerifyMismatch);
}

TEST_F(JpegSignatureTest, EmptySiteCodeSignsButNeverVerifies) {
    const std::string Dst = Dir / "e.jpg";
    ASSERT_TRUE(SignJpeg("", Corpus(Photo).string().c_str(), Dst.c_str()));
    uint32_t Rows = 0;
    FeedRenderedRows(RenderJpegFile(Dst), Rows);
    EXPECT_EQ(ReadJpegComment(Dst), Signature(std::to_string(static_cast<int32_t>(Rows))));
    EXPECT_EQ(Verify("", Dst), VerifyNoSiteCode);
}

TEST_F(JpegSignatureTest, OnePixelChangedNoLongerVerifies) {
    const std::string S = Signed();
    TRenderedImage Image = RenderJpegFile(S);
    Image.Row(20)[3 * 30 + 1] ^= 0x40;
    const TEncodedJpeg E = EncodeJpegQuality100(Image);
    const std::string Edited = Dir / "edited.jpg";
    {
        TFileStream Out(Edited, TFileMode::CreateNew);
        Out.Write(E.Data.get(), E.Size);
    }
    WriteJpegComment(Edited, ReadJpegComment(S));
    EXPECT_EQ(Verify("SITE-42", Edited), VerifyMismatch);
}

TEST_F(JpegSignatureTest, HighRegisterValuesAreStoredSigned) {
    // Site codes chosen so that the signed copy's register is exactly the
    // wanted value.
    const std::string Reencoded = Dir / "re.jpg";
    ReencodeJpeg(Corpus(Photo).string(), Reencoded);
    for (const auto& [Wanted, Text] :
         {std::pair{0xFFFFFFFFu, "-1"s}, std::pair{0x80000000u, "-2147483648"s},
          std::pair{0x7FFFFFFFu, "2147483647"s}, std::pair{0u, "0"s}}) {
        const std::string Site = SiteCodeFor(Reencoded, Wanted);
        ASSERT_EQ(Register(Site, Reencoded), Wanted);
        const std::string Dst = Dir / "high.jpg";
        ASSERT_TRUE(SignJpeg(Site.c_str(), Corpus(Photo).string().c_str(), Dst.c_str()));
        EXPECT_EQ(ReadJpegComment(Dst), Signature(Text));
        EXPECT_EQ(Verify(Site, Dst), VerifyOk) << Text;
    }
    // The same value as unsigned decimal fails the conversion.
    const std::string Site = SiteCodeFor(Reencoded, 0xFFFFFFFFu);
    const std::string Unsigned = Dir / "unsigned.jpg";
    CopyJpegWithComment(Reencoded, Unsigned, Signature("4294967295"));
    EXPECT_EQ(Verify(Site, Unsigned), VerifyMismatch);
    CopyJpegWithComment(Reencoded, Unsigned, Signature("$FFFFFFFF"));
    EXPECT_EQ(Verify(Site, Unsigned), VerifyOk);
    // No digits at all count as 0, which matches a register of 0.
    const std::string Zero = SiteCodeFor(Reencoded, 0);
    CopyJpegWithComment(Reencoded, Unsigned, "KvWM\0"s);
    EXPECT_EQ(Verify(Zero, Unsigned), VerifyOk);
    EXPECT_EQ(Verify(Site, Unsigned), VerifyMismatch);
    CopyJpegWithComment(Reencoded, Unsigned, "KvWM"s);
    EXPECT_EQ(Verify(Zero, Unsigned), VerifyOk);
}

TEST_F(JpegSignatureTest, StoredTextVariants) {
    const std::string S = Signed();
    const std::string Digits = std::to_string(static_cast<int32_t>(Register("SITE-42", S)));
    struct TCase {
        std::string Comment;
        int32_t Expected;
    };
    const TCase Cases[] = {
        {"KvWMX" + Digits, VerifyOk},
        {"KvWM\xFF" + Digits, VerifyOk},
        {Signature(Digits + "\0garbage"s), VerifyOk},
        {Signature(Digits + "\0"s + std::string(400, '9')), VerifyOk},
        {Signature(Digits + std::string(300, '0')), VerifyMismatch},
        {Signature(std::string(256 - Digits.size(), ' ') + Digits), VerifyOk},
        {Signature(std::string(257 - Digits.size(), ' ') + Digits), VerifyMismatch},
        {Signature(" " + Digits + " "), VerifyMismatch},
        {Signature("+" + Digits), Digits[0] == '-' ? VerifyMismatch : VerifyOk},
        {"KvWm\0"s + Digits, VerifyNoSignature},
        {"KvW", VerifyNoSignature},
        {"hello", VerifyNoSignature},
        {"", VerifyNoSignature},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(Verify("SITE-42", WithComment(C.Comment)), C.Expected) << C.Comment.substr(0, 40);
}

TEST_F(JpegSignatureTest, VerificationCodesInOrder) {
    const std::string S = Signed();
    EXPECT_EQ(VerifyJpeg(nullptr, S.c_str()), VerifyNoSiteCode);
    EXPECT_EQ(Verify("", Dir / "missing.jpg"), VerifyNoSiteCode);
    EXPECT_EQ(VerifyJpeg("", ""), VerifyNoSiteCode);
    EXPECT_EQ(VerifyJpeg("x", ""), VerifyNoFile);
    EXPECT_EQ(VerifyJpeg("x", nullptr), VerifyNoFile);
    EXPECT_EQ(Verify("x", Dir / "missing.jpg"), VerifyNoFile);
    EXPECT_EQ(Verify("x", Dir.Path().string()), VerifyNoFile);
    // Unrenderable files fail before their comment is looked at.
    const std::string Text = Dir / "text.jpg";
    WriteBytes(Text, std::string("just some text\n"));
    EXPECT_EQ(Verify("x", Text), VerifyOtherFailure);
    WriteBytes(Text, "\xFF\xD8"s +
                         "\xFF\xFE\x00\x07KvWM\0"
                         "1"s +
                         "text");
    EXPECT_EQ(Verify("x", Text), VerifyOtherFailure);
    EXPECT_EQ(Verify("x", Corpus("err_not_jpeg_text").string()), VerifyOtherFailure);
    // A renderable file without a signature.
    EXPECT_EQ(Verify("x", Corpus(Photo).string()), VerifyNoSignature);
    EXPECT_EQ(Verify("x", Corpus("mk_com_before_sof_photo64x40").string()), VerifyNoSignature);
}

TEST_F(JpegSignatureTest, SigningFailuresGiveFalse) {
    const std::string Src = Corpus(Photo).string();
    // No source and no destination: nothing is written.
    EXPECT_FALSE(SignJpeg("s", (Dir / "none.jpg").c_str(), (Dir / "d.jpg").c_str()));
    EXPECT_TRUE(FolderEntries(Dir.Path()).empty());
    // A destination that cannot be created.
    EXPECT_FALSE(SignJpeg("s", Src.c_str(), (Dir / "gone/d.jpg").c_str()));
    EXPECT_FALSE(SignJpeg("s", Src.c_str(), Dir.Path().string().c_str()));
    // A source that does not render.
    EXPECT_FALSE(
        SignJpeg("s", Corpus("err_not_jpeg_text").string().c_str(), (Dir / "d.jpg").c_str()));
    EXPECT_FALSE(SignJpeg(nullptr, Src.c_str(), (Dir / "d.jpg").c_str()));
    EXPECT_TRUE(FolderEntries(Dir.Path()).empty());
}

TEST_F(JpegSignatureTest, MissingSourceSignsTheExistingDestination) {
    const std::string Dst = Dir / "d.jpg";
    fs::copy_file(Corpus("gray_photo90x60_q50"), Dst);
    ASSERT_TRUE(SignJpeg("grey", (Dir / "none.jpg").c_str(), Dst.c_str()));
    // Still the one-component original, now carrying a signature over g, g, g rows.
    EXPECT_EQ(Verify("grey", Dst), VerifyOk);
    EXPECT_EQ(Verify("grau", Dst), VerifyMismatch);
}

// ---- the reference files -------------------------------------------------

TEST(JpegSignatureReference, FilesSignedElsewhereVerify) {
    const fs::path Base = TestDataDir() / "jpeg-signed";
    auto Rows = ReadTsv(Base / "expected.tsv");
    ASSERT_GE(Rows.size(), 20u);
    for (auto& R : Rows) {
        const std::string Path = (Base / "jpeg" / (R["name"] + ".jpg")).string();
        EXPECT_EQ(Verify(FromHex(R["site_code_hex"]), Path), std::stoi(R["expected"])) << R["name"];
        EXPECT_EQ(Verify(FromHex(R["other_site_code_hex"]), Path), std::stoi(R["expected_other"]))
            << R["name"] << " (other site code)";
    }
}

TEST(JpegSignatureReference, EveryRenderableCorpusFileWithItsChecksum) {
    // The corpus lists each file's register for "SITE-42"; stored as a
    // signature it must verify, grey files (g, g, g) and wide rows included.
    TScratchDir Dir;
    int Verified = 0;
    for (auto& R : ReadTsv(TestDataDir() / "jpeg" / "expected.tsv")) {
        if (R["status"] != "ok" || R["crc"] == "-")
            continue;
        const std::string& Name = R["name"];
        const int32_t Crc = static_cast<int32_t>(std::stoul(R["crc"], nullptr, 16));
        const std::string Out = Dir / "c.jpg";
        const std::string Comment = Signature(std::to_string(Crc));
        try {
            CopyJpegWithComment(Corpus(Name).string(), Out, Comment);
        } catch (const EFileError&) {
            continue; // a header the comment would not read back from
        }
        // What the inserter accepts, the reader reads back.
        EXPECT_EQ(ReadJpegComment(Out), Comment) << Name;
        EXPECT_EQ(Verify("SITE-42", Out), VerifyOk) << Name;
        ++Verified;
    }
    EXPECT_GT(Verified, 250);
}

} // namespace
} // namespace quillon
