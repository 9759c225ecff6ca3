// What a call context brings to the entries: its thread budget (helpers only
// on free threads, the same results on one thread as on several), its limits,
// its byte meter, and the library loader with a batch's memo of absence.
#include "engine/call_context.h"
#include "engine/media_file.h"
#include "engine/mediasign.h"
#include "platform/byte_meter.h"
#include "support/riff_builder.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon {
namespace {

std::string Photo(test::TScanLayout Layout) {
    test::TTestPicture Picture;
    Picture.Width = 1200;
    Picture.Height = 900;
    Picture.Layout = Layout;
    Picture.Gradient = [](int X, int Y, int C) { return X / 5 + Y / 4 + C * 70; };
    const std::vector<uint8_t> Bytes = test::EncodeTestJpeg(Picture);
    return std::string(Bytes.begin(), Bytes.end());
}

// Large enough that every helper is wanted: decoding ahead (a single-scan
// photo), the second half (a progressive one), reading ahead, the copy and
// the header walk beside the checksum (a movie of 12 MB).
struct TOutcome {
    std::vector<int32_t> Codes;
    std::vector<std::vector<uint8_t>> Signed;
    bool operator==(const TOutcome&) const = default;
};

TOutcome SignAndVerifyAll(const test::TScratchDir& Dir, TCallContext Context) {
    const std::string Movie = Dir / "movie.avi", Flat = Dir / "flat.jpg", Deep = Dir / "deep.jpg";
    TOutcome Out;
    for (const std::string& Src : {Movie, Flat, Deep}) {
        const std::string Dst = Src + ".signed";
        const bool IsMovie = Src == Movie;
        const TSignResult Signed = IsMovie
                                       ? SignAviFile("SITE-42", Src.c_str(), Dst.c_str(), Context)
                                       : SignJpegFile("SITE-42", Src.c_str(), Dst.c_str(), Context);
        EXPECT_TRUE(Signed.Ok) << Src << ": " << Signed.Reason;
        Out.Signed.push_back(test::ReadBytes(Dst));
        for (const std::string& Path : {Src, Dst}) {
            if (IsMovie) {
                Out.Codes.push_back(VerifyAviFile("SITE-42", Path.c_str(), Context).Code);
                Out.Codes.push_back(VerifyAviFileInPlace("SITE-42", Path.c_str(), Context).Code);
            } else {
                Out.Codes.push_back(VerifyJpegFile("SITE-42", Path.c_str(), Context).Code);
            }
        }
    }
    return Out;
}

TEST(CallContext, OneThreadGivesTheResultsOfSeveral) {
    test::TScratchDir Dir;
    test::WriteBytes(
        Dir / "movie.avi",
        test::List("RIFF", "AVI ",
                   test::List("LIST", "movi", test::Chunk("00dc", std::string(12 << 20, 'f')))));
    test::WriteBytes(Dir / "flat.jpg", Photo(test::TScanLayout::Baseline));
    test::WriteBytes(Dir / "deep.jpg", Photo(test::TScanLayout::SimpleProgression));
    const test::TScopedEnv Temp("TEMP", Dir.Path().string().c_str());

    TThreadBudget One(1), Three(3);
    TCallContext OnOne, OnThree;
    OnOne.Threads = &One;
    OnThree.Threads = &Three;
    const TOutcome Alone = SignAndVerifyAll(Dir, OnOne);
    const TOutcome Helped = SignAndVerifyAll(Dir, OnThree);
    EXPECT_EQ(Alone, Helped);
    EXPECT_EQ(Alone.Codes, (std::vector<int32_t>{-3, -3, 1, 1, -3, 1, -3, 1}));
    EXPECT_EQ(One.PeakTaken(), 1);
    EXPECT_GE(Three.PeakTaken(), 2) << "no helper thread was used";
    EXPECT_LE(Three.PeakTaken(), 3);
}

TEST(CallContext, LimitsAndMeterComeFromTheContext) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "photo.jpg";
    const std::string Bytes = Photo(test::TScanLayout::Baseline);
    test::WriteBytes(Path, Bytes);
    TByteMeter Meter;
    TCallContext Context;
    Context.Meter = &Meter;
    EXPECT_EQ(VerifyJpegFile("SITE-42", Path.c_str(), Context).Code, VerifyNoSignature);
    EXPECT_EQ(Meter.Bytes(), Bytes.size());
    Context.Limits.MaxPixels = 1'000'000;
    const TVerifyResult Refused = VerifyJpegFile("SITE-42", Path.c_str(), Context);
    EXPECT_EQ(Refused.Code, VerifyOtherFailure);
    EXPECT_EQ(Refused.Reason, "1200 x 900 is more than 1 million pixels");
    EXPECT_EQ(VerifyJpegFile("SITE-42", Path.c_str()).Code, VerifyNoSignature);
}

// A loader that finds nothing and counts its searches.
int Searches = 0;
TLibraryLoader CountingLoader() {
    return {[](const std::string&) -> TLibraryHandle {
                ++Searches;
                return nullptr;
            },
            [](TLibraryHandle, const char*) -> void* { return nullptr; }, [](TLibraryHandle) {}};
}

TEST(CallContext, TheLibraryIsSoughtThroughTheContextsLoaderOncePerMemo) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "photo.jpg";
    test::WriteBytes(Path, Photo(test::TScanLayout::Baseline));
    TWMDllAbsenceMemo Memo;
    TCallContext Context;
    Context.Loader = CountingLoader();
    Context.LibraryMemo = &Memo;
    Searches = 0;
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(VerifyMediaFile("SITE-42", Path, {}, RealMediaEntries(Context)).Code,
                  VerifyNoSignature);
    EXPECT_EQ(Searches, 1);
    Context.LibraryMemo = nullptr;
    VerifyMediaFile("SITE-42", Path, {}, RealMediaEntries(Context));
    EXPECT_EQ(Searches, 2);
}

} // namespace
} // namespace quillon
