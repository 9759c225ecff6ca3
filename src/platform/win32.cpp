// Every Win32 call of the platform layer lives in this file, the counterpart
// of posix.cpp. Paths are UTF-8 inside the program and UTF-16 at the API.
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
#include "wide_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <iterator>
#include <stdio.h>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The A/W macros would rename our own functions of the same names.
#undef DeleteFile
#undef GetEnvironmentVariable

#include <psapi.h>
#include <shellapi.h>

namespace quillon {

std::wstring WideText(std::string_view Text) {
    if (Text.empty())
        return {};
    const int Size = static_cast<int>(Text.size());
    const int N = ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), Size, nullptr, 0);
    std::wstring Out(static_cast<size_t>(N), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), Size, Out.data(), N);
    return Out;
}

std::string Utf8Text(std::wstring_view Text) {
    if (Text.empty())
        return {};
    const int Size = static_cast<int>(Text.size());
    const int N =
        ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), Size, nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<size_t>(N), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), Size, Out.data(), N, nullptr, nullptr);
    return Out;
}

namespace {

std::string ErrorText(DWORD Error) {
    wchar_t Buffer[512];
    DWORD N = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               Error, 0, Buffer, static_cast<DWORD>(std::size(Buffer)), nullptr);
    // The system's texts end in a line break that would split our messages.
    while (N > 0 && (Buffer[N - 1] == L'\r' || Buffer[N - 1] == L'\n' || Buffer[N - 1] == L' '))
        --N;
    if (N == 0)
        return "System error " + std::to_string(Error);
    return Utf8Text(std::wstring_view(Buffer, N));
}

TFileErrorKind KindOf(DWORD Error) {
    switch (Error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return TFileErrorKind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return TFileErrorKind::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return TFileErrorKind::NoSpace;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return TFileErrorKind::Exists;
    default:
        return TFileErrorKind::Other;
    }
}

[[noreturn]] void RaiseIo(const std::string& FileName, const char* What, DWORD Error) {
    throw EFileError(std::string(What) + " \"" + FileName + "\": " + ErrorText(Error),
                     KindOf(Error));
}

HANDLE Handle(intptr_t Value) {
    return reinterpret_cast<HANDLE>(Value);
}

// ReadFile and WriteFile take at most a DWORD per call.
constexpr size_t kMaxChunk = 1u << 30;

} // namespace

// ---- file stream -----------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
    DWORD Access = GENERIC_READ | GENERIC_WRITE;
    // A temporary file may be deleted while still open, as POSIX allows; it
    // goes once its last handle closes.
    DWORD Share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    DWORD Disposition = CREATE_ALWAYS;
    switch (Mode) {
    case TFileMode::OpenRead:
        Access = GENERIC_READ;
        Share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        Disposition = OPEN_EXISTING;
        break;
    case TFileMode::CreateNew:
    case TFileMode::CreateNewOwnerOnly: // the profile's folders are the owner's already
        // CREATE_NEW fails on anything at the name, a link included.
        Disposition = CREATE_NEW;
        break;
    }
    // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS, so a
    // stream never names one.
    const HANDLE H = ::CreateFileW(WideText(FileName).c_str(), Access, Share, nullptr, Disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) {
        const DWORD Error = ::GetLastError();
        const char* Verb = Mode == TFileMode::OpenRead ? "Cannot open file" : "Cannot create file";
        // A folder at the name denies access rather than saying it exists.
        const bool Taken =
            Mode == TFileMode::CreateNew && Error == ERROR_ACCESS_DENIED &&
            ::GetFileAttributesW(WideText(FileName).c_str()) != INVALID_FILE_ATTRIBUTES;
        throw EFileError(std::string(Verb) + " \"" + FileName + "\". " + ErrorText(Error),
                         Taken ? TFileErrorKind::Exists : KindOf(Error));
    }
    // Pipes, consoles and devices open like files; a stream only reads files on a disk.
    if (Mode == TFileMode::OpenRead && ::GetFileType(H) != FILE_TYPE_DISK) {
        ::CloseHandle(H);
        throw EFileError("Cannot open file \"" + FileName + "\". Not a regular file",
                         TFileErrorKind::NotAFile);
    }
    FHandle = reinterpret_cast<intptr_t>(H);
}

