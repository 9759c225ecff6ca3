// Times `quillon-cli verify` over a folder of 200 mixed reference files with
// one job and with two, alternating, and prints the speed-up (median of the
// pairs). Usage: cli_jobs_bench [QUILLON-CLI] [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

double SecondsOf(const std::string& Command) {
    const auto Start = std::chrono::steady_clock::now();
    if (std::system(Command.c_str()) == -1)
        std::perror("system");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// 200 files in the mix a photo archive has: corpus photos of every kind,
// signed photos, movies; copied round-robin until there are 200.
fs::path MakeFolder(const fs::path& Data) {
    std::vector<fs::path> Sources;
    for (const char* Sub : {"jpeg/jpeg", "jpeg-signed/jpeg", "avi"})
        for (const auto& E : fs::directory_iterator(Data / Sub))
            if (E.is_regular_file() && E.path().extension() != ".md" &&
                E.path().extension() != ".tsv")
                Sources.push_back(E.path());
    std::sort(Sources.begin(), Sources.end());
    const fs::path Dir = fs::temp_directory_path() / "quillon-cli-jobs-bench";
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    // Every third source, so each kind is represented.
    for (size_t I = 0, N = 0; N < 200; I += 3, ++N) {
        const fs::path& Src = Sources[I % Sources.size()];
        fs::copy_file(Src, Dir / (std::to_string(N) + "_" + Src.filename().string()));
    }
    return Dir;
}

} // namespace

int main(int argc, char** argv) {
    const std::string Cli = argc > 1 ? argv[1] : QUILLON_CLI_PATH;
    const int Runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path Dir = MakeFolder(QUILLON_TESTDATA_DIR);
    const auto Command = [&](int Jobs) {
        return Cli + " verify -s SITE-42 --status -j " + std::to_string(Jobs) + " " +
               Dir.string();
    };
    std::vector<double> One, Two, Ratio;
    SecondsOf(Command(2)); // warm the page cache
    for (int R = 0; R < Runs; ++R) {
        One.push_back(SecondsOf(Command(1)));
        Two.push_back(SecondsOf(Command(2)));
        Ratio.push_back(One.back() / Two.back());
    }
    std::printf("quillon-cli verify, 200 mixed files: -j1 %.3f s, -j2 %.3f s (medians of %d)\n",
                Median(One), Median(Two), Runs);
    std::printf("speed-up -j2 over -j1: %.2fx (median of the pairs; goal >= 1.8x on 2 cores)\n",
                Median(Ratio));
    fs::remove_all(Dir);
    return 0;
}
