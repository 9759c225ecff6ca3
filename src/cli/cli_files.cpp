#include "cli_files.h"

#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillon::cli {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& Path) {
    return fs::path(std::u8string(Path.begin(), Path.end()));
}

std::string Utf8FromPath(const fs::path& Path) {
    const std::u8string Text = Path.u8string();
    return std::string(Text.begin(), Text.end());
}

bool IsMediaPath(std::string_view Path) {
    const std::string Ext = ExtractFileExt(Path);
    return SameTextAscii(Ext, ".avi") || SameTextAscii(Ext, ".jpg") || SameTextAscii(Ext, ".jpeg");
}

bool IsSignedCopyPath(std::string_view Path) {
    const auto EndsWith = [&](std::string_view Tail) {
        return Path.size() >= Tail.size() &&
               SameTextAscii(Path.substr(Path.size() - Tail.size()), Tail);
    };
    return EndsWith(".mod.jpg") || EndsWith(".mod.avi");
}

namespace {

// Walks with an explicit stack of folders, so depth costs no call stack.
void WalkFolder(const std::string& Root, TWalkFilter Filter, TTargets& Targets) {
    std::vector<fs::path> Found;
    std::vector<fs::path> Pending{PathFromUtf8(Root)};
    while (!Pending.empty()) {
        const fs::path Dir = std::move(Pending.back());
        Pending.pop_back();
        std::error_code Ec;
        fs::directory_iterator It(Dir, Ec);
        if (Ec) {
            Targets.Problems.push_back("cannot read folder " + Utf8FromPath(Dir) + ": " +
                                       Ec.message());
            continue;
        }
        for (const fs::directory_iterator End; It != End; It.increment(Ec)) {
            const fs::directory_entry& Entry = *It;
            std::error_code KindEc;
            if (!Entry.is_symlink(KindEc) && Entry.is_directory(KindEc)) {
                Pending.push_back(Entry.path());
            } else if (Entry.is_regular_file(KindEc)) {
                const std::string Name = Utf8FromPath(Entry.path().filename());
                if (IsMediaPath(Name) &&
                    !(Filter == TWalkFilter::SkipSignedCopies && IsSignedCopyPath(Name)))
                    Found.push_back(Entry.path());
            }
        }
        if (Ec)
            Targets.Problems.push_back("cannot read folder " + Utf8FromPath(Dir) + ": " +
                                       Ec.message());
    }
    if (Found.empty()) {
        Targets.Problems.push_back("no .avi, .jpg or .jpeg files in folder " + Root);
        return;
    }
    // Path comparison goes element by element, so a folder's files stay together.
    std::sort(Found.begin(), Found.end());
    for (const fs::path& P : Found)
        Targets.Files.push_back(Utf8FromPath(P));
}

} // namespace

TTargets CollectTargets(const std::vector<std::string>& Args, TWalkFilter Filter) {
    TTargets Targets;
    for (const std::string& A : Args) {
        if (DirectoryExists(A))
            WalkFolder(A, Filter, Targets);
        else
            Targets.Files.push_back(A);
    }
    return Targets;
}

} // namespace quillon::cli
