// A file opened by name, either for reading or created anew. Every failure
// is raised as EFileError; the handle is closed by the destructor on every
// path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillon {

// What went wrong with a file, as far as a person reading a report needs
// to know; the message says the rest.
enum class TFileErrorKind {
    Other,
    NotFound,     // the file, or a folder on its path, is missing
    AccessDenied, // the system refused access
    NotAFile,     // something other than a regular file stands there
    NoSpace,      // the disk or a quota is full
    EndOfFile,    // the file ended where more was needed
};

// The file layer's input/output error.
class EFileError : public std::runtime_error {
  public:
    explicit EFileError(const std::string& What, TFileErrorKind Kind = TFileErrorKind::Other)
        : std::runtime_error(What), FKind(Kind) {}
    TFileErrorKind Kind() const { return FKind; }

  private:
    TFileErrorKind FKind;
};

enum class TFileMode {
    OpenRead,  // existing file, read only, others may read and write it
    Create,    // create or truncate and replace, read and write
    CreateNew, // create, failing when anything exists at the path
    CreateNewOwnerOnly, // as CreateNew, and only the owner may read or write it (0600)
};

class TFileStream {
  public:
    TFileStream(const std::string& FileName, TFileMode Mode);
    TFileStream(TFileStream&& Other) noexcept;
    TFileStream& operator=(TFileStream&& Other) noexcept;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    virtual ~TFileStream();

    // Returns the count that arrived: fewer than Count only at the end of the file.
    size_t Read(void* Buffer, size_t Count);
    // Raises EFileError unless exactly Count bytes arrive.
    void ReadBuffer(void* Buffer, size_t Count);
    // Raises EFileError unless all Count bytes are written.
    void Write(const void* Buffer, size_t Count);
    // Absolute position from the start of the file; a position past the end is allowed.
    int64_t Seek(int64_t Offset);
    int64_t Position() const;
    int64_t Size() const;
    // Copies Count bytes from Source's current position; raises when a read or write falls short.
    void CopyFrom(TFileStream& Source, int64_t Count);
    // Copies Count bytes of Source from SourceOffset into this file at
    // DestOffset, inside the kernel where the system can (no pass through
    // memory), else through a buffer; raises as CopyFrom does. Both files'
    // positions are undefined afterwards.
    void CopyRange(TFileStream& Source, int64_t SourceOffset, int64_t DestOffset, int64_t Count);
    // Closes now and raises when the system reports a failure (late write errors).
    void Close();

    const std::string& FileName() const { return FFileName; }

  private:
    // The kernel's part of CopyRange: the bytes it copied before it stopped
    // (0 where the system has no such copy); raises on a real failure.
    int64_t CopyRangeInKernel(TFileStream& Source, int64_t SourceOffset, int64_t DestOffset,
                              int64_t Count);

    std::string FFileName;
    intptr_t FHandle = -1;
};

} // namespace quillon
