// Which digest the strong signatures use: libsodium's BLAKE2b-256 against
// its SHA-256 over the same large buffer in memory, and the tiled pixel
// digest and blocked movie digest built on the chosen one, each against a
// plain pass of the same digest, in the same run. Prints the medians of
// interleaved runs in MB/s of processor time (the machine may be shared; the
// work is on one thread) and the ratios.
//   digest_bench [MEBIBYTES]   default 256
#include "crypto/digest.h"
#include "crypto/movie_digest.h"
#include "crypto/pixel_digest.h"

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace quillon;

constexpr int Runs = 7;

// Processor time of this single-threaded process.
double Seconds(const std::function<void()>& Work) {
    const std::clock_t Start = std::clock();
    Work();
    return static_cast<double>(std::clock() - Start) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

volatile uint8_t Sink;

} // namespace

int main(int Argc, char** Argv) {
    const size_t MiB = Argc > 1 ? static_cast<size_t>(std::atoi(Argv[1])) : 256;
    std::vector<uint8_t> Data(MiB << 20);
    std::mt19937 Rng(1);
    for (uint8_t& B : Data)
        B = static_cast<uint8_t>(Rng());

    // A 12-megapixel photo's rows (4000 x 3000 x 3 bytes) out of the same buffer.
    const uint32_t Width = 4000, Height = 3000;
    const size_t Row = size_t{Width} * 3;
    const size_t PhotoBytes = std::min(Data.size(), Row * Height) / Row * Row;

    struct TCase {
        const char* Name;
        size_t Bytes;
        std::function<void()> Work;
        std::vector<double> Times;
    };
    std::vector<TCase> Cases = {
        {"BLAKE2b-256, one pass", Data.size(), [&] { Sink = Blake2b256(Data)[0]; }, {}},
        {"SHA-256, one pass", Data.size(), [&] { Sink = Sha256(Data)[0]; }, {}},
        {"movie digest (blocks of the chosen size)", Data.size(),
         [&] {
             TMovieDigestFeed Feed(Data.size(), ChooseBlockSize(Data.size()));
             for (size_t At = 0; At < Data.size(); At += 1 << 20)
                 Feed.Add(std::span<const uint8_t>(Data).subspan(At, std::min<size_t>(1 << 20, Data.size() - At)));
             Sink = Feed.MovieDigest()[0];
         },
         {}},
        {"BLAKE2b-256 over 12 MP rows, one pass", PhotoBytes,
         [&] { Sink = Blake2b256(std::span<const uint8_t>(Data).first(PhotoBytes))[0]; }, {}},
        {"pixel digest of 12 MP rows (64-pixel tiles, means)", PhotoBytes,
         [&] {
             TPixelDigestFeed Feed(Width, static_cast<uint32_t>(PhotoBytes / Row),
                                   ChooseTileSize(Width, Height));
             for (size_t At = 0; At < PhotoBytes; At += Row)
                 Feed.AddRow(Data.data() + At);
             Sink = Feed.PixelDigest()[0];
         },
         {}},
    };
    for (int R = 0; R < Runs; ++R)
        for (TCase& C : Cases)
            C.Times.push_back(Seconds(C.Work));

    std::printf("%zu MiB in memory, median of %d interleaved runs, processor time\n", MiB, Runs);
    for (const TCase& C : Cases)
        std::printf("  %-52s %8.0f MB/s\n", C.Name, C.Bytes / Median(C.Times) / 1e6);
    const double Blake = Median(Cases[0].Times), Sha = Median(Cases[1].Times);
    std::printf("SHA-256 takes %.2fx the time of BLAKE2b-256: %s is the faster here\n", Sha / Blake,
                Sha > Blake ? "BLAKE2b" : "SHA-256");
    std::printf("movie digest / one BLAKE2b pass: %.2fx\n", Median(Cases[2].Times) / Blake);
    std::printf("pixel digest / one BLAKE2b pass over the rows: %.2fx\n",
                Median(Cases[4].Times) / Median(Cases[3].Times));
    return 0;
}
