// Times `quillon-cli verify` over folders of 200 files with one job and with
// two, alternating, and prints the speed-up (median of the pairs): the mixed
// reference files, and signed photos. One job already keeps a second core
// partly busy (a photo of some size decodes on two threads, a movie copies
// beside its checksum), so the processor time of -j1 spread over the cores
// is printed too: no number of jobs can beat it.
// Usage: cli_jobs_bench [QUILLON-CLI] [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/thread_budget.h"

namespace {

namespace fs = std::filesystem;

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

double ChildCpuSeconds() {
    rusage U{};
    ::getrusage(RUSAGE_CHILDREN, &U);
    const auto Seconds = [](const timeval& T) { return T.tv_sec + T.tv_usec / 1e6; };
    return Seconds(U.ru_utime) + Seconds(U.ru_stime);
}

struct TRun {
    double Wall = 0;
    double Cpu = 0;
};

TRun Run(const std::string& Command) {
    const double Cpu0 = ChildCpuSeconds();
    const auto Start = std::chrono::steady_clock::now();
    if (std::system(Command.c_str()) == -1)
        std::perror("system");
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count(),
            ChildCpuSeconds() - Cpu0};
}

// 200 files copied round-robin from Subs of the reference data, taking every
// Step-th file so that each kind is represented.
fs::path MakeFolder(const fs::path& Data, const std::vector<std::string>& Subs, size_t Step,
                    const std::string& Name) {
    std::vector<fs::path> Sources;
    for (const std::string& Sub : Subs)
        for (const auto& E : fs::directory_iterator(Data / Sub))
            if (E.is_regular_file() && E.path().extension() != ".md" &&
                E.path().extension() != ".tsv")
                Sources.push_back(E.path());
    std::sort(Sources.begin(), Sources.end());
    const fs::path Dir = fs::temp_directory_path() / ("quillon-cli-jobs-bench-" + Name);
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    for (size_t I = 0, N = 0; N < 200; I += Step, ++N) {
        const fs::path& Src = Sources[I % Sources.size()];
        fs::copy_file(Src, Dir / (std::to_string(N) + "_" + Src.filename().string()));
    }
    return Dir;
}

void Measure(const std::string& Cli, const fs::path& Dir, const char* What, int Runs) {
    const auto Command = [&](int Jobs) {
        return Cli + " verify -s SITE-42 --status -j " + std::to_string(Jobs) + " " + Dir.string();
    };
    std::vector<double> One, Two, Ratio, OneCpu, TwoCpu;
    Run(Command(2)); // warm the page cache
    for (int R = 0; R < Runs; ++R) {
        const TRun A = Run(Command(1));
        const TRun B = Run(Command(2));
        One.push_back(A.Wall);
        Two.push_back(B.Wall);
        OneCpu.push_back(A.Cpu);
        TwoCpu.push_back(B.Cpu);
        Ratio.push_back(A.Wall / B.Wall);
    }
    const double Cores = quillon::ProcessorCount();
    std::printf("%s: -j1 %.3f s (cpu %.3f s), -j2 %.3f s (cpu %.3f s), speed-up %.2fx (medians "
                "of %d; goal >= 1.8x); -j1's cpu time over %.0f cores: %.3f s, so at most "
                "%.2fx\n",
                What, Median(One), Median(OneCpu), Median(Two), Median(TwoCpu), Median(Ratio), Runs,
                Cores, Median(OneCpu) / Cores, Median(One) / (Median(OneCpu) / Cores));
    fs::remove_all(Dir);
}

} // namespace

int main(int argc, char** argv) {
    const std::string Cli = argc > 1 ? argv[1] : QUILLON_CLI_PATH;
    const int Runs = argc > 2 ? std::atoi(argv[2]) : 5;
    // The corpus's test photos are tiny: the process, the walk and each
    // file's opening weigh as much as the decoding. Signed photos of real
    // size show what an archive gets.
    Measure(Cli,
            MakeFolder(QUILLON_TESTDATA_DIR, {"jpeg/jpeg", "jpeg-signed/jpeg", "avi"}, 3, "mixed"),
            "200 mixed reference files", Runs);
    Measure(Cli, MakeFolder(QUILLON_TESTDATA_DIR, {"jpeg-signed/jpeg"}, 1, "signed"),
            "200 signed photos", Runs);
    return 0;
}
