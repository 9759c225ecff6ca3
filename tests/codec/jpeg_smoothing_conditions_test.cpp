// When the reference decoder smooths: checked on the decoder state the
// library leaves after reading progressive files we encode and cut here.
#include "codec/jpeg/jpeg_block_smoothing.h"

#include "support/test_jpeg.h"
#include "support/test_support.h"
#include "support/tsv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;

// How the test file is laid out in scans.
using TLayout = test::TScanLayout;

// 40 x 24 with a noisy gradient; Script is used with TLayout::Script.
TBytes Encode(int Components, TLayout Layout, const std::vector<jpeg_scan_info>& Script = {}) {
    test::TTestPicture Picture;
    Picture.Width = 40;
    Picture.Height = 24;
    Picture.Components = Components;
    Picture.Quality = 75;
    Picture.Layout = Layout;
    Picture.Script = Script;
    Picture.Seed = 12345;
    Picture.Gradient = [Components](int X, int Y, int C) {
        return (X * Components + C) * 3 + Y * 5;
    };
    return test::EncodeTestJpeg(Picture);
}

struct TSpan {
    size_t Begin; // at the SOS marker
    size_t End;   // past the scan's entropy data
};

std::vector<TSpan> ScanSpans(const TBytes& File) {
    std::vector<TSpan> Spans;
    size_t Pos = 2; // past SOI
    while (Pos + 4 <= File.size() && File[Pos + 1] != 0xD9) {
        if (File[Pos] != 0xFF) {
            throw std::runtime_error("marker expected");
        }
        const size_t Begin = Pos;
        const uint8_t Marker = File[Pos + 1];
        Pos += 2 + static_cast<size_t>(File[Pos + 2] << 8 | File[Pos + 3]);
        if (Marker != 0xDA) {
            continue;
        }
        // Entropy data runs to the next marker that is neither a stuffed
        // zero nor a restart.
        while (Pos + 1 < File.size() &&
               !(File[Pos] == 0xFF && File[Pos + 1] != 0 && (File[Pos + 1] & 0xF8) != 0xD0)) {
            ++Pos;
        }
        Spans.push_back({Begin, Pos});
    }
    return Spans;
}

// Keeps the file up to the end of the entropy data of scan Count.
TBytes CutAfterScans(const TBytes& File, int Count) {
    const auto Spans = ScanSpans(File);
    return TBytes(File.begin(),
                  File.begin() + static_cast<long>(Spans.at(static_cast<size_t>(Count - 1)).End));
}

// The file without scan Index (counted from 1).
TBytes DropScan(const TBytes& File, int Index) {
    const TSpan Span = ScanSpans(File).at(static_cast<size_t>(Index - 1));
    TBytes Out(File.begin(), File.begin() + static_cast<long>(Span.Begin));
    Out.insert(Out.end(), File.begin() + static_cast<long>(Span.End), File.end());
    return Out;
}

// Reads every scan present and asks whether smoothing applies.
bool SmoothsAfterReading(const TBytes& File) {
    test::TJpegReader Reader(File);
    jpeg_read_header(&Reader.Info, TRUE);
    jpeg_read_coefficients(&Reader.Info);
    return BlockSmoothingApplies(Reader.Info);
}

TEST(BlockSmoothingApplies, NeverForSequentialOrCompleteProgressiveFiles) {
    for (int Components : {1, 3}) {
        EXPECT_FALSE(SmoothsAfterReading(Encode(Components, TLayout::Baseline)));
        EXPECT_FALSE(SmoothsAfterReading(Encode(Components, TLayout::SimpleProgression)));
        // A sequential file cut after its scan is still never smoothed.
        const TBytes Sequential = Encode(Components, TLayout::Baseline);
        EXPECT_FALSE(SmoothsAfterReading(TBytes(Sequential.begin(), Sequential.end() - 2)));
    }
}

// The grey simple progression: DC (Al 1), AC 1-5 (Al 2), AC 6-63 (Al 2),
// AC 1-63 refined to Al 1, DC refined, AC 1-63 refined to Al 0. Until the
// last scan some of the first five AC coefficients lack bits.
TEST(BlockSmoothingApplies, GreyProgressiveCutBeforeLastRefinement) {
    const TBytes File = Encode(1, TLayout::SimpleProgression);
    for (int Scans = 1; Scans <= 5; ++Scans) {
        EXPECT_TRUE(SmoothsAfterReading(CutAfterScans(File, Scans))) << Scans << " scans";
    }
    EXPECT_FALSE(SmoothsAfterReading(CutAfterScans(File, 6)));
}

jpeg_scan_info Scan(std::initializer_list<int> Comps, int Ss, int Se, int Ah, int Al) {
    jpeg_scan_info S{};
    S.comps_in_scan = static_cast<int>(Comps.size());
    int I = 0;
    for (int C : Comps) {
        S.component_index[I++] = C;
    }
    S.Ss = Ss;
    S.Se = Se;
    S.Ah = Ah;
    S.Al = Al;
    return S;
}

