// A file written under a temporary name in its destination's folder and
// moved into place only once complete, so a failed write never leaves a
// half-written file at the destination nor destroys the one standing there.
#pragma once

#include "platform/file_stream.h"

#include <optional>
#include <string>

namespace quillon {

class TPendingFile {
  public:
    // Creates the temporary file (exclusively); raises EFileError when it cannot.
    explicit TPendingFile(const std::string& Destination);
    // Removes the temporary file unless Commit succeeded.
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;

    TFileStream& Stream() { return *FStream; }
    const std::string& TemporaryName() const { return FTemporaryName; }
    // Closes the file and moves it onto the destination; raises EFileError on failure.
    void Commit();

  private:
    std::string FDestination;
    std::string FTemporaryName;
    std::optional<TFileStream> FStream;
    bool FCommitted = false;
};

} // namespace quillon
