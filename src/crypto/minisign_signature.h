// Detached signatures in the minisign format (".minisig"), so that a file
// Quillon signs can be checked with that tool and the other way round:
//   untrusted comment: TEXT
//   base64("ED" | key id (8) | Ed25519 signature of BLAKE2b-512(file) (64))
//   trusted comment: TEXT
//   base64(Ed25519 signature of (the signature above | trusted comment))
// The older form "Ed" signs the file's bytes themselves; it is read, never
// written.
#pragma once

#include "digest.h"
#include "minisign_keys.h"

#include <span>
#include <string>
#include <string_view>

namespace quillon {

struct TDetachedSignature {
    TKeyId Id{};
    bool Prehashed = true;
    TSignatureBytes Signature{};
    std::string UntrustedComment;
    std::string TrustedComment;
    TSignatureBytes CommentSignature{};
};

// "timestamp:SECONDS\tfile:NAME\thashed", as the other tool writes by default.
std::string DefaultTrustedComment(int64_t UnixSeconds, std::string_view FileName);

// The .minisig text for a file whose BLAKE2b-512 is FileDigest. Raises
// ECryptoError (Malformed) for a comment that cannot stand on its line.
std::string SignFileDigest(const TSecretKey& Key, const TDigest512& FileDigest,
                           std::string_view TrustedComment, std::string_view UntrustedComment);

// Raises ECryptoError (Malformed, Unsupported).
TDetachedSignature ParseDetachedSignature(std::string_view FileText);

// Checks both signatures against the key. Message is the file's bytes; for a
// prehashed signature only its digest is needed (the overload). Raises
// ECryptoError: KeyMismatch when another key signed, BadSignature when the
// file or the trusted comment changed.
void VerifyDetachedSignature(const TPublicKey& Key, const TDetachedSignature& Signature,
                             std::span<const uint8_t> Message);
void VerifyDetachedSignature(const TPublicKey& Key, const TDetachedSignature& Signature,
                             const TDigest512& FileDigest);
// The file read from disk (once, in blocks, for a prehashed signature).
// Raises ECryptoError, or EFileError when the file cannot be read.
void VerifyDetachedSignatureOfFile(const TPublicKey& Key, const TDetachedSignature& Signature,
                                   const std::string& Path);

} // namespace quillon
