// Every POSIX call of the platform layer lives in this file; a Windows build
// adds its own counterpart with the same functions.
#include "clock.h"
#include "console.h"
#include "debug_output.h"
#include "dynamic_library.h"
#include "environment.h"
#include "file_stream.h"
#include "files.h"
#include "process_memory.h"
#include "system_text.h"
#include "temporary_files.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace quillon {

namespace {

int Fd(intptr_t Handle) {
    return static_cast<int>(Handle);
}

std::string ErrnoText(int Error) {
    return std::strerror(Error);
}

TFileErrorKind KindOf(int Error) {
    switch (Error) {
    case ENOENT:
    case ENOTDIR:
        return TFileErrorKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return TFileErrorKind::AccessDenied;
    case EISDIR:
        return TFileErrorKind::NotAFile;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return TFileErrorKind::NoSpace;
    default:
        return TFileErrorKind::Other;
    }
}

[[noreturn]] void RaiseIo(const std::string& FileName, const char* What, int Error) {
    throw EFileError(std::string(What) + " \"" + FileName + "\": " + ErrnoText(Error),
                     KindOf(Error));
}

} // namespace

// ---- file stream -----------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
    int Flags = O_CLOEXEC;
    switch (Mode) {
    case TFileMode::OpenRead:
        // Without O_NONBLOCK, opening a FIFO waits for a writer forever.
        Flags |= O_RDONLY | O_NONBLOCK;
        break;
    case TFileMode::Create:
        Flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case TFileMode::CreateNew:
    case TFileMode::CreateNewOwnerOnly:
        Flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    // A secret is never readable by others, not even for a moment.
    const mode_t Permissions = Mode == TFileMode::CreateNewOwnerOnly ? 0600 : 0666;
    int Handle;
    do {
        Handle = ::open(FileName.c_str(), Flags, Permissions);
    } while (Handle < 0 && errno == EINTR);
    if (Handle < 0) {
        const int Error = errno;
        const char* Verb = Mode == TFileMode::OpenRead ? "Cannot open file" : "Cannot create file";
        throw EFileError(std::string(Verb) + " \"" + FileName + "\". " + ErrnoText(Error),
                         KindOf(Error));
    }
    if (Mode == TFileMode::OpenRead) {
        // Opening a folder, a FIFO or a device succeeds on POSIX; a stream
        // only ever reads a regular file, checked on the open descriptor so
        // nothing can be swapped in between.
        struct stat St;
        if (::fstat(Handle, &St) != 0 || !S_ISREG(St.st_mode)) {
            ::close(Handle);
            throw EFileError("Cannot open file \"" + FileName + "\". Not a regular file",
                             TFileErrorKind::NotAFile);
        }
        ::fcntl(Handle, F_SETFL, ::fcntl(Handle, F_GETFL) & ~O_NONBLOCK);
    }
    FHandle = Handle;
}

TFileStream::TFileStream(TFileStream&& Other) noexcept
    : FFileName(std::move(Other.FFileName)), FHandle(Other.FHandle) {
    Other.FHandle = -1;
}

TFileStream& TFileStream::operator=(TFileStream&& Other) noexcept {
    if (this != &Other) {
        if (FHandle >= 0)
            ::close(Fd(FHandle));
        FFileName = std::move(Other.FFileName);
        FHandle = Other.FHandle;
        Other.FHandle = -1;
    }
    return *this;
}

TFileStream::~TFileStream() {
    if (FHandle >= 0)
        ::close(Fd(FHandle));
}

void TFileStream::Close() {
    if (FHandle < 0)
        return;
    const int Handle = Fd(FHandle);
    FHandle = -1;
    if (::close(Handle) != 0 && errno != EINTR)
        RaiseIo(FFileName, "Cannot close file", errno);
}

size_t TFileStream::Read(void* Buffer, size_t Count) {
    if (FHandle < 0)
        throw EFileError("Read from a closed file \"" + FFileName + "\"");
    auto* Out = static_cast<char*>(Buffer);
    size_t Done = 0;
    while (Done < Count) {
        const ssize_t N = ::read(Fd(FHandle), Out + Done, Count - Done);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            RaiseIo(FFileName, "Read error on file", errno);
        }
        if (N == 0)
            break;
        Done += static_cast<size_t>(N);
    }
    return Done;
}

void TFileStream::Write(const void* Buffer, size_t Count) {
    if (FHandle < 0)
        throw EFileError("Write to a closed file \"" + FFileName + "\"");
    const auto* In = static_cast<const char*>(Buffer);
    size_t Done = 0;
    while (Done < Count) {
        const ssize_t N = ::write(Fd(FHandle), In + Done, Count - Done);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            RaiseIo(FFileName, "Write error on file", errno);
        }
        if (N == 0)
            RaiseIo(FFileName, "Write error on file", ENOSPC);
        Done += static_cast<size_t>(N);
    }
}

int64_t TFileStream::Seek(int64_t Offset) {
    const off_t R = ::lseek(Fd(FHandle), static_cast<off_t>(Offset), SEEK_SET);
    if (R < 0)
        RaiseIo(FFileName, "Seek error on file", errno);
    return R;
}

