#include "pending_file.h"

#include "files.h"
#include "temporary_files.h"

namespace quillon {

TPendingFile::TPendingFile(const std::string& Destination, const TNameFor& NameFor,
                           TFileMode Mode)
    : FDestination(Destination) {
    // Another writer may hold a name already: take the first that can be created.
    constexpr int Attempts = 100;
    for (int N = 0;; ++N) {
        std::string Name = NameFor ? NameFor(N) : Destination + ".partial" + std::to_string(N);
        try {
            FStream.emplace(Name, Mode);
            RegisterTemporaryFile(Name);
            FTemporaryName = std::move(Name);
            return;
        } catch (const EFileError&) {
            // The temporary name means nothing to the user: say what stands
            // in the destination's way.
            const std::string Folder = ExtractFilePath(Destination);
            if (!Folder.empty() && !DirectoryExists(Folder))
                throw EFileError("Cannot create file \"" + Destination + "\": folder \"" + Folder +
                                     "\" does not exist",
                                 TFileErrorKind::NotFound);
            const bool Taken = PathExists(Name);
            if (!Taken || N + 1 >= Attempts)
                throw;
        }
    }
}

TPendingFile::~TPendingFile() {
    if (FCommitted)
        return;
    FStream.reset(); // closed before it is removed, as some systems require
    DeleteFile(FTemporaryName);
    ForgetTemporaryFile(FTemporaryName);
}

void TPendingFile::CommitNew() {
    FStream->Close();
    if (!RenameFileNoReplace(FTemporaryName, FDestination)) {
        const std::string Why =
            PathExists(FDestination) ? std::string("it exists already") : LastErrorText();
        throw EFileError("Cannot create \"" + FDestination + "\": " + Why);
    }
    FCommitted = true;
    ForgetTemporaryFile(FTemporaryName);
}

void TPendingFile::Commit() {
    FStream->Close();
    // Replacing a large file by a rename frees the old file inside the
    // rename, and on some file systems makes the new one be written out
    // first. Where the system can swap the two names in one step, the old
    // file then lies under the temporary name and is freed afterwards, off
    // this path; elsewhere it gets a second name that outlives the rename.
    constexpr int64_t WorthIt = 64 << 20; // below that, freeing is quick
    const bool Large = FileSizeOf(FDestination) >= WorthIt;
    if (Large && ExchangeFiles(FTemporaryName, FDestination)) {
        FCommitted = true;
        DeleteTemporaryFileLater(FTemporaryName);
        return;
    }
    std::string Aside;
    if (Large) {
        Aside = FTemporaryName + ".old";
        if (LinkFile(FDestination, Aside))
            RegisterTemporaryFile(Aside);
        else
            Aside.clear();
    }
    if (!RenameFile(FTemporaryName, FDestination)) {
        const std::string Why = LastErrorText();
        if (!Aside.empty()) {
            DeleteFile(Aside);
            ForgetTemporaryFile(Aside);
        }
        throw EFileError("Cannot move \"" + FTemporaryName + "\" to \"" + FDestination +
                         "\": " + Why);
    }
    FCommitted = true;
    ForgetTemporaryFile(FTemporaryName);
    if (!Aside.empty())
        DeleteTemporaryFileLater(Aside);
}

} // namespace quillon
