#include "pending_file.h"

#include "files.h"
#include "temporary_files.h"

namespace quillon {

namespace {

constexpr const char* PartialSuffix = ".partial";
constexpr const char* AsideSuffix = ".old";
// Names are taken from 0 up and given back when a run ends; a run of free
// numbers this long means no more leftovers follow.
constexpr int FreeNumbersToStop = 8;

struct TRefusal {
    std::string Why; // "" when the entry may be replaced
    TFileErrorKind Kind = TFileErrorKind::Other;
};

TRefusal RefusalFor(const std::string& Path, TReplace Rule) {
    switch (EntryKindOf(Path)) {
    case TEntryKind::None:
        return {};
    case TEntryKind::RegularFile:
        if (Rule == TReplace::Nothing)
            return {"exists already", TFileErrorKind::Exists};
        return {};
    case TEntryKind::Link:
        if (Rule == TReplace::Nothing)
            return {"exists already", TFileErrorKind::Exists};
        if (Rule == TReplace::RegularFile)
            return {"is a symbolic link", TFileErrorKind::Exists};
        return {};
    case TEntryKind::DirectoryLink:
        return {"is a link to a folder", TFileErrorKind::NotAFile};
    case TEntryKind::Directory:
        return {"is a folder", TFileErrorKind::NotAFile};
    case TEntryKind::Fifo:
        return {"is a FIFO, not a regular file", TFileErrorKind::NotAFile};
    case TEntryKind::Socket:
        return {"is a socket, not a regular file", TFileErrorKind::NotAFile};
    case TEntryKind::Device:
        return {"is a device, not a regular file", TFileErrorKind::NotAFile};
    }
    return {"cannot be told apart", TFileErrorKind::Other};
}

// File systems keep write times coarser than the clock (FAT to 2 s): a
// file of a writer that runs beside this process must never look older.
constexpr std::chrono::seconds TimeGrain(2);

bool IsStale(const std::string& Path) {
    if (EntryKindOf(Path) != TEntryKind::RegularFile)
        return false;
    const auto Written = EntryWriteTime(Path);
    return Written && *Written + TimeGrain < ProcessStartTime();
}

} // namespace

std::string ReplaceRefusal(const std::string& Path, TReplace Rule) {
    return RefusalFor(Path, Rule).Why;
}

void RemoveStalePartialFiles(const std::string& Destination) {
    int Free = 0;
    for (int N = 0; Free < FreeNumbersToStop; ++N) {
        const std::string Name = Destination + PartialSuffix + std::to_string(N);
        bool Taken = false;
        for (const std::string& Path : {Name, Name + AsideSuffix}) {
            if (EntryKindOf(Path) == TEntryKind::None)
                continue;
            Taken = true;
            if (IsStale(Path))
                DeleteFile(Path);
        }
        Free = Taken ? 0 : Free + 1;
    }
}

TPendingFile::TPendingFile(const std::string& Destination, TReplace Rule, const TNameFor& NameFor,
                           TFileMode Mode)
    : FDestination(Destination), FRule(Rule), FNameFor(NameFor), FMode(Mode) {
    CheckDestination();
    // The new file means nothing to the user: say what stands in the
    // destination's way.
    const std::string Folder = ExtractFilePath(Destination);
    if (!Folder.empty() && !DirectoryExists(Folder))
        throw EFileError("Cannot create file \"" + Destination + "\": folder \"" + Folder +
                             "\" does not exist",
                         TFileErrorKind::NotFound);
    FStream = TFileStream::CreateUnnamed(Folder, Destination, Mode);
    if (!FStream)
        TakeName([this](const std::string& Name) { FStream.emplace(Name, FMode); });
}

TPendingFile::~TPendingFile() {
    if (FCommitted)
        return;
    FStream.reset(); // closed before it is removed, as some systems require
    if (FTemporaryName.empty())
        return; // a file without a name went with its handle
    DeleteFile(FTemporaryName);
    ForgetTemporaryFile(FTemporaryName);
}

void TPendingFile::CheckDestination() const {
    const TRefusal Refusal = RefusalFor(FDestination, FRule);
    if (!Refusal.Why.empty())
        throw EFileError("Cannot write \"" + FDestination + "\": it " + Refusal.Why, Refusal.Kind);
}

void TPendingFile::TakeName(const std::function<void(const std::string& Name)>& Take) {
    if (!FNameFor)
        RemoveStalePartialFiles(FDestination);
    // Another writer may hold a name already, or anything else may stand
    // there: take the first that is free, however many are not.
    for (int N = 0;; ++N) {
        std::string Name =
            FNameFor ? FNameFor(N) : FDestination + PartialSuffix + std::to_string(N);
        try {
            CreateTemporaryFile(Name, [&] { Take(Name); });
        } catch (const EFileError& E) {
            if (E.Kind() == TFileErrorKind::Exists)
                continue;
            throw;
        }
        FTemporaryName = std::move(Name);
        return;
    }
}

void TPendingFile::Commit() {
    // On the disk before it has a name at the destination: after a crash the
    // destination holds the old file or the whole new one.
    FStream->Sync();
    if (FTemporaryName.empty())
        TakeName([this](const std::string& Name) { FStream->GiveName(Name); });
    FStream->Close();
    // What stands at the destination may have changed while the file was
    // written.
    CheckDestination();
    MoveIntoPlace();
}

void TPendingFile::MoveIntoPlace() {
    if (FRule == TReplace::Nothing) {
        if (!RenameFileNoReplace(FTemporaryName, FDestination))
            throw EFileError("Cannot move \"" + FTemporaryName + "\" to \"" + FDestination +
                             "\": " + LastErrorText());
        FCommitted = true;
        ForgetTemporaryFile(FTemporaryName);
        return;
    }
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
        Aside = FTemporaryName + AsideSuffix;
        try {
            CreateTemporaryFile(Aside, [this, &Aside] {
                if (!LinkFile(FDestination, Aside))
                    throw EFileError("No second name for \"" + FDestination + "\"");
            });
        } catch (const EFileError&) {
            Aside.clear(); // freed inside the rename then
        }
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
