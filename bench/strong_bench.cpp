// Times signing and verification with a strong tag against the same work
// without one, for the 12-megapixel photo and a 512 MiB movie (page cache
// warm), beside the programs a user would run instead, as whole processes
// in the same run: djpeg and cjpeg for the photo, cat and sha256sum for
// the movie. Medians of interleaved runs; the goal is 1.1x of the run
// without a tag. Usage: strong_bench [MOVIE_MIB] (default 512).
#include "bench_jpeg.h"
#include "bench_movie.h"

#include "crypto/minisign_keys.h"
#include "engine/media_file.h"
#include "platform/thread_budget.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace quillon;
using namespace quillon::bench;

constexpr int PhotoWidth = 4000, PhotoHeight = 3000, Runs = 5;
constexpr const char* Site = "SITE-42";

void Run(const std::string& Command) {
    if (std::system(Command.c_str()) != 0)
        throw std::runtime_error("failed: " + Command);
}

void Sign(const std::string& Src, const std::string& Dst, const TSecretKey* Key) {
    TSignOptions Options;
    if (Key)
        Options.Strong = TStrongSigner{Key, 1'765'000'000};
    const TSignResult R = SignMediaFile(Site, Src, Dst, Options);
    if (!R.Ok)
        throw std::runtime_error("signing failed: " + R.Reason);
}

// The legacy check alone (what verification cost before tags), or the
// check with the tag judged against Trusted.
void VerifyLegacy(const std::string& Path) {
    if (VerifyMediaFile(Site, Path, {true}).Code != VerifyOk)
        throw std::runtime_error("verification failed: " + Path);
}

void VerifyStrong(const std::string& Path, const TTrustedKeyList& Trusted, TStrongClass Expected) {
    const TMediaVerdict V = VerifyMediaFileWithTag(Site, Path, Trusted, {true});
    if (V.Legacy.Code != VerifyOk || V.Strong.Class != Expected)
        throw std::runtime_error("verification failed: " + Path + ": " + V.Strong.Detail);
}

void Ratio(const char* What, double Tagged, double Plain) {
    std::printf("%-52s %8.1f ms | without a tag %8.1f ms | ratio %.2fx | goal <= 1.10x\n", What,
                Tagged * 1e3, Plain * 1e3, Tagged / Plain);
}

} // namespace

int main(int Argc, char** Argv) {
    const uint64_t MovieMiB = Argc > 1 ? std::strtoull(Argv[1], nullptr, 10) : 512;
    const fs::path Dir = fs::temp_directory_path() / ("quillon-strong-bench-" + std::to_string(getpid()));
    fs::create_directories(Dir);
    const auto At = [&Dir](const char* Name) { return (Dir / Name).string(); };
    const TSecretKey Key = GenerateSecretKey("bench");
    const TTrustedKeyList Trusted{Key.Public()};
    int Status = 0;
    try {
        std::printf("threads: %d\n", DefaultThreadBudget().Size());
        // ---- the photo ----
        const std::string Photo = At("photo.jpg"), Plain = At("plain.jpg"), Tagged = At("tagged.jpg");
        WriteFileBytes(Photo, EncodeWithLibrary(MakePhotoRgb(PhotoWidth, PhotoHeight), PhotoWidth,
                                                PhotoHeight, 90, 2));
        Sign(Photo, Plain, nullptr);
        Sign(Photo, Tagged, &Key);
        std::printf("photo: %dx%d, %ju bytes; signed %ju, with a tag %ju; medians of %d runs\n",
                    PhotoWidth, PhotoHeight, static_cast<uintmax_t>(fs::file_size(Photo)),
                    static_cast<uintmax_t>(fs::file_size(Plain)),
                    static_cast<uintmax_t>(fs::file_size(Tagged)), Runs);
        const std::vector<double> P = MedianSeconds({
            [&] { Sign(Photo, At("p1.jpg"), nullptr); },
            [&] { Sign(Photo, At("p2.jpg"), &Key); },
            [&] { VerifyLegacy(Plain); },
            [&] { VerifyStrong(Plain, Trusted, TStrongClass::NoTag); },
            [&] { VerifyStrong(Tagged, Trusted, TStrongClass::Original); },
            [&] { Run("djpeg '" + Photo + "' | cjpeg -quality 100 > '" + At("peer.jpg") + "'"); },
            [&] { Run("djpeg '" + Plain + "' > /dev/null"); },
        }, Runs);
        Ratio("photo: sign with a key", P[1], P[0]);
        Ratio("photo: verify a tagged copy (trusted key)", P[4], P[2]);
        Ratio("photo: verify an untagged copy, tag looked for", P[3], P[2]);
        PrintRatioRow("photo: sign without a key", P[0], "djpeg | cjpeg -quality 100", P[5], "");
        PrintRatioRow("photo: sign with a key", P[1], "djpeg | cjpeg -quality 100", P[5], "");
        PrintRatioRow("photo: verify without a tag", P[2], "djpeg > /dev/null", P[6], "");
        PrintRatioRow("photo: verify with a tag", P[4], "djpeg > /dev/null", P[6], "");

        // ---- the movie ----
        const std::string Movie = At("movie.avi"), PlainMovie = At("plain.avi"),
                          TaggedMovie = At("tagged.avi");
        WriteMovie(Movie, MovieMiB << 20);
        Sign(Movie, PlainMovie, nullptr);
        Sign(Movie, TaggedMovie, &Key);
        std::printf("movie: %ju bytes; medians of %d runs, page cache warm\n",
                    static_cast<uintmax_t>(fs::file_size(Movie)), Runs);
        const std::vector<double> M = MedianSeconds({
            [&] { Sign(Movie, At("m1.avi"), nullptr); },
            [&] { Sign(Movie, At("m2.avi"), &Key); },
            [&] { VerifyLegacy(PlainMovie); },
            [&] { VerifyStrong(TaggedMovie, Trusted, TStrongClass::Original); },
            [&] { Run("cp '" + Movie + "' '" + At("peer.avi") + "'"); },
            [&] { Run("cat '" + PlainMovie + "' > /dev/null"); },
            [&] { Run("sha256sum '" + PlainMovie + "' > /dev/null"); },
        }, Runs);
        Ratio("movie: sign with a key", M[1], M[0]);
        Ratio("movie: verify in place with a tag (trusted key)", M[3], M[2]);
        PrintRatioRow("movie: sign without a key", M[0], "cp", M[4], "");
        PrintRatioRow("movie: sign with a key", M[1], "cp", M[4], "");
        PrintRatioRow("movie: verify in place without a tag", M[2], "cat > /dev/null", M[5], "");
        PrintRatioRow("movie: verify in place with a tag", M[3], "cat > /dev/null", M[5], "");
        PrintRatioRow("movie: verify in place with a tag", M[3], "sha256sum", M[6], "");
    } catch (const std::exception& E) {
        std::fprintf(stderr, "strong_bench: %s\n", E.what());
        Status = 1;
    }
    fs::remove_all(Dir);
    return Status;
}
