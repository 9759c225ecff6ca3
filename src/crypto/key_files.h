// Key files on disk: reading them with the checks a secret deserves, writing
// them through the safe writer, and the folder of trusted public keys.
#pragma once

#include "minisign_keys.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// Raise EFileError (cannot be read) or ECryptoError (not a key).
TPublicKey ReadPublicKeyFile(const std::string& Path);

// Asked only for a key that needs one; nothing means none could be had.
using TPassphraseSource = std::function<std::optional<std::string>()>;

// Refuses (ECryptoError, Unsafe) a file that group or others may access,
// as ssh refuses such keys; raises as ParseSecretKey otherwise, and
// ECryptoError (WrongPassphrase) when no passphrase could be had.
TSecretKey ReadSecretKeyFile(const std::string& Path, const TPassphraseSource& Passphrase);

// Write through a temporary file moved into place; the secret key file is
// readable by its owner alone from its first moment. Without Replace an
// existing file is never replaced (EFileError).
void WritePublicKeyFile(const std::string& Path, const TPublicKey& Key, bool Replace);
void WriteSecretKeyFile(const std::string& Path, const TSecretKey& Key,
                        const std::optional<std::string>& Passphrase, bool Replace,
                        const TKdfLimits& Limits = KeyFileKdfLimits());

// ---- trusted keys ----

// The folder of trusted public keys ("<settings>/trusted/"), or nothing
// when the settings folder cannot be told.
std::optional<std::string> TrustFolder();

struct TTrustedKey {
    TPublicKey Key;
    std::string Path;
};

struct TTrustedKeys {
    std::vector<TTrustedKey> Keys; // sorted by file name
    std::vector<std::string> Problems; // files that are no public keys, with the reason
};

// Every "*.pub" file in Folder (none when it does not exist).
TTrustedKeys LoadTrustedKeys(const std::string& Folder);

enum class TTrustOutcome { Added, AlreadyTrusted };
// Copies the public key file into Folder as "<KEY ID>.pub", creating the
// folder. A different key file under that name is replaced only with
// Replace (EFileError otherwise).
TTrustOutcome TrustPublicKeyFile(const std::string& PublicKeyPath, const std::string& Folder,
                                 bool Replace, std::string& StoredAs);

} // namespace quillon
