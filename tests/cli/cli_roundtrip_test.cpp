// The executable against the real engine and the reference data: signing
// and verifying round trips, the files signed by the reference system, the
// render checksum and the trace switch.
#include "cli/cli_process.h"
#include "engine/CRC32.h"
#include "support/test_support.h"
#include "support/tsv.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

// A path as tab-separated lines write it: these paths hold no byte that
// needs escaping other than the backslashes of Windows paths.
std::string TsvPath(std::string Path) {
    for (size_t At = 0; (At = Path.find('\\', At)) != std::string::npos; At += 2)
        Path.insert(At, 1, '\\');
    return Path;
}

// A verify line of a file without a strong tag: the strong fields say
// so (or that the file could not be checked) and are empty otherwise.
std::string VerifyLine(const std::string& Path, int Code, const std::string& Verdict,
                       const std::string& Reason = "", const std::string& Strong = "no-tag") {
    return TsvPath(Path) + "\t" + std::to_string(Code) + "\t" + Verdict + "\t" + Reason + "\t" +
           Strong + "\t\t\t\t\n";
}
const std::string TextOriginal = "Original image file !!";
const std::string TextChanged = "Entire image changed or wrong SITE-CODE !!";

uint32_t LittleEndian32(const std::vector<uint8_t>& B, size_t At) {
    return B[At] | B[At + 1] << 8 | B[At + 2] << 16 | static_cast<uint32_t>(B[At + 3]) << 24;
}

TEST(CliRoundTrip, MissingTempFolderGivesTheTempMessage) {
    const fs::path Signed = TestDataDir() / "avi" / "signed_mjpeg_pcm.avi";
    const TScopedEnv Temp("TEMP", "");
    const TCliRun Run = RunCliProcess({"verify", "--site-code", "SITE-42", Signed.string()});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, VerifyLine(Signed.string(), -4,
                                  "In your system, the environment value as \"TEMP\" is not set. "
                                  "It is very important system environment value. Pleas check "
                                  "it, and try again.",
                                  "TEMP is not set", "not-checked"));
}

TEST(CliRoundTrip, SignFailuresSayWhy) {
    TScratchDir Dir;
    const std::string Text = Dir / "notes.jpg";
    WriteBytes(Text, std::string("plain text"));
    const std::string Tiny = Dir / "tiny.avi";
    WriteBytes(Tiny, std::string(11, 'R'));
    const std::string Clip = Dir / "clip.avi";
    fs::copy_file(TestDataDir() / "avi" / "ff_rawvideo_bgr24_tiny.avi", Clip);
    const std::string Nowhere = Dir / "no/such/folder/clip.avi";
    const std::vector<std::pair<std::vector<std::string>, std::string>> Cases = {
        {{Text}, "JPEG error #53"},
        {{Tiny}, "shorter than its 12-byte RIFF header"},
        {{Clip, Nowhere}, "does not exist"},
    };
    for (const auto& [Paths, Reason] : Cases) {
        std::vector<std::string> Args{"sign", "--site-code", "K", Paths[0]};
        if (Paths.size() > 1)
            Args.insert(Args.end(), {"--out", Paths[1]});
        const TCliRun Run = RunCliProcess(Args);
        const std::string Dst =
            Paths.size() > 1 ? Paths[1] : Paths[0] + (Paths[0] == Text ? ".mod.jpg" : ".mod.avi");
        EXPECT_EQ(Run.Status, 1) << Dst;
        EXPECT_EQ(Lines(Run.Err).size(), 1u) << Run.Err;
        EXPECT_NE(Run.Err.find(Dst), std::string::npos) << Run.Err;
        EXPECT_NE(Run.Err.find(Reason), std::string::npos) << Run.Err;
        EXPECT_FALSE(fs::exists(Dst));
    }
}

// The register over the key alone, carried over Count zero bytes: what the
// key adds to the checksum of data Count bytes long (the register is linear).
uint32_t KeyContribution(const std::string& Key, uint64_t RowCount, uint16_t RowBytes) {
    uint32_t Crc = 0;
    UpdateCRC32(Key.data(), static_cast<uint16_t>(Key.size()), Crc);
    const std::vector<uint8_t> Zeros(65535, 0);
    for (uint64_t Y = 0; Y < RowCount; ++Y)
        UpdateCRC32(Zeros.data(), RowBytes, Crc);
    return Crc;
}