TFileStream::TFileStream(TFileStream&& Other) noexcept
    : FFileName(std::move(Other.FFileName)), FHandle(Other.FHandle) {
    Other.FHandle = -1;
}

TFileStream& TFileStream::operator=(TFileStream&& Other) noexcept {
    if (this != &Other) {
        if (FHandle != -1)
            ::CloseHandle(Handle(FHandle));
        FFileName = std::move(Other.FFileName);
        FHandle = Other.FHandle;
        Other.FHandle = -1;
    }
    return *this;
}

TFileStream::~TFileStream() {
    if (FHandle != -1)
        ::CloseHandle(Handle(FHandle));
}

void TFileStream::Close() {
    if (FHandle == -1)
        return;
    const HANDLE H = Handle(FHandle);
    FHandle = -1;
    if (!::CloseHandle(H))
        RaiseIo(FFileName, "Cannot close file", ::GetLastError());
}

size_t TFileStream::Read(void* Buffer, size_t Count) {
    if (FHandle == -1)
        throw EFileError("Read from a closed file \"" + FFileName + "\"");
    auto* Out = static_cast<char*>(Buffer);
    size_t Done = 0;
    while (Done < Count) {
        DWORD N = 0;
        const DWORD Want = static_cast<DWORD>(std::min(Count - Done, kMaxChunk));
        if (!::ReadFile(Handle(FHandle), Out + Done, Want, &N, nullptr))
            RaiseIo(FFileName, "Read error on file", ::GetLastError());
        if (N == 0)
            break;
        Done += N;
    }
    return Done;
}

void TFileStream::Write(const void* Buffer, size_t Count) {
    if (FHandle == -1)
        throw EFileError("Write to a closed file \"" + FFileName + "\"");
    const auto* In = static_cast<const char*>(Buffer);
    size_t Done = 0;
    while (Done < Count) {
        DWORD N = 0;
        const DWORD Want = static_cast<DWORD>(std::min(Count - Done, kMaxChunk));
        if (!::WriteFile(Handle(FHandle), In + Done, Want, &N, nullptr))
            RaiseIo(FFileName, "Write error on file", ::GetLastError());
        if (N == 0)
            RaiseIo(FFileName, "Write error on file", ERROR_DISK_FULL);
        Done += N;
    }
}

int64_t TFileStream::Seek(int64_t Offset) {
    LARGE_INTEGER To, Now;
    To.QuadPart = Offset;
    if (!::SetFilePointerEx(Handle(FHandle), To, &Now, FILE_BEGIN))
        RaiseIo(FFileName, "Seek error on file", ::GetLastError());
    return Now.QuadPart;
}

int64_t TFileStream::Position() const {
    LARGE_INTEGER Zero, Now;
    Zero.QuadPart = 0;
    if (!::SetFilePointerEx(Handle(FHandle), Zero, &Now, FILE_CURRENT))
        RaiseIo(FFileName, "Seek error on file", ::GetLastError());
    return Now.QuadPart;
}

int64_t TFileStream::Size() const {
    LARGE_INTEGER Bytes;
    if (!::GetFileSizeEx(Handle(FHandle), &Bytes))
        RaiseIo(FFileName, "Cannot read the size of file", ::GetLastError());
    return Bytes.QuadPart;
}

int64_t TFileStream::CopyRangeInKernel(TFileStream&, int64_t, int64_t, int64_t) {
    return 0; // no ranged copy inside the system: the buffered copy does it
}

void TFileStream::Sync() {
    if (!::FlushFileBuffers(Handle(FHandle)))
        RaiseIo(FFileName, "Cannot flush file", ::GetLastError());
}

// Windows has no file without a name that could be given one later: the
// pending file is created under its temporary name at once.
std::optional<TFileStream> TFileStream::CreateUnnamed(const std::string&, const std::string&,
                                                      TFileMode) {
    return std::nullopt;
}

void TFileStream::GiveName(const std::string& Path) {
    throw EFileError("Cannot create file \"" + Path + "\": the system has no unnamed files");
}

// ---- files ---------------------------------------------------------------

namespace {

DWORD Attributes(const std::string& Path) {
    return Path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WideText(Path).c_str());
}

