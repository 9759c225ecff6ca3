// The one failure of the crypto layer: a key, signature or tag that cannot
// be used, with the reason in words and what kind of problem it is.
#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

enum class TCryptoErrorKind {
    Malformed,       // the bytes or text do not have the expected form
    Unsupported,     // a well-formed algorithm or version this program does not know
    WrongPassphrase, // the secret key did not decrypt with the passphrase
    BadSignature,    // a signature that does not verify
    KeyMismatch,     // signed by another key than the one given
    Unsafe,          // a secret key file that others may read
    Failure,         // the library itself failed (out of memory)
};

class ECryptoError : public std::runtime_error {
  public:
    ECryptoError(TCryptoErrorKind Kind, const std::string& What)
        : std::runtime_error(What), FKind(Kind) {}
    TCryptoErrorKind Kind() const { return FKind; }

  private:
    TCryptoErrorKind FKind;
};

} // namespace quillon