struct TRendered {
    int Width = 0, Height = 0;
    uint32_t Checksum = 0;
};

TRendered ParseRender(const std::string& Out) {
    TRendered R;
    const auto L = Lines(Out);
    EXPECT_EQ(L.size(), 3u) << Out;
    if (L.size() != 3)
        return R;
    EXPECT_EQ(L[0].rfind("width: ", 0), 0u);
    EXPECT_EQ(L[1].rfind("height: ", 0), 0u);
    EXPECT_EQ(L[2].rfind("checksum: ", 0), 0u);
    EXPECT_EQ(L[2].size(), 18u) << L[2];
    R.Width = std::stoi(L[0].substr(7));
    R.Height = std::stoi(L[1].substr(8));
    R.Checksum = static_cast<uint32_t>(std::stoul(L[2].substr(10), nullptr, 16));
    return R;
}

TEST(CliRoundTrip, AviSignedCopyCarriesTheKeyedChecksumsAndVerifies) {
    const fs::path Data = TestDataDir() / "avi";
    const auto Row = TsvRow(Data / "expected_avi.tsv", "ff_rawvideo_bgr24_tiny.avi");
    TScratchDir Dir;
    const std::string Src = Dir / "Clip.AVI";
    fs::copy_file(Data / "ff_rawvideo_bgr24_tiny.avi", Src);
    const std::vector<uint8_t> Original = ReadBytes(Src);

    TCliRun Run = RunCliProcess({"sign", "--site-code", "SITE-42", Src});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::string Dst = Src + ".mod.avi";
    EXPECT_EQ(Run.Out, TsvPath(Dst) + "\n");
    const std::vector<uint8_t> Signed = ReadBytes(Dst);
    ASSERT_EQ(Signed.size(), Original.size() + 20);
    EXPECT_EQ(LittleEndian32(Signed, Signed.size() - 8),
              std::stoul(Row.at("headercrc"), nullptr, 16));
    EXPECT_EQ(LittleEndian32(Signed, Signed.size() - 4),
              std::stoul(Row.at("filecrc"), nullptr, 16));

    Run = RunCliProcess({"verify", "--site-code", "SITE-42", Dst});
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Out, VerifyLine(Dst, 1, TextOriginal));
    Run = RunCliProcess({"verify", "--site-code", "SITE-43", Dst, Src});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, VerifyLine(Dst, 0, TextChanged) +
                           VerifyLine(Src, -3, TextChanged, "no signature trailer"));
    EXPECT_EQ(ReadBytes(Src), Original);
    EXPECT_EQ(ReadBytes(Dst), Signed);
}

TEST(CliRoundTrip, JpegSignedWithAKeyFromStandardInput) {
    TScratchDir Dir;
    const std::string Src = Dir / "photo.jpg";
    fs::copy_file(TestDataDir() / "jpeg" / "jpeg" / "q100like_reencode_rose.jpg", Src);
    const std::vector<uint8_t> Original = ReadBytes(Src);
    const std::string Key = " key\twith blanks \xE9";

    TCliRun Run = RunCliProcess({"sign", "--site-code", "-", Src}, Key + "\r\nnot the key\n");
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::string Dst = Src + ".mod.jpg";
    EXPECT_EQ(Run.Out, TsvPath(Dst) + "\n");
    EXPECT_EQ(ReadBytes(Src), Original);

#ifdef _WIN32
    // An argument is keyed in the ANSI code page: "\xC3\xA9" is the e with
    // an acute accent, one byte 0xE9 there.
    if (::GetACP() != 1252)
        GTEST_SKIP() << "assumes the Western European code page";
    const std::string KeyArgument = " key\twith blanks \xC3\xA9";
#else
    const std::string KeyArgument = Key;
#endif
    Run = RunCliProcess({"verify", "--site-code", KeyArgument, Dst});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, VerifyLine(Dst, 1, TextOriginal));
    // The line end was not part of the key, but every blank was.
    Run = RunCliProcess({"verify", "--site-code", "-", Dst}, Key.substr(1) + "\n");
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, VerifyLine(Dst, 0, TextChanged));
    // No key at all is a usage error, not a verdict.
    Run = RunCliProcess({"verify", "--site-code", "-", Dst}, "");
    EXPECT_EQ(Run.Status, 2);
    EXPECT_EQ(Run.Out, "");

    // The stored number is the keyed checksum of the copy's own rows.
    Run = RunCliProcess({"render", Dst});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const TRendered R = ParseRender(Run.Out);
    const uint32_t Keyed = R.Checksum ^ KeyContribution(Key, static_cast<uint64_t>(R.Height),
                                                        static_cast<uint16_t>(3 * R.Width));
    Run = RunCliProcess({"comment", Dst});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::string Number = std::to_string(static_cast<int32_t>(Keyed));
    EXPECT_EQ(Lines(Run.Out)[1], "text: KvWM\\x00" + Number);
}

