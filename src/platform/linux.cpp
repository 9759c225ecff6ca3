// The Linux side of the platform layer: what posix.cpp leaves to the system
// because POSIX does not say it or other systems say it otherwise (the
// kernel's copy and renames, unnamed files, the executable's path, memory
// figures in the kernel's units, huge pages, the shared library's name).
// Another POSIX system adds its own file with these functions.
#include "dynamic_library.h"
#include "file_stream.h"
#include "files.h"
#include "posix_system.h"
#include "process_memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using namespace posix;

// ---- file stream -----------------------------------------------------------

int64_t TFileStream::CopyRangeInKernel(TFileStream& Source, int64_t SourceOffset,
                                       int64_t DestOffset, int64_t Count) {
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
}

namespace {
// Where a descriptor can be reached by a path; a file without a name gets
// one through it.
std::string DescriptorPath(int Handle) {
    return "/proc/self/fd/" + std::to_string(Handle);
}
} // namespace

std::optional<TFileStream> TFileStream::CreateUnnamed(const std::string& Folder,
                                                      const std::string& FileName,
                                                      TFileMode Mode) {
#ifdef O_TMPFILE
    // Without /proc the file could never be given its name.
    if (::access("/proc/self/fd", X_OK) != 0)
        return std::nullopt;
    const std::string Dir = Folder.empty() ? "." : Folder;
    const mode_t Permissions = Mode == TFileMode::CreateNewOwnerOnly ? 0600 : 0666;
    int Handle;
    do {
        Handle = ::open(Dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, Permissions);
    } while (Handle < 0 && errno == EINTR);
    // Any failure (a file system without such files, a missing or closed
    // folder) is left to the named file, whose creation reports it.
    if (Handle < 0)
        return std::nullopt;
    return TFileStream(FileName, Handle);
#else
    (void)Folder, (void)FileName, (void)Mode;
    return std::nullopt;
#endif
}

void TFileStream::GiveName(const std::string& Path) {
    // linkat() never replaces what stands at Path, a dangling link included.
    const std::string Self = DescriptorPath(Fd(FHandle));
    if (::linkat(AT_FDCWD, Self.c_str(), AT_FDCWD, Path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        RaiseIo(Path, "Cannot create file", errno);
}

// ---- files ---------------------------------------------------------------

bool RenameFileNoReplace(const std::string& From, const std::string& To) {
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a second name, which nothing at To
    // lets through, then the first one goes.
    if (::link(From.c_str(), To.c_str()) != 0)
        return false;
    ::unlink(From.c_str());
    return true;
}

bool ExchangeFiles(const std::string& A, const std::string& B) {
    return ::renameat2(AT_FDCWD, A.c_str(), AT_FDCWD, B.c_str(), RENAME_EXCHANGE) == 0;
}

// ---- dynamic libraries -------------------------------------------------------

std::string ExecutableDirectory() {
    char Buffer[4096];
    const ssize_t N = ::readlink("/proc/self/exe", Buffer, sizeof Buffer - 1);
    if (N <= 0)
        return {};
    return ExtractFilePath(std::string_view(Buffer, static_cast<size_t>(N)));
}

std::string SharedLibraryFileName(std::string_view Stem) {
    return "lib" + std::string(Stem) + ".so";
}

// ---- process memory --------------------------------------------------------

int64_t PeakResidentBytes() {
    rusage Usage{};
    if (getrusage(RUSAGE_SELF, &Usage) != 0)
        return 0;
    return static_cast<int64_t>(Usage.ru_maxrss) * 1024; // Linux counts KiB here
}

uint64_t PhysicalMemoryBytes() {
    const long Pages = ::sysconf(_SC_PHYS_PAGES);
    const long PageSize = ::sysconf(_SC_PAGESIZE);
    return Pages > 0 && PageSize > 0
               ? static_cast<uint64_t>(Pages) * static_cast<uint64_t>(PageSize)
               : 0;
}

bool AdviseHugePages(void* Data, size_t Size) {
    constexpr uintptr_t HugePage = uintptr_t{2} << 20;
    const uintptr_t Begin = reinterpret_cast<uintptr_t>(Data);
    const uintptr_t First = (Begin + HugePage - 1) & ~(HugePage - 1);
    const uintptr_t Last = (Begin + Size) & ~(HugePage - 1);
    if (Data == nullptr || Begin + Size < Begin || Last <= First)
        return false;
    return ::madvise(reinterpret_cast<void*>(First), Last - First, MADV_HUGEPAGE) == 0;
}

} // namespace quillon
