// A file written under a temporary name in its destination's folder and
// moved into place only once complete, so a failed write never leaves a
// half-written file at the destination nor destroys the one standing there.
#pragma once

#include "file_stream.h"

#include <functional>
#include <optional>
#include <string>

namespace quillon {

class TPendingFile {
  public:
    // Gives the temporary name to try at attempt N (0, 1, ...).
    using TNameFor = std::function<std::string(int Attempt)>;

    // Creates the temporary file exclusively under the first free name
    // (by default Destination + ".partial" + N); raises EFileError when it
    // cannot. Mode is CreateNew or CreateNewOwnerOnly.
    explicit TPendingFile(const std::string& Destination, const TNameFor& NameFor = {},
                          TFileMode Mode = TFileMode::CreateNew);
    // Removes the temporary file unless Commit succeeded.
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;

    TFileStream& Stream() { return *FStream; }
    const std::string& TemporaryName() const { return FTemporaryName; }
    // Closes the file and moves it onto the destination in one rename;
    // raises EFileError on failure.
    void Commit();
    // As Commit, but fails (EFileError) instead of replacing a file that
    // stands at the destination, even one that appeared a moment ago.
    void CommitNew();

  private:
    std::string FDestination;
    std::string FTemporaryName;
    std::optional<TFileStream> FStream;
    bool FCommitted = false;
};

} // namespace quillon