// Every decodable file of the corpus, so a build for another system is held
// to the same rows.
TEST(CliRender, ChecksumAndRowsAgreeWithTheCorpus) {
    const fs::path Data = TestDataDir() / "jpeg";
    int Checked = 0;
    for (const auto& Row : ReadTsv(Data / "expected.tsv")) {
        if (Row.at("status") != "ok" || Row.at("crc") == "-")
            continue;
        const std::string& Name = Row.at("name");
        SCOPED_TRACE(Name);
        ++Checked;
        TScratchDir Dir;
        const std::string Bgr = Dir / "rows.bgr";
        const TCliRun Run =
            RunCliProcess({"render", (Data / "jpeg" / (Name + ".jpg")).string(), "--out", Bgr});
        ASSERT_EQ(Run.Status, 0) << Run.Err;
        const TRendered R = ParseRender(Run.Out);
        EXPECT_EQ(R.Width, std::stoi(Row.at("width")));
        EXPECT_EQ(R.Height, std::stoi(Row.at("height")));
        const auto RowBytes = static_cast<uint16_t>((3 * R.Width) & 0xFFFF);
        EXPECT_EQ(R.Checksum ^
                      KeyContribution("SITE-42", static_cast<uint64_t>(R.Height), RowBytes),
                  std::stoul(Row.at("crc"), nullptr, 16));
        const fs::path Reference = Data / "rows" / (Name + ".bgr");
        if (fs::exists(Reference))
            EXPECT_EQ(ReadBytes(Bgr), ReadBytes(Reference));
        else
            EXPECT_EQ(fs::file_size(Bgr), 3u * static_cast<uintmax_t>(R.Width) * R.Height);
    }
    EXPECT_GE(Checked, 200);
}

TEST(CliRender, PpmHasTheRowsInRedGreenBlue) {
    const fs::path Data = TestDataDir() / "jpeg";
    TScratchDir Dir;
    const std::string Ppm = Dir / "rose.ppm";
    const TCliRun Run =
        RunCliProcess({"render", (Data / "jpeg" / "samp_13_rose_q75.jpg").string(), "--out", Ppm});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::vector<uint8_t> Bgr = ReadBytes(Data / "rows" / "samp_13_rose_q75.bgr");
    const std::vector<uint8_t> File = ReadBytes(Ppm);
    const std::string Header = "P6\n70 46\n255\n";
    ASSERT_EQ(File.size(), Header.size() + Bgr.size());
    for (size_t I = 0; I < Bgr.size(); I += 3) {
        ASSERT_EQ(File[Header.size() + I], Bgr[I + 2]) << I;
        ASSERT_EQ(File[Header.size() + I + 1], Bgr[I + 1]) << I;
        ASSERT_EQ(File[Header.size() + I + 2], Bgr[I]) << I;
    }
}

TEST(CliRender, PpmOfAnRgbCodedFileKeepsItsStoredOrder) {
    // RGB-coded rows already hold red, green, blue; swapping them would
    // give the picture the wrong colours.
    const fs::path Data = TestDataDir() / "jpeg";
    TScratchDir Dir;
    const std::string Ppm = Dir / "rgb.ppm";
    const TCliRun Run = RunCliProcess(
        {"render", (Data / "jpeg" / "cs_rgb_adobe0_idsRGB_photo72x48.jpg").string(), "--out", Ppm});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::vector<uint8_t> Rows =
        ReadBytes(Data / "rows" / "cs_rgb_adobe0_idsRGB_photo72x48.bgr");
    const std::vector<uint8_t> File = ReadBytes(Ppm);
    const std::string Header = "P6\n72 48\n255\n";
    ASSERT_EQ(File.size(), Header.size() + Rows.size());
    EXPECT_TRUE(std::equal(Rows.begin(), Rows.end(), File.begin() + Header.size()));
}

