#include "cli_keys.h"

#include "cli_output.h"

#include "crypto/crypto_error.h"
#include "crypto/key_files.h"
#include "engine/media_file.h"
#include "platform/file_stream.h"
#include "platform/files.h"

#include <fstream>

namespace quillon::cli {

namespace {

constexpr const char* ErrorPrefix = "quillon-cli: ";

// A column of key list and key trust: as it stands (paths keep their
// backslashes on Windows), or escaped when a control byte would break the line.
std::string FieldText(std::string_view Text) {
    for (const char C : Text)
        if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F)
            return PrintableText(Text);
    return std::string(Text);
}

int Fail(TStreams& S, const std::string& Why) {
    S.Err << ErrorPrefix << Why << '\n';
    return ExitFailed;
}

// The first line of the passphrase file or of standard input, without its
// line end; nothing (with the complaint in Why) when there is none.
std::optional<std::string> PassphraseFromFile(const std::string& Path, std::istream& In,
                                              std::string& Why) {
    std::string Line;
    if (Path == "-") {
        // Read as far as a line can reach: standard input may never end.
        const std::optional<std::string> Read = ReadSiteCodeLine(In);
        if (!Read) {
            Why = "the passphrase on standard input is longer than " +
                  std::to_string(MaxSiteCodeBytes) + " bytes";
            return std::nullopt;
        }
        Line = *Read;
    } else {
        TFileStream File(Path, TFileMode::OpenRead);
        constexpr size_t Most = 4096;
        std::string Text(Most, '\0');
        Text.resize(File.Read(Text.data(), Text.size()));
        Line = Text.substr(0, Text.find('\n'));
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
    }
    if (Line.empty()) {
        Why = "the passphrase is empty (--no-passphrase makes a key without one)";
        return std::nullopt;
    }
    return Line;
}

std::optional<std::string> PassphraseFromTerminal(const std::string& KeyPath,
                                                  const TAskHidden& Ask, std::string& Why) {
    std::optional<std::string> First = Ask("Passphrase for " + KeyPath + ": ");
    if (!First) {
        Why = "no terminal to ask for a passphrase: give --passphrase-file F or --no-passphrase";
        return std::nullopt;
    }
    if (First->empty()) {
        Why = "the passphrase is empty (--no-passphrase makes a key without one)";
        return std::nullopt;
    }
    const std::optional<std::string> Second = Ask("The same passphrase again: ");
    if (!Second || *Second != *First) {
        Why = "the two passphrases differ; nothing was written";
        return std::nullopt;
    }
    return First;
}

int NewKey(const TOptions& O, std::istream& In, TStreams& S, const TAskHidden& Ask) {
    const std::string& Name = O.Paths[1];
    const std::string SecretPath = Name + ".key", PublicPath = Name + ".pub";
    const std::string Comment = O.KeyComment ? *O.KeyComment : ExtractFileName(Name);
    if (Comment.empty())
        return Fail(S, "the key's comment is empty");
    if (const std::string Problem = CommentProblem(Comment); !Problem.empty())
        return Fail(S, Problem);
    if (!O.Force) {
        for (const std::string& P : {SecretPath, PublicPath})
            if (PathExists(P))
                return Fail(S, P + " exists already (-f replaces it)");
    }
    std::optional<std::string> Passphrase;
    if (!O.NoPassphrase) {
        std::string Why;
        Passphrase = O.PassphraseFile ? PassphraseFromFile(*O.PassphraseFile, In, Why)
                                      : PassphraseFromTerminal(SecretPath, Ask, Why);
        if (!Passphrase)
            return Fail(S, Why);
    }
    const TSecretKey Key = GenerateSecretKey(Comment);
    // The secret first: a public key without its secret is of no use.
    WriteSecretKeyFile(SecretPath, Key, Passphrase, O.Force);
    WritePublicKeyFile(PublicPath, Key.Public(), O.Force);
    S.Out << "secret key: " << SecretPath << " (keep it to yourself"
          << (Passphrase ? "" : "; it has no passphrase") << ")\n"
          << "public key: " << PublicPath << " (for those who verify: quillon-cli key trust "
          << PublicPath << ")\n"
          << "key id: " << KeyIdText(Key.Id) << '\n';
    return ExitOk;
}

std::optional<std::string> TrustFolderOrComplain(TStreams& S) {
    std::optional<std::string> Folder = TrustFolder();
    if (!Folder)
        Fail(S, "cannot tell the settings folder (neither XDG_CONFIG_HOME nor HOME, or APPDATA, "
                "is set)");
    return Folder;
}

int TrustKey(const TOptions& O, TStreams& S) {
    const std::optional<std::string> Folder = TrustFolderOrComplain(S);
    if (!Folder)
        return ExitFailed;
    std::string StoredAs;
    const TTrustOutcome Outcome = TrustPublicKeyFile(O.Paths[1], *Folder, O.Force, StoredAs);
    const TPublicKey Key = ReadPublicKeyFile(StoredAs);
    S.Out << (Outcome == TTrustOutcome::Added ? "trusted: " : "already trusted: ")
          << KeyIdText(Key.Id) << ' ' << FieldText(Key.Comment) << " (" << FieldText(StoredAs)
          << ")\n";
    return ExitOk;
}

int ListKeys(TStreams& S) {
    const std::optional<std::string> Folder = TrustFolderOrComplain(S);
    if (!Folder)
        return ExitFailed;
    const TTrustedKeys Trusted = LoadTrustedKeys(*Folder);
    for (const TTrustedKey& K : Trusted.Keys)
        S.Out << KeyIdText(K.Key.Id) << '\t' << FieldText(K.Key.Comment) << '\t'
              << FieldText(K.Path) << '\n';
    for (const std::string& Problem : Trusted.Problems)
        S.Err << ErrorPrefix << "not a public key, skipped: " << FieldText(Problem) << '\n';
    if (Trusted.Keys.empty() && Trusted.Problems.empty())
        S.Err << ErrorPrefix << "no trusted keys in " << *Folder << '\n';
    return ExitOk;
}

} // namespace