// Every component needs its DC before anything is smoothed, and once it
// applies, a single component's missing low AC bits are enough.
TEST(BlockSmoothingApplies, NeedsEveryComponentsDcAndSomeMissingLowAc) {
    const std::vector<jpeg_scan_info> Script = {
        Scan({0}, 0, 0, 0, 0),  Scan({1}, 0, 0, 0, 0),  Scan({2}, 0, 0, 0, 0),
        Scan({0}, 1, 5, 0, 0),  Scan({1}, 1, 5, 0, 0),  Scan({2}, 1, 5, 0, 0),
        Scan({0}, 6, 63, 0, 0), Scan({1}, 6, 63, 0, 0), Scan({2}, 6, 63, 0, 0)};
    const TBytes File = Encode(3, TLayout::Script, Script);
    EXPECT_FALSE(SmoothsAfterReading(CutAfterScans(File, 1))) << "components 1, 2 unseen";
    EXPECT_FALSE(SmoothsAfterReading(CutAfterScans(File, 2))) << "component 2 unseen";
    EXPECT_TRUE(SmoothsAfterReading(CutAfterScans(File, 3)));
    EXPECT_TRUE(SmoothsAfterReading(CutAfterScans(File, 5))) << "component 2 lacks AC 1-5";
    // The first five AC coefficients are exact everywhere; the missing
    // higher ones do not call for smoothing.
    EXPECT_FALSE(SmoothsAfterReading(CutAfterScans(File, 6)));
    EXPECT_FALSE(SmoothsAfterReading(File));
}

// A component whose AC arrived without its DC (the DC scan is lost) has a
// table but no known DC: nothing is smoothed.
TEST(BlockSmoothingApplies, NeedsKnownDcEvenWhenTableIsLatched) {
    const std::vector<jpeg_scan_info> Script = {Scan({0}, 0, 0, 0, 0),  Scan({1}, 0, 0, 0, 0),
                                                Scan({2}, 0, 0, 0, 0),  Scan({1}, 1, 63, 0, 0),
                                                Scan({2}, 1, 63, 0, 0), Scan({0}, 1, 63, 0, 0)};
    const TBytes File = CutAfterScans(Encode(3, TLayout::Script, Script), 4);
    ASSERT_TRUE(SmoothsAfterReading(File));
    EXPECT_FALSE(SmoothsAfterReading(DropScan(File, 2)));
}

// A zero among the table entries the estimates divide by turns smoothing off.
TEST(BlockSmoothingApplies, ZeroQuantisationEntryDisablesIt) {
    TBytes File = CutAfterScans(Encode(1, TLayout::SimpleProgression), 2);
    ASSERT_TRUE(SmoothsAfterReading(File));
    // The first DQT segment: FF DB, length, Pq/Tq, then 64 entries in zigzag order.
    size_t Dqt = 2;
    while (!(File[Dqt] == 0xFF && File[Dqt + 1] == 0xDB)) {
        Dqt += 2 + static_cast<size_t>(File[Dqt + 2] << 8 | File[Dqt + 3]);
    }
    ASSERT_EQ(File[Dqt + 4] >> 4, 0) << "8-bit table expected";
    for (int Zigzag = 0; Zigzag <= 5; ++Zigzag) {
        TBytes Patched = File;
        Patched[Dqt + 5 + static_cast<size_t>(Zigzag)] = 0;
        EXPECT_FALSE(SmoothsAfterReading(Patched)) << "zigzag entry " << Zigzag;
    }
    TBytes Patched = File;
    Patched[Dqt + 5 + 6] = 0;
    EXPECT_TRUE(SmoothsAfterReading(Patched)) << "entry 6 is not used by the estimates";
}

// The reference corpus marks the files whose rows smoothing changes. On it
// the decision matches exactly: no file there is smoothed without effect.
TEST(BlockSmoothingApplies, MatchesReferenceCorpus) {
    const auto Dir = test::TestDataDir() / "jpeg";
    int Smoothed = 0;
    int Checked = 0;
    for (auto& Row : test::ReadTsv(Dir / "expected.tsv")) {
        if (Row["status"] != "ok")
            continue;
        const bool Want = Row["smoothing_changes_output"] == "yes";
        const TBytes File = test::ReadBytes(Dir / "jpeg" / (Row["name"] + ".jpg"));
        EXPECT_EQ(SmoothsAfterReading(File), Want) << Row["name"];
        Smoothed += Want ? 1 : 0;
        ++Checked;
    }
    EXPECT_GT(Smoothed, 0);
    EXPECT_GT(Checked, Smoothed);
}

} // namespace
} // namespace quillon