TEST(CliRender, CodecErrorsFailWithTheirCode) {
    const fs::path Data = TestDataDir() / "jpeg";
    for (const auto& Row : ReadTsv(Data / "expected.tsv")) {
        if (Row.at("status") != "error")
            continue;
        const TCliRun Run =
            RunCliProcess({"render", (Data / "jpeg" / (Row.at("name") + ".jpg")).string()});
        EXPECT_EQ(Run.Status, 1) << Row.at("name");
        EXPECT_EQ(Run.Out, "");
        EXPECT_NE(Run.Err.find("JPEG error #" + Row.at("error_code")), std::string::npos)
            << Row.at("name") << ": " << Run.Err;
    }
}

TEST(CliReference, SignedJpegsVerifyWithTheirOwnSiteCodeOnly) {
    const fs::path Data = TestDataDir() / "jpeg-signed";
    const auto Rows = ReadTsv(Data / "expected.tsv");
    ASSERT_GE(Rows.size(), 8u);
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.at("name"));
        const std::string Path = (Data / "jpeg" / (Row.at("name") + ".jpg")).string();
        for (const auto& [KeyColumn, CodeColumn] :
             {std::pair{"site_code_hex", "expected"}, {"other_site_code_hex", "expected_other"}}) {
            const std::string Key = FromHex(Row.at(KeyColumn));
            ASSERT_EQ(Key.find_first_of("\n\0", 0, 2), std::string::npos);
            const int Code = std::stoi(Row.at(CodeColumn));
            const TCliRun Run =
                RunCliProcess({"verify", "--json", "--site-code", "-", Path}, Key + "\n");
            EXPECT_EQ(Run.Status, Code == 1 ? 0 : 1);
            EXPECT_NE(Run.Out.find("\"code\":" + std::to_string(Code) + ","), std::string::npos)
                << Run.Out;
        }
    }
}

// The verdict codes of a verify run's lines, by file name.
std::map<std::string, int> CodesByName(const std::string& Out) {
    std::map<std::string, int> Codes;
    for (const std::string& Line : Lines(Out)) {
        const size_t Tab = Line.find('\t');
        Codes[fs::path(Line.substr(0, Tab)).filename().string()] = std::stoi(Line.substr(Tab + 1));
    }
    return Codes;
}

TEST(CliReference, EveryMovieGivesItsCodesAsFoundAndSigned) {
    const fs::path Data = TestDataDir() / "avi";
    const auto Rows = ReadTsv(Data / "expected_avi.tsv");
    ASSERT_GE(Rows.size(), 40u);
    const auto Found =
        CodesByName(RunCliProcess({"verify", "--site-code", "SITE-42", Data.string()}).Out);
    TScratchDir Signed;
    for (const auto& Row : Rows) {
        const std::string& Name = Row.at("name");
        SCOPED_TRACE(Name);
        EXPECT_EQ(Found.count(Name) ? Found.at(Name) : 99, std::stoi(Row.at("verify_site42")));
        const TCliRun Run = RunCliProcess(
            {"sign", "--site-code", "SITE-42", (Data / Name).string(), "--out", Signed / Name});
        EXPECT_EQ(Run.Status, Row.at("verify_signed_site42") == "-" ? 1 : 0) << Run.Err;
    }
    const auto Codes = CodesByName(
        RunCliProcess({"verify", "--site-code", "SITE-42", Signed.Path().string()}).Out);
    for (const auto& Row : Rows) {
        if (Row.at("verify_signed_site42") == "-")
            continue;
        const std::string& Name = Row.at("name");
        EXPECT_EQ(Codes.count(Name) ? Codes.at(Name) : 99,
                  std::stoi(Row.at("verify_signed_site42")))
            << Name;
    }
}