std::optional<TSecretKey> LoadSigningKey(const TOptions& O, std::istream& In, TStreams& S,
                                         const TAskHidden& Ask) {
    const std::string& Path = *O.SigningKey;
    std::string Why;
    const TPassphraseSource Passphrase = [&]() -> std::optional<std::string> {
        if (O.PassphraseFile)
            return PassphraseFromFile(*O.PassphraseFile, In, Why);
        std::optional<std::string> Line = Ask("Passphrase for " + Path + ": ");
        if (!Line)
            Why = "no terminal to ask for the passphrase of " + Path + ": give --passphrase-file F";
        return Line;
    };
    try {
        return ReadSecretKeyFile(Path, Passphrase);
    } catch (const std::exception& E) {
        Fail(S, "cannot use the signing key " + FieldText(Path) + ": " +
                    (Why.empty() ? std::string(E.what()) : Why));
        return std::nullopt;
    }
}

std::optional<TTrustedKeyList> LoadVerifyTrust(const TOptions& O, TStreams& S) {
    TTrustedKeyList Keys;
    if (const std::optional<std::string> Folder = TrustFolder()) {
        TTrustedKeys Trusted = LoadTrustedKeys(*Folder);
        for (TTrustedKey& K : Trusted.Keys)
            Keys.push_back(std::move(K.Key));
        for (const std::string& Problem : Trusted.Problems)
            S.Err << ErrorPrefix << "not a public key, not trusted: " << FieldText(Problem) << '\n';
    }
    for (const std::string& Path : O.TrustFiles) {
        try {
            Keys.push_back(ReadPublicKeyFile(Path));
        } catch (const std::exception& E) {
            Fail(S, "cannot trust " + FieldText(Path) + ": " + E.what());
            return std::nullopt;
        }
    }
    return Keys;
}

int RunKey(const TOptions& O, std::istream& In, TStreams& S, const TAskHidden& Ask) {
    try {
        const std::string& What = O.Paths[0];
        if (What == "new")
            return NewKey(O, In, S, Ask);
        if (What == "trust")
            return TrustKey(O, S);
        return ListKeys(S);
    } catch (const std::exception& E) {
        return Fail(S, E.what());
    }
}

} // namespace quillon::cli
