// The one way the program writes a file: a new file in the destination's
// folder, moved onto the destination in one rename only once it is complete
// and on the disk. A failed, interrupted or killed write never leaves a
// half-written file at the destination nor harms the one standing there.
//
// Where the system has files without a name (Linux: O_TMPFILE), the new file
// has none until just before the rename, so even a killed process leaves
// nothing behind. Elsewhere it is created under a free name (by default the
// destination + ".partial" + N), exclusively and never through a link, and
// an interrupt removes it; leftovers of killed runs under such names are
// removed before a name is chosen.
//
// The destination itself is never opened: a link there is replaced, never
// followed; a hard-linked file is replaced by a new one, never written
// through; a folder, a FIFO, a socket or a device is refused.
#pragma once

#include "file_stream.h"

#include <functional>
#include <optional>
#include <string>

namespace quillon {

// What a write may replace at its destination.
enum class TReplace {
    Nothing,     // whatever stands there, a dangling link included, stays: refused
    RegularFile, // a regular file (replaced by a new file; a link is refused)
    FileOrLink,  // a regular file or a symbolic link (the link itself, never its target)
};

// Why the entry at Path may not be replaced under Rule, as words that follow
// the path ("exists already", "is a FIFO, not a regular file"); "" when it
// may. A folder, a link to a folder, a FIFO, a socket and a device are never
// replaced, whatever the rule.
std::string ReplaceRefusal(const std::string& Path, TReplace Rule);

// Removes the leftovers of killed runs beside Destination: regular files
// named Destination + ".partial" + a number (also with ".old" behind), last
// written before this process started (by more than the 2 s that file
// systems may round write times by). Names are taken from 0 up, so the
// search ends after a few free numbers in a row.
void RemoveStalePartialFiles(const std::string& Destination);

class TPendingFile {
  public:
    // Gives the temporary name to try at attempt N (0, 1, ...).
    using TNameFor = std::function<std::string(int Attempt)>;

    // Refuses at once (EFileError) a destination that Rule does not let it
    // replace (kind Exists when another rule would, else NotAFile) or whose
    // folder is missing; then creates the new file, for its owner alone when
    // Mode is CreateNewOwnerOnly. NameFor replaces the default temporary
    // names; no leftovers are looked for then.
    explicit TPendingFile(const std::string& Destination, TReplace Rule = TReplace::FileOrLink,
                          const TNameFor& NameFor = {}, TFileMode Mode = TFileMode::CreateNew);
    // Removes the new file unless Commit succeeded.
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;

    TFileStream& Stream() { return *FStream; }
    // The new file's name; "" while it has none.
    const std::string& TemporaryName() const { return FTemporaryName; }
    // Flushes the file to the disk, checks the destination again and moves
    // the file onto it in one rename; raises EFileError on failure, leaving
    // the destination as it was.
    void Commit();

  private:
    void CheckDestination() const;
    // Takes the first free temporary name, Take creating the file under it
    // (raising EFileError of kind Exists when the name is taken).
    void TakeName(const std::function<void(const std::string& Name)>& Take);
    void MoveIntoPlace();

    std::string FDestination;
    TReplace FRule;
    TNameFor FNameFor;
    TFileMode FMode;
    std::string FTemporaryName;
    std::optional<TFileStream> FStream;
    bool FCommitted = false;
};

} // namespace quillon
