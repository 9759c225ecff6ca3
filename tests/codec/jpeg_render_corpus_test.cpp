// Every file of the reference corpus renders to exactly the recorded rows,
// or fails with exactly the recorded message code.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "codec/jpeg/jpeg_decoder.h"
#include "codec/jpeg/jpeg_grey_quantizer.h"
#include "codec/jpeg/jpeg_render.h"
#include "engine/CRC32.h"
#include "support/sha256.h"
#include "support/test_support.h"
#include "support/tsv.h"

namespace quillon {
namespace {

struct TCorpusEntry {
    std::string Name;
    std::string Status;
    int ErrorCode = 0;
    int Width = 0;
    int Height = 0;
    int BytesPerPixel = 0;
    std::string RowsSha;
    std::string Crc;
    std::string IndexSha;
    std::string Category;
};

// Failure messages name the file, not the entry's bytes.
void PrintTo(const TCorpusEntry& Entry, std::ostream* Os) {
    *Os << Entry.Category << "/" << Entry.Name;
}

int NumberOrZero(const std::string& Field) {
    return Field == "-" ? 0 : std::stoi(Field);
}

std::vector<TCorpusEntry> LoadCorpus() {
    std::vector<TCorpusEntry> Entries;
    try {
        for (auto& R : test::ReadTsv(test::TestDataPath() / "jpeg" / "expected.tsv"))
            Entries.push_back({R["name"], R["status"], NumberOrZero(R["error_code"]),
                               NumberOrZero(R["width"]), NumberOrZero(R["height"]),
                               NumberOrZero(R["bytes_per_pixel"]), R["rows_sha256"], R["crc"],
                               R["index_sha256"], R["category"]});
    } catch (const std::exception&) {
        // reported below as a missing corpus
    }
    if (Entries.empty()) // the test below then reports the missing data
        Entries.push_back(TCorpusEntry{"corpus_missing", "ok", 0, 0, 0, 0, "", "", "", "none"});
    return Entries;
}

std::string TestName(const testing::TestParamInfo<TCorpusEntry>& Info) {
    std::string Out = Info.param.Category + "_" + Info.param.Name;
    for (char& C : Out)
        if (!std::isalnum(static_cast<unsigned char>(C)))
            C = '_';
    return Out;
}

std::string CrcHex(uint32_t Crc) {
    char Buffer[9];
    std::snprintf(Buffer, sizeof(Buffer), "%08X", Crc);
    return Buffer;
}

// Where two renderings first differ, to point at the failing arithmetic.
std::string FirstDifference(const TRenderedImage& Image, const std::string& Name) {
    const auto Path = test::TestDataDir() / "jpeg" / "rows" / (Name + ".bgr");
    if (!std::filesystem::exists(Path))
        return "(no recorded rows to compare)";
    const std::vector<uint8_t> Expected = test::ReadBytes(Path);
    const size_t RowBytes = 3 * static_cast<size_t>(Image.Width);
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        for (size_t X = 0; X < RowBytes; ++X) {
            const size_t At = Y * RowBytes + X;
            if (At >= Expected.size() || Expected[At] != Image.Row(Y)[X])
                return "first difference at row " + std::to_string(Y) + ", byte " +
                       std::to_string(X) + ": got " + std::to_string(Image.Row(Y)[X]) +
                       ", expected " +
                       (At < Expected.size() ? std::to_string(Expected[At]) : "nothing");
        }
    return "(rows equal the recorded ones)";
}

void ExpectRows(const TCorpusEntry& E, const TRenderedImage& Image) {
    ASSERT_EQ(Image.Width, E.Width);
    ASSERT_EQ(Image.Height, E.Height);
    const size_t RowBytes = 3 * static_cast<size_t>(Image.Width);
    test::TSha256 Sha;
    uint32_t Crc = 0;
    UpdateCRC32("SITE-42", 7, Crc);
    for (int32_t Y = 0; Y < Image.Height; ++Y) {
        Sha.Update(Image.Row(Y), RowBytes);
        UpdateCRC32(Image.Row(Y), static_cast<uint16_t>(RowBytes), Crc);
    }
    const std::string Digest = Sha.HexDigest();
    EXPECT_EQ(Digest, E.RowsSha) << FirstDifference(Image, E.Name);
    EXPECT_EQ(CrcHex(Crc), E.Crc);
}

void CheckEntry(const TCorpusEntry& E, const std::vector<uint8_t>& Data) {
    if (E.Status == "error") {
        try {
            RenderJpegMemory(Data.data(), Data.size());
            ADD_FAILURE() << "rendered, expected JPEG error #" << E.ErrorCode;
        } catch (const EJpegError& Error) {
            EXPECT_EQ(Error.MsgCode(), E.ErrorCode);
            EXPECT_EQ(std::string(Error.what()), "JPEG error #" + std::to_string(E.ErrorCode));
        }
        return;
    }
    ASSERT_EQ(E.Status, "ok");

    if (E.BytesPerPixel == 4 || E.BytesPerPixel == 2) {
        // Our rows are 3 bytes a pixel; the decoder's own output is compared.
        const TDecodedSamples S = DecodeJpegSamples(Data.data(), Data.size());
        ASSERT_EQ(S.Channels, E.BytesPerPixel);
        EXPECT_EQ(S.Width, E.Width);
        EXPECT_EQ(S.Height, E.Height);
        test::TSha256 Sha;
        for (int32_t Y = 0; Y < S.Height; ++Y)
            Sha.Update(S.Row(Y), static_cast<size_t>(S.Width) * S.Channels);
        EXPECT_EQ(Sha.HexDigest(), E.RowsSha);
        if (E.BytesPerPixel == 4) {
            const TRenderedImage Image = RenderJpegMemory(Data.data(), Data.size());
            EXPECT_EQ(Image.Width, E.Width);
            EXPECT_EQ(Image.Height, E.Height);
            EXPECT_GE(Image.Stride, 3u * Image.Width);
        } else {
            EXPECT_THROW(RenderJpegMemory(Data.data(), Data.size()), EJpegError);
        }
        return;
    }

    ExpectRows(E, RenderJpegMemory(Data.data(), Data.size()));
    // The rows as verification streams them, band by band.
    test::TSha256 Streamed;
    int32_t StreamedRows = 0;
    RenderJpegMemoryRows(Data.data(), Data.size(), [&](const uint8_t* Row, int32_t Width) {
        Streamed.Update(Row, 3 * static_cast<size_t>(Width));
        ++StreamedRows;
    });
    EXPECT_EQ(StreamedRows, E.Height);
    EXPECT_EQ(Streamed.HexDigest(), E.RowsSha) << "streamed";

    if (E.BytesPerPixel == 1) {
        const TDecodedSamples S = DecodeJpegSamples(Data.data(), Data.size());
        ASSERT_EQ(S.Channels, 1);
        TGreyQuantizer Quantizer(S.Width);
        std::vector<uint8_t> Indices(static_cast<size_t>(S.Width));
        test::TSha256 IndexSha;
        for (int32_t Y = 0; Y < S.Height; ++Y) {
            Quantizer.QuantizeRow(S.Row(Y), Indices.data());
            IndexSha.Update(Indices.data(), Indices.size());
        }
        EXPECT_EQ(IndexSha.HexDigest(), E.IndexSha);
    }
}

class JpegCorpus : public testing::TestWithParam<TCorpusEntry> {};

// Single-scan files normally decode band by band; the whole-image route of
// multi-scan files must give them the same rows and the same errors.
class WholeImageRoute {
  public:
    WholeImageRoute() { SetJpegDecodeWholeImage(true); }
    ~WholeImageRoute() { SetJpegDecodeWholeImage(false); }
};

// Single-scan files decoded ahead on a second thread, whatever their size.
class DecodeAheadRoute {
  public:
    DecodeAheadRoute() {
        SetJpegDecodeThreads(2);
        SetJpegDecodeAheadAlways(true);
    }
    ~DecodeAheadRoute() { SetJpegDecodeAheadAlways(false); }
};

TEST_P(JpegCorpus, RendersLikeTheReference) {
    const TCorpusEntry& E = GetParam();
    const auto Path = test::TestDataDir() / "jpeg" / "jpeg" / (E.Name + ".jpg");
    const std::vector<uint8_t> Data = test::ReadBytes(Path);
    {
        SCOPED_TRACE("default route");
        CheckEntry(E, Data);
    }
    {
        SCOPED_TRACE("whole-image route");
        WholeImageRoute Route;
        CheckEntry(E, Data);
    }
    {
        SCOPED_TRACE("decoding ahead on a second thread");
        DecodeAheadRoute Route;
        CheckEntry(E, Data);
    }
}

INSTANTIATE_TEST_SUITE_P(Reference, JpegCorpus, testing::ValuesIn(LoadCorpus()), TestName);

} // namespace
} // namespace quillon