// FILETIME counts 100 ns from 1601; the system clock counts from 1970.
std::chrono::system_clock::time_point FromFileTime(const FILETIME& Time) {
    constexpr uint64_t From1601To1970 = 116444736000000000ull;
    const uint64_t Ticks = static_cast<uint64_t>(Time.dwHighDateTime) << 32 | Time.dwLowDateTime;
    const auto Since = std::chrono::duration<int64_t, std::ratio<1, 10000000>>(
        static_cast<int64_t>(Ticks) - static_cast<int64_t>(From1601To1970));
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Since));
}

// A device by its name: the device namespace (\\.\name), or a reserved
// name whatever the folder and the extension ("NUL", "C:\photos\com1.jpg").
bool IsDeviceName(const std::string& Path) {
    if (Path.size() >= 4 && IsPathDelimiter(Path[0]) && IsPathDelimiter(Path[1]) &&
        (Path[2] == '.' || Path[2] == '?') && IsPathDelimiter(Path[3]))
        return Path[2] == '.';
    std::string Name = ExtractFileName(Path);
    if (const size_t Dot = Name.find('.'); Dot != std::string::npos)
        Name.resize(Dot);
    while (!Name.empty() && Name.back() == ' ')
        Name.pop_back();
    for (const char* Fixed : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (SameTextAscii(Name, Fixed))
            return true;
    return Name.size() == 4 &&
           (SameTextAscii(Name.substr(0, 3), "COM") || SameTextAscii(Name.substr(0, 3), "LPT")) &&
           Name[3] >= '1' && Name[3] <= '9';
}

// Taken when the program is loaded, should the system not say.
const std::chrono::system_clock::time_point LoadedAt = std::chrono::system_clock::now();

} // namespace

TEntryKind EntryKindOf(const std::string& Path) {
    if (IsDeviceName(Path))
        return TEntryKind::Device;
    // The attributes of the entry itself: a reparse point is not followed.
    const DWORD A = Attributes(Path);
    if (A == INVALID_FILE_ATTRIBUTES)
        return TEntryKind::None;
    if (A & FILE_ATTRIBUTE_REPARSE_POINT)
        return A & FILE_ATTRIBUTE_DIRECTORY ? TEntryKind::DirectoryLink : TEntryKind::Link;
    if (A & FILE_ATTRIBUTE_DIRECTORY)
        return TEntryKind::Directory;
    if (A & FILE_ATTRIBUTE_DEVICE)
        return TEntryKind::Device;
    return TEntryKind::RegularFile;
}

std::optional<std::chrono::system_clock::time_point> EntryWriteTime(const std::string& Path) {
    WIN32_FILE_ATTRIBUTE_DATA Data;
    if (Path.empty() ||
        !::GetFileAttributesExW(WideText(Path).c_str(), GetFileExInfoStandard, &Data))
        return std::nullopt;
    return FromFileTime(Data.ftLastWriteTime);
}

std::chrono::system_clock::time_point ProcessStartTime() {
    FILETIME Created, Exited, Kernel, User;
    if (::GetProcessTimes(::GetCurrentProcess(), &Created, &Exited, &Kernel, &User))
        return FromFileTime(Created);
    return LoadedAt;
}

