// An interrupted quillon-cli leaves no temporary file behind: neither the
// check copy in TEMP nor a signed copy that was still being written.
#ifndef _WIN32
#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Starts quillon-cli with Args and TEMP, sends Signal once Watched holds a
// file (the work is under way), and returns the exit status.
int InterruptedRun(const std::vector<std::string>& Args, const fs::path& Temp,
                   const fs::path& Watched, int Signal) {
    const pid_t Child = ::fork();
    if (Child == 0) {
        ::setenv("TEMP", Temp.c_str(), 1);
        std::vector<char*> Argv{const_cast<char*>(QUILLON_CLI_PATH)};
        for (const std::string& A : Args)
            Argv.push_back(const_cast<char*>(A.c_str()));
        Argv.push_back(nullptr);
        ::execv(QUILLON_CLI_PATH, Argv.data());
        ::_exit(127);
    }
    const auto Count = [&] { return std::distance(fs::directory_iterator(Watched), {}); };
    const auto Start = Count();
    for (int I = 0; I < 2000 && Count() == Start; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(Child, Signal);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

TEST(CliInterrupt, NoTemporaryFileSurvivesAnInterrupt) {
    test::TScratchDir Dir, Temp;
    // Large enough that the copy is still being written when the signal comes.
    const std::string Movie = Dir / "movie.avi";
    fs::resize_file((test::WriteBytes(Movie, std::string("RIFF\0\0\0\0AVI ", 12)), Movie),
                    uintmax_t{3} << 30);

    EXPECT_EQ(InterruptedRun({"verify", "-s", "SITE-42", Movie}, Temp.Path(), Temp.Path(), SIGTERM),
              143);
    EXPECT_TRUE(fs::is_empty(Temp.Path()));

    EXPECT_EQ(InterruptedRun({"sign", "-s", "SITE-42", Movie}, Temp.Path(), Dir.Path(), SIGINT),
              130);
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), {}), 1);
}

} // namespace
} // namespace quillon
#endif