// Undoes the comment command's printable form (\xHH and \\).
std::string Unescape(const std::string& Text) {
    std::string Bytes;
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\\' || I + 1 >= Text.size()) {
            Bytes += Text[I];
        } else if (Text[I + 1] == 'x' && I + 3 < Text.size()) {
            Bytes += static_cast<char>(std::stoi(Text.substr(I + 2, 2), nullptr, 16));
            I += 3;
        } else {
            Bytes += Text[++I];
        }
    }
    return Bytes;
}

TEST(CliReference, CommentTextHexAndLengthTellTheSameBytes) {
    const fs::path Data = TestDataDir() / "jpeg-signed" / "jpeg";
    for (const char* Name : {"var_nul_then_junk.jpg", "var_long.jpg", "var_fifth_byte.jpg"}) {
        SCOPED_TRACE(Name);
        const TCliRun Run = RunCliProcess({"comment", (Data / Name).string()});
        ASSERT_EQ(Run.Status, 0) << Run.Err;
        const auto L = Lines(Run.Out);
        ASSERT_EQ(L.size(), 3u) << Run.Out;
        ASSERT_EQ(L[0].rfind("length: ", 0), 0u);
        ASSERT_EQ(L[1].rfind("text: ", 0), 0u);
        ASSERT_EQ(L[2].rfind("hex: ", 0), 0u);
        const std::string Bytes = FromHex(L[2].substr(5));
        EXPECT_EQ(Bytes.size(), std::stoul(L[0].substr(8)));
        EXPECT_EQ(Unescape(L[1].substr(6)), Bytes);
        EXPECT_EQ(Bytes.substr(0, 4), "KvWM");
    }
}

TEST(CliTrace, DiagnosticLinesOnlyWithTrace) {
    const fs::path Signed = TestDataDir() / "avi" / "signed_mjpeg_pcm.avi";
    TCliRun Run = RunCliProcess({"verify", "--site-code", "SITE-42", Signed.string()});
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    Run = RunCliProcess({"--trace", "verify", "--site-code", "SITE-42", Signed.string()});
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Out, VerifyLine(Signed.string(), 1, TextOriginal));
    bool SawHeader = false, SawChunk = false;
    for (const std::string& Line : Lines(Run.Err)) {
        EXPECT_EQ(Line.rfind("quillon-cli trace: ", 0), 0u) << Line;
        SawHeader |= Line.rfind("quillon-cli trace: L:5453494C (", 0) == 0;
        SawChunk |= Line.rfind("quillon-cli trace: C:", 0) == 0;
    }
    EXPECT_TRUE(SawHeader && SawChunk) << Run.Err;
}

// A name beyond ASCII, given as an argument or found in its folder.
TEST(CliRoundTrip, NonAsciiNameVerifiesAsArgumentAndInAFolder) {
    TScratchDir Dir;
    const fs::path File = Dir.Path() / fs::path(u8"caf\u00E9.jpg");
    WriteBytes(File, ReadBytes(TestDataDir() / "jpeg-signed" / "jpeg" /
                               "signed_q090_420_plasma128x96.jpg"));
    const std::u8string Utf8 = File.u8string();
    const std::string Path(Utf8.begin(), Utf8.end());
    const std::string Line = VerifyLine(Path, 1, TextOriginal);
    EXPECT_EQ(RunCliProcess({"verify", "--site-code", "SITE-42", Path}).Out, Line);
    EXPECT_EQ(RunCliProcess({"verify", "--site-code", "SITE-42", Dir.Path().string()}).Out, Line);
}

TEST(CliRoundTrip, BatchExitStatusFollowsTheWorstFile) {
    const fs::path Data = TestDataDir();
    TScratchDir Dir;
    fs::copy_file(Data / "avi" / "signed_mjpeg_pcm.avi", Dir / "a.avi");
    fs::copy_file(Data / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg",
                  Dir / "b.jpg");
    TCliRun Run = RunCliProcess({"verify", "--site-code", "SITE-42", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_EQ(Run.Out, VerifyLine(Dir / "a.avi", 1, TextOriginal) +
                           VerifyLine(Dir / "b.jpg", 1, TextOriginal));

    const std::string Missing = Dir / "gone.jpg";
    Run = RunCliProcess({"verify", "--site-code", "SITE-42", Dir.Path().string(), Missing});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Lines(Run.Out).back(), TsvPath(Missing) + "\t-2\tInvalid file\tnot found\tnot-checked\t\t\t\t");
}

} // namespace
} // namespace quillon::test