bool FileExists(const std::string& Path) {
    const DWORD A = Attributes(Path);
    return A != INVALID_FILE_ATTRIBUTES &&
           !(A & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

int64_t FileSizeOf(const std::string& Path) {
    WIN32_FILE_ATTRIBUTE_DATA Data;
    if (!FileExists(Path) ||
        !::GetFileAttributesExW(WideText(Path).c_str(), GetFileExInfoStandard, &Data))
        return -1;
    return static_cast<int64_t>(static_cast<uint64_t>(Data.nFileSizeHigh) << 32 |
                                Data.nFileSizeLow);
}

bool PathExists(const std::string& Path) {
    return Attributes(Path) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::string& Path) {
    const DWORD A = Attributes(Path);
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(const std::string& Path) {
    return ::DeleteFileW(WideText(Path).c_str()) != 0;
}

bool RenameFile(const std::string& From, const std::string& To) {
    return ::MoveFileExW(WideText(From).c_str(), WideText(To).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           0;
}

bool RenameFileNoReplace(const std::string& From, const std::string& To) {
    return ::MoveFileExW(WideText(From).c_str(), WideText(To).c_str(), 0) != 0;
}

// Access is decided by the file's ACL, which a profile folder keeps to its owner.
std::optional<uint32_t> FilePermissions(const std::string&) {
    return std::nullopt;
}

bool ExchangeFiles(const std::string&, const std::string&) {
    return false; // no such call: callers fall back to a replacing rename
}

bool LinkFile(const std::string& Existing, const std::string& NewName) {
    return ::CreateHardLinkW(WideText(NewName).c_str(), WideText(Existing).c_str(), nullptr) != 0;
}

char PathSeparator() {
    return '\\';
}

// The API takes '/' as well as '\\'; ':' ends the drive part ("C:photo.jpg").
bool IsPathDelimiter(char C) {
    return C == '\\' || C == '/' || C == ':';
}

std::string LastErrorText() {
    return ErrorText(::GetLastError());
}

// ---- environment ----------------------------------------------------------

std::optional<std::string> GetEnvironmentVariable(const std::string& Name) {
    const std::wstring WideName = WideText(Name);
    std::wstring Value(64, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD N = ::GetEnvironmentVariableW(WideName.c_str(), Value.data(),
                                                  static_cast<DWORD>(Value.size()));
        if (N == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return std::nullopt;
        if (N < Value.size()) {
            Value.resize(N);
            return Utf8Text(Value);
        }
        Value.resize(N); // too small: N counts the terminating zero; the value may grow meanwhile
    }
}

// Windows always sets TEMP, so unset counts as missing like empty; no POSIX
// fallbacks here.
std::optional<std::string> UserConfigDirectory() {
    std::optional<std::string> Base = GetEnvironmentVariable("APPDATA");
    if (!Base || Base->empty())
        return std::nullopt;
    if (Base->back() != '\\')
        Base->push_back('\\');
    return *Base + "Quillon\\";
}

std::optional<std::string> TempDirectory() {
    std::optional<std::string> Dir = GetEnvironmentVariable("TEMP");
    if (!Dir || Dir->empty())
        return std::nullopt;
    if (Dir->back() != '\\' && Dir->back() != '/')
        Dir->push_back(PathSeparator());
    return Dir;
}

// ---- debugger output ---------------------------------------------------------

void PlatformDebugWrite(std::string_view Line) {
    std::string Text(Line);
    Text.push_back('\n'); // some debuggers join calls that lack it
    ::OutputDebugStringA(Text.c_str());
}

// ---- dynamic libraries -------------------------------------------------------

std::string ExecutableDirectory() {
    std::wstring Buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD N =
            ::GetModuleFileNameW(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
        if (N == 0)
            return {};
        if (N < Buffer.size())
            return ExtractFilePath(Utf8Text(std::wstring_view(Buffer.data(), N)));
        Buffer.resize(Buffer.size() * 2); // truncated
    }
}

std::string SharedLibraryFileName(std::string_view Stem) {
    return std::string(Stem) + ".dll";
}

TLibraryHandle LoadDynamicLibrary(const std::string& FileName) {
    const std::string Dir = ExecutableDirectory();
    if (!Dir.empty()) {
        const std::string Local = Dir + FileName;
        if (FileExists(Local)) {
            if (HMODULE H = ::LoadLibraryW(WideText(Local).c_str()))
                return H;
        }
    }
    return ::LoadLibraryW(WideText(FileName).c_str());
}

void* GetLibrarySymbol(TLibraryHandle Handle, const char* Name) {
    if (!Handle)
        return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(Handle), Name));
}

void FreeDynamicLibrary(TLibraryHandle Handle) {
    if (Handle)
        ::FreeLibrary(static_cast<HMODULE>(Handle));
}

// ---- clock -------------------------------------------------------------------

uint32_t HighResolutionCounterLow32() {
    LARGE_INTEGER Count;
    if (::QueryPerformanceCounter(&Count))
        return static_cast<uint32_t>(Count.QuadPart);
    return ::GetTickCount();
}

// ---- console -----------------------------------------------------------------

bool IsTerminal(TStdStream Stream) {
    std::FILE* F = Stream == TStdStream::Input    ? stdin
                   : Stream == TStdStream::Output ? stdout
                                                  : stderr;
    return ::_isatty(::_fileno(F)) != 0;
}

std::optional<std::string> ReadHiddenLine(const std::string& Prompt) {
    const HANDLE In = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    if (In == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const HANDLE Out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
    DWORD Mode = 0;
    const bool Console = ::GetConsoleMode(In, &Mode) != 0;
    if (Console)
        ::SetConsoleMode(In, (Mode | ENABLE_LINE_INPUT) & ~DWORD{ENABLE_ECHO_INPUT});
    const std::wstring WidePrompt = WideText(Prompt);
    DWORD Written = 0;
    if (Out != INVALID_HANDLE_VALUE)
        ::WriteConsoleW(Out, WidePrompt.data(), static_cast<DWORD>(WidePrompt.size()), &Written,
                        nullptr);
    std::wstring Line;
    bool Ended = false;
    wchar_t C;
    DWORD Got = 0;
    while (::ReadConsoleW(In, &C, 1, &Got, nullptr) && Got == 1) {
        if (C == L'\n') {
            Ended = true;
            break;
        }
        if (C != L'\r')
            Line.push_back(C);
    }
    if (Out != INVALID_HANDLE_VALUE) {
        ::WriteConsoleW(Out, L"\r\n", 2, &Written, nullptr);
        ::CloseHandle(Out);
    }
    if (Console)
        ::SetConsoleMode(In, Mode);
    ::CloseHandle(In);
    if (!Ended && Line.empty())
        return std::nullopt;
    return Utf8Text(Line);
}

// ---- process memory --------------------------------------------------------

int64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS Counters{};
    Counters.cb = sizeof Counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &Counters, sizeof Counters))
        return 0;
    return static_cast<int64_t>(Counters.PeakWorkingSetSize);
}

uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX Status{};
    Status.dwLength = sizeof Status;
    return ::GlobalMemoryStatusEx(&Status) ? static_cast<uint64_t>(Status.ullTotalPhys) : 0;
}

