// The POSIX calls of the platform layer: what every POSIX system has. What
// differs between them (the kernel's copy, unnamed files, the executable's
// path, memory figures) lives in the system's own file beside this one
// (linux.cpp); a Windows build has its own counterpart of both (win32.cpp).
#include "clock.h"
#include "console.h"
#include "debug_output.h"
#include "dynamic_library.h"
#include "environment.h"
#include "file_stream.h"
#include "files.h"
#include "posix_system.h"
#include "system_text.h"
#include "temporary_files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace quillon {

namespace posix {

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
    case EEXIST:
        return TFileErrorKind::Exists;
    default:
        return TFileErrorKind::Other;
    }
}

void RaiseIo(const std::string& FileName, const char* What, int Error) {
    throw EFileError(std::string(What) + " \"" + FileName + "\": " + ErrnoText(Error),
                     KindOf(Error));
}

} // namespace posix

using namespace posix;

namespace {
// Taken when the program is loaded, before any of its files is written.
const std::chrono::system_clock::time_point StartedAt = std::chrono::system_clock::now();
} // namespace

// ---- file stream -----------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
    int Flags = O_CLOEXEC;
    switch (Mode) {
    case TFileMode::OpenRead:
        // Without O_NONBLOCK, opening a FIFO waits for a writer forever.
        Flags |= O_RDONLY | O_NONBLOCK;
        break;
    case TFileMode::CreateNew:
    case TFileMode::CreateNewOwnerOnly:
        // With O_EXCL a link at the path fails the call and is never followed.
        Flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
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

void TFileStream::Sync() {
    int R;
    do {
        R = ::fsync(Fd(FHandle));
    } while (R != 0 && errno == EINTR);
    if (R != 0)
        RaiseIo(FFileName, "Cannot flush file", errno);
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

TEntryKind EntryKindOf(const std::string& Path) {
    struct stat St;
    if (Path.empty() || ::lstat(Path.c_str(), &St) != 0)
        return TEntryKind::None;
    if (S_ISREG(St.st_mode))
        return TEntryKind::RegularFile;
    if (S_ISDIR(St.st_mode))
        return TEntryKind::Directory;
    if (S_ISLNK(St.st_mode))
        return DirectoryExists(Path) ? TEntryKind::DirectoryLink : TEntryKind::Link;
    if (S_ISFIFO(St.st_mode))
        return TEntryKind::Fifo;
    if (S_ISSOCK(St.st_mode))
        return TEntryKind::Socket;
    return TEntryKind::Device;
}

std::optional<std::chrono::system_clock::time_point> EntryWriteTime(const std::string& Path) {
    struct stat St;
    if (Path.empty() || ::lstat(Path.c_str(), &St) != 0)
        return std::nullopt;
    const auto Since =
        std::chrono::seconds(St.st_mtim.tv_sec) + std::chrono::nanoseconds(St.st_mtim.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Since));
}

std::chrono::system_clock::time_point ProcessStartTime() {
    return StartedAt;
}

bool DeleteFile(const std::string& Path) {
    return ::unlink(Path.c_str()) == 0;
}

bool RenameFile(const std::string& From, const std::string& To) {
    return ::rename(From.c_str(), To.c_str()) == 0;
}

std::optional<uint32_t> FilePermissions(const std::string& Path) {
    struct stat St;
    if (Path.empty() || ::stat(Path.c_str(), &St) != 0)
        return std::nullopt;
    return static_cast<uint32_t>(St.st_mode & 0777);
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