int64_t TFileStream::Position() const {
    const off_t R = ::lseek(Fd(FHandle), 0, SEEK_CUR);
    if (R < 0)
        RaiseIo(FFileName, "Seek error on file", errno);
    return R;
}

int64_t TFileStream::Size() const {
    struct stat St;
    if (::fstat(Fd(FHandle), &St) != 0)
        RaiseIo(FFileName, "Cannot read the size of file", errno);
    return St.st_size;
}

int64_t TFileStream::CopyRangeInKernel(TFileStream& Source, int64_t SourceOffset,
                                       int64_t DestOffset, int64_t Count) {
#ifdef __linux__
    loff_t In = SourceOffset, Out = DestOffset;
    int64_t Done = 0;
    while (Done < Count) {
        const size_t Want = static_cast<size_t>(std::min<int64_t>(Count - Done, 1 << 30));
        const ssize_t N = ::copy_file_range(Fd(Source.FHandle), &In, Fd(FHandle), &Out, Want, 0);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                errno == EBADF)
                return Done; // the buffered copy takes over
            RaiseIo(FFileName, "Write error on file", errno);
        }
        if (N == 0)
            return Done; // the source ended early
        Done += N;
    }
    return Done;
#else
    (void)Source, (void)SourceOffset, (void)DestOffset, (void)Count;
    return 0;
#endif
}

// ---- files ---------------------------------------------------------------

bool FileExists(const std::string& Path) {
    struct stat St;
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

int64_t FileSizeOf(const std::string& Path) {
    struct stat St;
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode)
               ? static_cast<int64_t>(St.st_size)
               : -1;
}

bool PathExists(const std::string& Path) {
    struct stat St;
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0;
}

bool DirectoryExists(const std::string& Path) {
    struct stat St;
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

bool DeleteFile(const std::string& Path) {
    return ::unlink(Path.c_str()) == 0;
}

bool RenameFile(const std::string& From, const std::string& To) {
    return ::rename(From.c_str(), To.c_str()) == 0;
}

bool RenameFileNoReplace(const std::string& From, const std::string& To) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // Where the file system cannot: a second name fails when To is taken.
    if (::link(From.c_str(), To.c_str()) != 0)
        return false;
    ::unlink(From.c_str());
    return true;
}

std::optional<uint32_t> FilePermissions(const std::string& Path) {
    struct stat St;
    if (Path.empty() || ::stat(Path.c_str(), &St) != 0)
        return std::nullopt;
    return static_cast<uint32_t>(St.st_mode & 0777);
}

bool ExchangeFiles(const std::string& A, const std::string& B) {
#ifdef RENAME_EXCHANGE
    return ::renameat2(AT_FDCWD, A.c_str(), AT_FDCWD, B.c_str(), RENAME_EXCHANGE) == 0;
#else
    (void)A, (void)B;
    return false;
#endif
}

bool LinkFile(const std::string& Existing, const std::string& NewName) {
    return ::link(Existing.c_str(), NewName.c_str()) == 0;
}

char PathSeparator() {
    return '/';
}

bool IsPathDelimiter(char C) {
    return C == '/';
}

std::string LastErrorText() {
    return ErrnoText(errno);
}

// ---- environment ----------------------------------------------------------

std::optional<std::string> GetEnvironmentVariable(const std::string& Name) {
    const char* Value = std::getenv(Name.c_str());
    if (Value == nullptr)
        return std::nullopt;
    return std::string(Value);
}

std::optional<std::string> UserConfigDirectory() {
    std::optional<std::string> Base = GetEnvironmentVariable("XDG_CONFIG_HOME");
    // The variable counts only when it names an absolute folder.
    if (!Base || Base->empty() || Base->front() != '/') {
        const std::optional<std::string> Home = GetEnvironmentVariable("HOME");
        if (!Home || Home->empty())
            return std::nullopt;
        Base = *Home + "/.config";
    }
    if (Base->back() != '/')
        Base->push_back('/');
    return *Base + "quillon/";
}

std::optional<std::string> TempDirectory() {
    std::optional<std::string> Dir = GetEnvironmentVariable("TEMP");
    if (!Dir) {
        Dir = GetEnvironmentVariable("TMPDIR");
        if (!Dir || Dir->empty())
            Dir = "/tmp";
    }
    if (Dir->empty())
        return std::nullopt;
    if (Dir->back() != PathSeparator())
        Dir->push_back(PathSeparator());
    return Dir;
}

// ---- debugger output ---------------------------------------------------------

// There is no debugger's channel here: the lines go to stderr, and only on
// request (QUILLON_TRACE=1), as on Windows only an attached debugger sees them.
void PlatformDebugWrite(std::string_view Line) {
    const char* Wanted = std::getenv("QUILLON_TRACE");
    if (Wanted == nullptr || *Wanted == '\0' || std::string_view(Wanted) == "0")
        return;
    std::fwrite(Line.data(), 1, Line.size(), stderr);
    std::fputc('\n', stderr);
}

