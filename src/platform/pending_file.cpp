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
    if (!RenameFile(FTemporaryName, FDestination))
        throw EFileError("Cannot move \"" + FTemporaryName + "\" to \"" + FDestination +
                         "\": " + LastErrorText());
    FCommitted = true;
    ForgetTemporaryFile(FTemporaryName);
}

} // namespace quillon
