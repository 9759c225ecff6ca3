#include "cli/cli_process.h"

#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillon::test {

// Windows' runner lives in cli_process_win32.cpp.
#ifndef _WIN32
namespace {

void ThrowErrno(const char* What) {
    throw std::runtime_error(std::string(What) + " failed: " + std::to_string(errno));
}

} // namespace

TCliRun RunCliProcess(const std::vector<std::string>& Args, const std::string& Input) {
    int InPipe[2], OutPipe[2], ErrPipe[2];
    if (pipe2(InPipe, O_CLOEXEC) != 0 || pipe2(OutPipe, O_CLOEXEC) != 0 ||
        pipe2(ErrPipe, O_CLOEXEC) != 0)
        ThrowErrno("pipe2");
    std::vector<std::string> Argv{QUILLON_CLI_PATH};
    Argv.insert(Argv.end(), Args.begin(), Args.end());
    std::vector<char*> CArgv;
    for (std::string& A : Argv)
        CArgv.push_back(A.data());
    CArgv.push_back(nullptr);

    const pid_t Pid = fork();
    if (Pid < 0)
        ThrowErrno("fork");
    if (Pid == 0) {
        dup2(InPipe[0], 0);
        dup2(OutPipe[1], 1);
        dup2(ErrPipe[1], 2);
        execv(CArgv[0], CArgv.data());
        _exit(127);
    }
    close(InPipe[0]);
    close(OutPipe[1]);
    close(ErrPipe[1]);

    // The child may stop reading early; its exit must not kill us.
    struct sigaction Ignore = {}, Old = {};
    Ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &Ignore, &Old);

    TCliRun Run;
    size_t Written = 0;
    int InFd = InPipe[1];
    if (Input.empty()) {
        close(InFd);
        InFd = -1;
    }
    bool OutOpen = true, ErrOpen = true;
    while (OutOpen || ErrOpen) {
        pollfd Fds[3] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}, {InFd, POLLOUT, 0}};
        Fds[0].fd = OutOpen ? OutPipe[0] : -1;
        Fds[1].fd = ErrOpen ? ErrPipe[0] : -1;
        if (poll(Fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("poll");
        }
        char Buffer[65536];
        for (int I = 0; I < 2; ++I) {
            if (Fds[I].fd < 0 || !(Fds[I].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t N = read(Fds[I].fd, Buffer, sizeof Buffer);
            if (N > 0)
                (I == 0 ? Run.Out : Run.Err).append(Buffer, static_cast<size_t>(N));
            else if (I == 0)
                OutOpen = false;
            else
                ErrOpen = false;
        }
        if (InFd >= 0 && (Fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t N = write(InFd, Input.data() + Written, Input.size() - Written);
            if (N > 0)
                Written += static_cast<size_t>(N);
            if (N <= 0 || Written == Input.size()) {
                close(InFd);
                InFd = -1;
            }
        }
    }
    if (InFd >= 0)
        close(InFd);
    close(OutPipe[0]);
    close(ErrPipe[0]);
    int WaitStatus = 0;
    while (waitpid(Pid, &WaitStatus, 0) < 0 && errno == EINTR) {
    }
    sigaction(SIGPIPE, &Old, nullptr);
    Run.Status = WIFEXITED(WaitStatus) ? WEXITSTATUS(WaitStatus) : -1;
    return Run;
}
#endif

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> Result;
    size_t Start = 0;
    while (Start < Text.size()) {
        size_t End = Text.find('\n', Start);
        if (End == std::string::npos)
            End = Text.size();
        if (End > Start)
            Result.emplace_back(Text, Start, End - Start);
        Start = End + 1;
    }
    return Result;
}

TCliRun RunCliInProcess(const std::vector<std::string>& Args, const std::string& Input,
                        const cli::TConsole& Console) {
    std::istringstream In(Input);
    std::ostringstream Out, Err;
    TCliRun Run;
    Run.Status = cli::RunCli(Args, In, Out, Err, Console);
    Run.Out = Out.str();
    Run.Err = Err.str();
    return Run;
}

} // namespace quillon::test