// ---- interrupts ----------------------------------------------------------------

void RemoveTemporaryFilesOnInterrupt() {
    // Blocked here, the signals stay blocked in every thread started later
    // and reach only the waiting thread, which may take locks and remove
    // files as no signal handler could.
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    if (::pthread_sigmask(SIG_BLOCK, &Signals, nullptr) != 0)
        return;
    std::thread([Signals] {
        int Signal = 0;
        while (::sigwait(&Signals, &Signal) != 0) {
        }
        RemoveTemporaryFiles();
        std::_Exit(128 + Signal);
    }).detach();
}

// ---- dynamic libraries -------------------------------------------------------

std::string ExecutableDirectory() {
    char Buffer[4096];
    const ssize_t N = ::readlink("/proc/self/exe", Buffer, sizeof Buffer - 1);
    if (N <= 0)
        return {};
    return ExtractFilePath(std::string_view(Buffer, static_cast<size_t>(N)));
}

TLibraryHandle LoadDynamicLibrary(const std::string& FileName) {
    const std::string Dir = ExecutableDirectory();
    if (!Dir.empty()) {
        const std::string Local = Dir + FileName;
        if (FileExists(Local)) {
            if (void* H = ::dlopen(Local.c_str(), RTLD_NOW | RTLD_LOCAL))
                return H;
        }
    }
    return ::dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetLibrarySymbol(TLibraryHandle Handle, const char* Name) {
    return Handle ? ::dlsym(Handle, Name) : nullptr;
}

void FreeDynamicLibrary(TLibraryHandle Handle) {
    if (Handle)
        ::dlclose(Handle);
}

// ---- clock -------------------------------------------------------------------

uint32_t HighResolutionCounterLow32() {
    timespec Ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &Ts);
    const uint64_t Ns =
        static_cast<uint64_t>(Ts.tv_sec) * 1000000000u + static_cast<uint64_t>(Ts.tv_nsec);
    return static_cast<uint32_t>(Ns);
}

// ---- console -----------------------------------------------------------------

bool IsTerminal(TStdStream Stream) {
    const int Fd = Stream == TStdStream::Input ? 0 : Stream == TStdStream::Output ? 1 : 2;
    return ::isatty(Fd) == 1;
}

std::optional<std::string> ReadHiddenLine(const std::string& Prompt) {
    const int Fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (Fd < 0)
        return std::nullopt;
    termios Old{};
    const bool Quiet = ::tcgetattr(Fd, &Old) == 0;
    if (Quiet) {
        termios Silent = Old;
        Silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        Silent.c_lflag |= ECHONL;
        ::tcsetattr(Fd, TCSAFLUSH, &Silent);
    }
    (void)!::write(Fd, Prompt.data(), Prompt.size());
    std::string Line;
    bool Ended = false;
    char C;
    for (;;) {
        const ssize_t N = ::read(Fd, &C, 1);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            break;
        if (C == '\n') {
            Ended = true;
            break;
        }
        Line.push_back(C);
    }
    if (Quiet)
        ::tcsetattr(Fd, TCSAFLUSH, &Old);
    ::close(Fd);
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    if (!Ended && Line.empty())
        return std::nullopt;
    return Line;
}

// ---- process memory --------------------------------------------------------

int64_t PeakResidentBytes() {
    rusage Usage{};
    if (getrusage(RUSAGE_SELF, &Usage) != 0)
        return 0;
    return static_cast<int64_t>(Usage.ru_maxrss) * 1024; // reported in KiB
}

uint64_t PhysicalMemoryBytes() {
    const long Pages = ::sysconf(_SC_PHYS_PAGES);
    const long PageSize = ::sysconf(_SC_PAGESIZE);
    return Pages > 0 && PageSize > 0
               ? static_cast<uint64_t>(Pages) * static_cast<uint64_t>(PageSize)
               : 0;
}

bool AdviseHugePages(void* Data, size_t Size) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t HugePage = uintptr_t{2} << 20;
    const uintptr_t Begin = reinterpret_cast<uintptr_t>(Data);
    const uintptr_t First = (Begin + HugePage - 1) & ~(HugePage - 1);
    const uintptr_t Last = (Begin + Size) & ~(HugePage - 1);
    if (Data == nullptr || Begin + Size < Begin || Last <= First)
        return false;
    return ::madvise(reinterpret_cast<void*>(First), Last - First, MADV_HUGEPAGE) == 0;
#else
    (void)Data;
    (void)Size;
    return false;
#endif
}

// ---- system text -------------------------------------------------------------

std::vector<std::string> ProgramArguments(int Argc, char** Argv) {
    return Argc > 1 ? std::vector<std::string>(Argv + 1, Argv + Argc) : std::vector<std::string>{};
}

void UseBinaryStandardStreams() {}

// The bytes are taken as they come, whatever the locale says.
std::optional<std::string> SystemCodePageText(std::string_view Text) {
    return std::string(Text);
}

} // namespace quillon
