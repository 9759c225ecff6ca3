// An interrupted quillon-cli leaves no temporary file behind: neither the
// check copy in TEMP nor a signed copy that was still being written; and an
// old signed copy survives.
#ifndef _WIN32
#include "support/test_jpeg.h"
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

// True when the process has a file open in Dir, named or not yet named.
bool HoldsAFileIn(pid_t Pid, const fs::path& Dir) {
    std::error_code Ec;
    for (const auto& Fd : fs::directory_iterator("/proc/" + std::to_string(Pid) + "/fd", Ec)) {
        const fs::path Target = fs::read_symlink(Fd.path(), Ec);
        if (!Ec && Target.parent_path() == Dir)
            return true;
    }
    return false;
}

// Starts quillon-cli with Args and TEMP, sends Signal once it holds a file
// in Watched (the work is under way), and returns the exit status.
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
    for (int I = 0; I < 2000 && !HoldsAFileIn(Child, Watched); ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(Child, Signal);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : WIFSIGNALED(Status) ? -WTERMSIG(Status) : -1;
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

// Interrupted or killed while it replaces an old signed copy, signing leaves
// that copy as it was and nothing beside it.
TEST(CliInterrupt, AnOldSignedCopySurvivesInterruptsAndKills) {
    test::TScratchDir Dir, Out;
    test::TTestPicture P;
    P.Width = 3000;
    P.Height = 2000;
    P.Gradient = [](int X, int Y, int C) { return X + 2 * Y + 50 * C; };
    const std::string Photo = Dir / "p.jpg";
    test::WriteBytes(Photo, test::EncodeTestJpeg(P));
    const std::string Copy = Out / "p.signed.jpg";
    test::WriteBytes(Copy, std::string("the old signed copy"));
    for (const auto& [Signal, Status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGKILL, -9}}) {
        SCOPED_TRACE(Signal);
        EXPECT_EQ(InterruptedRun({"sign", "-s", "SITE-42", "-f", Photo, "--out", Copy}, Dir.Path(),
                                 Out.Path(), Signal),
                  Status);
        EXPECT_EQ(test::ReadBytes(Copy).size(), 19u);
        EXPECT_EQ(std::distance(fs::directory_iterator(Out.Path()), {}), 1);
    }
}

} // namespace
} // namespace quillon
#endif