// Large pages need a privilege that ordinary accounts lack.
bool AdviseHugePages(void*, size_t) {
    return false;
}

// ---- interrupts ----------------------------------------------------------------

namespace {
BOOL WINAPI OnConsoleControl(DWORD Event) {
    // The system runs this on a thread of its own; 130 and 143 as on POSIX
    // for Ctrl+C and for the other ways to end the program.
    RemoveTemporaryFiles();
    ::ExitProcess(Event == CTRL_C_EVENT ? 130 : 143);
    return TRUE;
}
} // namespace

void RemoveTemporaryFilesOnInterrupt() {
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

// ---- system text -------------------------------------------------------------

std::vector<std::string> ProgramArguments(int Argc, char** Argv) {
    int Count = 0;
    LPWSTR* Wide = ::CommandLineToArgvW(::GetCommandLineW(), &Count);
    if (Wide == nullptr)
        return Argc > 1 ? std::vector<std::string>(Argv + 1, Argv + Argc)
                        : std::vector<std::string>{};
    std::vector<std::string> Args;
    for (int I = 1; I < Count; ++I)
        Args.push_back(Utf8Text(Wide[I]));
    ::LocalFree(Wide);
    return Args;
}

void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::optional<std::string> SystemCodePageText(std::string_view Text) {
    if (Text.empty())
        return std::string();
    const int Size = static_cast<int>(Text.size());
    const int N =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), Size, nullptr, 0);
    if (N == 0)
        return std::nullopt;
    std::wstring Utf16(static_cast<size_t>(N), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), Size, Utf16.data(), N);
    // A system that runs its 8-bit programs in UTF-8 takes the text as it is.
    if (::GetACP() == CP_UTF8)
        return std::string(Text);
    // No best fit: a look-alike byte would key the checksum with another code.
    BOOL Lossy = FALSE;
    const int M = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Utf16.data(), N, nullptr, 0,
                                        nullptr, &Lossy);
    if (M == 0 || Lossy)
        return std::nullopt;
    std::string Out(static_cast<size_t>(M), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Utf16.data(), N, Out.data(), M, nullptr,
                          nullptr);
    return Out;
}

} // namespace quillon
