#include "key_files.h"

#include "crypto_error.h"

#include "platform/environment.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/pending_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quillon {

namespace {

namespace fs = std::filesystem;

// Key and signature files are a few lines; anything larger is no key.
constexpr int64_t MaxKeyFileBytes = 64 << 10;

std::string ReadSmallFile(const std::string& Path) {
    TFileStream File(Path, TFileMode::OpenRead);
    const int64_t Size = File.Size();
    if (Size > MaxKeyFileBytes)
        throw ECryptoError(TCryptoErrorKind::Malformed,
                           "\"" + Path + "\" is too large to be a key file");
    std::string Text(static_cast<size_t>(Size), '\0');
    File.ReadBuffer(Text.data(), Text.size());
    return Text;
}

void WriteFile(const std::string& Path, const std::string& Text, bool Replace, TFileMode Mode) {
    TPendingFile Pending(Path, {}, Mode);
    Pending.Stream().Write(Text.data(), Text.size());
    if (Replace)
        Pending.Commit();
    else
        Pending.CommitNew();
}

fs::path FsPath(const std::string& Utf8) {
    return fs::path(std::u8string(Utf8.begin(), Utf8.end()));
}

std::string Utf8Of(const fs::path& Path) {
    const std::u8string Text = Path.u8string();
    return std::string(Text.begin(), Text.end());
}

} // namespace

TPublicKey ReadPublicKeyFile(const std::string& Path) {
    try {
        return ParsePublicKey(ReadSmallFile(Path));
    } catch (const ECryptoError& E) {
        throw ECryptoError(E.Kind(), "\"" + Path + "\": " + E.what());
    }
}

TSecretKey ReadSecretKeyFile(const std::string& Path, const TPassphraseSource& Passphrase) {
    if (const std::optional<uint32_t> Bits = FilePermissions(Path); Bits && (*Bits & 077) != 0) {
        char Octal[16];
        std::snprintf(Octal, sizeof Octal, "%04o", static_cast<unsigned>(*Bits));
        throw ECryptoError(TCryptoErrorKind::Unsafe,
                           "permissions " + std::string(Octal) + " of \"" + Path +
                               "\" are too open: a secret key must be for its owner alone "
                               "(chmod 600)");
    }
    std::string Text = ReadSmallFile(Path);
    try {
        std::optional<std::string> Secret;
        if (SecretKeyNeedsPassphrase(Text)) {
            Secret = Passphrase ? Passphrase() : std::nullopt;
            if (!Secret)
                throw ECryptoError(TCryptoErrorKind::WrongPassphrase,
                                   "the secret key needs its passphrase, and none was given");
        }
        TSecretKey Key = ParseSecretKey(Text, Secret ? *Secret : std::string());
        std::fill(Text.begin(), Text.end(), '\0');
        if (Secret)
            std::fill(Secret->begin(), Secret->end(), '\0');
        return Key;
    } catch (const ECryptoError& E) {
        std::fill(Text.begin(), Text.end(), '\0');
        throw ECryptoError(E.Kind(), "\"" + Path + "\": " + E.what());
    }
}

void WritePublicKeyFile(const std::string& Path, const TPublicKey& Key, bool Replace) {
    WriteFile(Path, FormatPublicKey(Key), Replace, TFileMode::CreateNew);
}

void WriteSecretKeyFile(const std::string& Path, const TSecretKey& Key,
                        const std::optional<std::string>& Passphrase, bool Replace,
                        const TKdfLimits& Limits) {
    std::string Text = FormatSecretKey(Key, Passphrase, Limits);
    WriteFile(Path, Text, Replace, TFileMode::CreateNewOwnerOnly);
    std::fill(Text.begin(), Text.end(), '\0');
}

std::optional<std::string> TrustFolder() {
    const std::optional<std::string> Settings = UserConfigDirectory();
    if (!Settings)
        return std::nullopt;
    return *Settings + "trusted" + PathSeparator();
}

TTrustedKeys LoadTrustedKeys(const std::string& Folder) {
    TTrustedKeys Found;
    std::error_code Ec;
    fs::directory_iterator It(FsPath(Folder), Ec);
    if (Ec)
        return Found; // no folder: no trusted keys
    for (const fs::directory_iterator End; It != End; It.increment(Ec)) {
        std::error_code KindEc;
        if (!It->is_regular_file(KindEc) || !SameTextAscii(Utf8Of(It->path().extension()), ".pub"))
            continue;
        const std::string Path = Utf8Of(It->path());
        try {
            Found.Keys.push_back({ReadPublicKeyFile(Path), Path});
        } catch (const std::exception& E) {
            Found.Problems.push_back(E.what());
        }
    }
    std::sort(Found.Keys.begin(), Found.Keys.end(),
              [](const TTrustedKey& A, const TTrustedKey& B) { return A.Path < B.Path; });
    std::sort(Found.Problems.begin(), Found.Problems.end());
    return Found;
}

TTrustOutcome TrustPublicKeyFile(const std::string& PublicKeyPath, const std::string& Folder,
                                 bool Replace, std::string& StoredAs) {
    const std::string Text = ReadSmallFile(PublicKeyPath);
    TPublicKey Key;
    try {
        Key = ParsePublicKey(Text);
    } catch (const ECryptoError& E) {
        throw ECryptoError(E.Kind(), "\"" + PublicKeyPath + "\": " + E.what());
    }
    std::error_code Ec;
    fs::create_directories(FsPath(Folder), Ec);
    if (Ec)
        throw EFileError("Cannot create folder \"" + Folder + "\": " + Ec.message());
    StoredAs = Folder + KeyIdText(Key.Id) + ".pub";
    if (FileExists(StoredAs)) {
        try {
            const TPublicKey Old = ReadPublicKeyFile(StoredAs);
            if (Old.Key == Key.Key && Old.Comment == Key.Comment)
                return TTrustOutcome::AlreadyTrusted;
        } catch (const std::exception&) {
            // a damaged file under the key's name is replaced like any other
        }
        if (!Replace)
            throw EFileError("\"" + StoredAs +
                             "\" already holds another key with the same id (-f replaces it)");
    }
    WriteFile(StoredAs, FormatPublicKey(Key), true, TFileMode::CreateNew);
    return TTrustOutcome::Added;
}

} // namespace quillon
