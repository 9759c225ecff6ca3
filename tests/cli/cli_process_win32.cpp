// Runs the real quillon-cli.exe as a child process with three pipes.
#include "cli/cli_process.h"

#include <stdexcept>
#include <thread>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quillon::test {

namespace {

std::wstring Wide(const std::string& Text) {
    const int N =
        ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring Out(static_cast<size_t>(N), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), N);
    return Out;
}

// One argument as the C runtime splits the command line again: quoted when
// needed, backslashes doubled only in front of a quote.
std::wstring Quote(const std::wstring& Arg) {
    if (!Arg.empty() && Arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return Arg;
    std::wstring Out = L"\"";
    size_t Backslashes = 0;
    for (const wchar_t C : Arg) {
        if (C == L'\\') {
            ++Backslashes;
            continue;
        }
        Out.append(C == L'"' ? 2 * Backslashes + 1 : Backslashes, L'\\');
        Backslashes = 0;
        Out.push_back(C);
    }
    Out.append(2 * Backslashes, L'\\');
    return Out + L"\"";
}

// The executable's path as the build wrote it; a build on a POSIX host under
// wine names it from the root of the drive that maps "/".
std::wstring CliPath() {
    std::wstring Path = Wide(QUILLON_CLI_PATH);
    if (!Path.empty() && Path[0] == L'/')
        Path = L"Z:" + Path;
    return Path;
}

class THandle {
  public:
    THandle() = default;
    explicit THandle(HANDLE H) : FHandle(H) {}
    ~THandle() { Close(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE* Out() { return &FHandle; }
    HANDLE Get() const { return FHandle; }
    void Close() {
        if (FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE)
            ::CloseHandle(FHandle);
        FHandle = nullptr;
    }

  private:
    HANDLE FHandle = nullptr;
};

// A pipe whose Child end is inherited and whose Parent end is not.
struct TPipe {
    THandle Read, Write;
    explicit TPipe(bool ChildReads) {
        SECURITY_ATTRIBUTES Sa{sizeof Sa, nullptr, TRUE};
        if (!::CreatePipe(Read.Out(), Write.Out(), &Sa, 0))
            throw std::runtime_error("CreatePipe failed");
        ::SetHandleInformation((ChildReads ? Write : Read).Get(), HANDLE_FLAG_INHERIT, 0);
    }
};

void Drain(HANDLE From, std::string& Into) {
    char Buffer[65536];
    DWORD N = 0;
    while (::ReadFile(From, Buffer, sizeof Buffer, &N, nullptr) && N > 0)
        Into.append(Buffer, N);
}

} // namespace

TCliRun RunCliProcess(const std::vector<std::string>& Args, const std::string& Input) {
    std::wstring CommandLine = Quote(CliPath());
    for (const std::string& A : Args)
        CommandLine += L" " + Quote(Wide(A));

    TPipe In(true), Out(false), Err(false);
    STARTUPINFOW Si{};
    Si.cb = sizeof Si;
    Si.dwFlags = STARTF_USESTDHANDLES;
    Si.hStdInput = In.Read.Get();
    Si.hStdOutput = Out.Write.Get();
    Si.hStdError = Err.Write.Get();
    PROCESS_INFORMATION Pi{};
    // Wine now and then fails a start under load with ERROR_INTERNAL_ERROR;
    // a second try succeeds.
    for (int Try = 0;; ++Try) {
        if (::CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &Si, &Pi))
            break;
        const DWORD Error = ::GetLastError();
        if (Error != ERROR_INTERNAL_ERROR || Try == 2)
            throw std::runtime_error("CreateProcessW failed: " + std::to_string(Error));
        ::Sleep(200);
    }
    const THandle Process(Pi.hProcess);
    const THandle Thread(Pi.hThread);
    // Only the child holds these ends now, so the reads end when it does.
    In.Read.Close();
    Out.Write.Close();
    Err.Write.Close();

    TCliRun Run;
    std::thread Writer([&] {
        DWORD N = 0;
        // The child may stop reading early; a failed write just ends the input.
        if (!Input.empty())
            ::WriteFile(In.Write.Get(), Input.data(), static_cast<DWORD>(Input.size()), &N,
                        nullptr);
        In.Write.Close();
    });
    std::thread ErrReader([&] { Drain(Err.Read.Get(), Run.Err); });
    Drain(Out.Read.Get(), Run.Out);
    ErrReader.join();
    Writer.join();

    ::WaitForSingleObject(Process.Get(), INFINITE);
    DWORD Status = 0;
    Run.Status = ::GetExitCodeProcess(Process.Get(), &Status) ? static_cast<int>(Status) : -1;
    return Run;
}

} // namespace quillon::test
