#include "pending_file.h"

#include "files.h"
#include "temporary_files.h"

namespace quillon {

TPendingFile::TPendingFile(const std::string& Destination, const TNameFor& NameFor)
    : FDestination(Destination) {
    // Another writer may hold a name already: take the first that can be created.
    constexpr int Attempts = 100;
    for (int N = 0;; ++N) {
        std::string Name = NameFor ? NameFor(N) : Destination + ".partial" + std::to_string(N);
        try {
            FStream.emplace(Name, TFileMode::CreateNew);
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

void TPendingFile::Commit() {
    FStream->Close();
    // Replacing a large file frees its blocks inside the rename. With a
    // second name the old file outlives the rename, which then only swaps
    // names, still in one step, and it is freed afterwards off this path.
    constexpr int64_t WorthIt = 64 << 20; // below that, freeing is quick
    std::string Aside;
    if (FileSizeOf(FDestination) >= WorthIt) {
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
