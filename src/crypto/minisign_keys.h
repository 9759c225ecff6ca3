// Key files in the widespread minisign format, so that keys can be made,
// used and checked by either tool.
//
// Public key file: "untrusted comment: TEXT", then base64 of
//   "Ed" | key id (8) | Ed25519 public key (32).
// Secret key file: "untrusted comment: TEXT", then base64 of
//   "Ed" | "Sc" (scrypt) or two zero bytes (no passphrase) | "B2" |
//   salt (32) | opslimit (8, LE) | memlimit (8, LE) |
//   key id (8) | Ed25519 secret key (64) | BLAKE2b-256 checksum (32)
// where the last 104 bytes are XORed with the scrypt output when protected,
// and the checksum covers "Ed" | key id | secret key.
#pragma once

#include "ed25519.h"
#include "passphrase_kdf.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr size_t KeyIdBytes = 8;
using TKeyId = std::array<uint8_t, KeyIdBytes>;

// The id as people see it: the 8 bytes read as a little-endian number, in
// 16 upper-case hexadecimal digits.
std::string KeyIdText(const TKeyId& Id);

// The longest comment a key or signature file line may hold here; the
// other tool reads lines of up to 1024 bytes.
inline constexpr size_t MaxCommentBytes = 900;
// Empty when Text may stand on a comment line; the complaint otherwise.
std::string CommentProblem(std::string_view Text);

struct TPublicKey {
    TKeyId Id{};
    TPublicKeyBytes Key{};
    std::string Comment; // the text behind "untrusted comment: "
};

struct TSecretKey {
    TKeyId Id{};
    TSigningKey Key;
    std::string Comment;
    TPublicKey Public() const;
};

// A new key pair with a random id.
TSecretKey GenerateSecretKey(const std::string& Comment);

// Raise ECryptoError: Malformed, Unsupported (another algorithm), or for the
// secret key WrongPassphrase.
TPublicKey ParsePublicKey(std::string_view FileText);
std::string FormatPublicKey(const TPublicKey& Key);

// True when the secret key file needs a passphrase. Raises as ParseSecretKey.
bool SecretKeyNeedsPassphrase(std::string_view FileText);
// The passphrase is ignored for a key stored without one.
TSecretKey ParseSecretKey(std::string_view FileText, std::string_view Passphrase);
// Without a passphrase the key is stored in the clear.
std::string FormatSecretKey(const TSecretKey& Key, const std::optional<std::string>& Passphrase,
                            const TKdfLimits& Limits = KeyFileKdfLimits());

// The first two lines of a key or signature file, without their line ends;
// shared with the signature reader.
struct TFileLines {
    std::string_view Comment; // behind "untrusted comment: "
    std::string_view Data;
    std::string_view Rest; // everything after the second line
};
TFileLines SplitKeyFileLines(std::string_view FileText, const char* What);
// The next line of Text without its line end ("\n" or "\r\n"); Text keeps
// what follows it.
std::string_view TakeKeyFileLine(std::string_view& Text);

} // namespace quillon
