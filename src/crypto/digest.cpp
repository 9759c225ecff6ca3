#include "digest.h"

#include "crypto_error.h"
#include "sodium_setup.h"

#include "platform/file_stream.h"

#include <algorithm>
#include <sodium.h>
#include <vector>

namespace quillon {

// The library's states want their own alignment, which a heap object of
// this type gets.
struct TBlake2b::TState {
    crypto_generichash_state State;
};

struct TSha256::TState {
    crypto_hash_sha256_state State;
};

TBlake2b::TBlake2b(size_t OutputBytes) : FState(new TState), FOutputBytes(OutputBytes) {
    EnsureSodium();
    if (OutputBytes < crypto_generichash_BYTES_MIN || OutputBytes > crypto_generichash_BYTES_MAX ||
        crypto_generichash_init(&FState->State, nullptr, 0, OutputBytes) != 0)
        throw ECryptoError(TCryptoErrorKind::Failure, "BLAKE2b cannot start");
}

TBlake2b::~TBlake2b() {
    if (FState)
        sodium_memzero(FState.get(), sizeof(TState));
}

TBlake2b::TBlake2b(TBlake2b&&) noexcept = default;
TBlake2b& TBlake2b::operator=(TBlake2b&&) noexcept = default;

void TBlake2b::Update(const void* Data, size_t Size) {
    crypto_generichash_update(&FState->State, static_cast<const unsigned char*>(Data), Size);
}

void TBlake2b::Finish(std::span<uint8_t> Out) {
    if (Out.size() != FOutputBytes ||
        crypto_generichash_final(&FState->State, Out.data(), Out.size()) != 0)
        throw ECryptoError(TCryptoErrorKind::Failure, "BLAKE2b cannot finish");
}

TDigestBytes TBlake2b::Finish256() {
    TDigestBytes Out;
    Finish(Out);
    return Out;
}

TDigest512 TBlake2b::Finish512() {
    TDigest512 Out;
    Finish(Out);
    return Out;
}

TSha256::TSha256() : FState(new TState) {
    EnsureSodium();
    crypto_hash_sha256_init(&FState->State);
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* Data, size_t Size) {
    crypto_hash_sha256_update(&FState->State, static_cast<const unsigned char*>(Data), Size);
}

TDigestBytes TSha256::Finish() {
    TDigestBytes Out;
    crypto_hash_sha256_final(&FState->State, Out.data());
    return Out;
}

TDigestBytes Blake2b256(std::span<const uint8_t> Bytes) {
    TBlake2b H;
    H.Update(Bytes);
    return H.Finish256();
}

TDigestBytes Sha256(std::span<const uint8_t> Bytes) {
    TSha256 H;
    H.Update(Bytes.data(), Bytes.size());
    return H.Finish();
}

TDigest512 Blake2b512OfFile(const std::string& Path) {
    TFileStream File(Path, TFileMode::OpenRead);
    TBlake2b H(64);
    std::vector<uint8_t> Buffer(1 << 20);
    for (;;) {
        const size_t N = File.Read(Buffer.data(), Buffer.size());
        if (N == 0)
            break;
        H.Update(Buffer.data(), N);
    }
    return H.Finish512();
}

std::vector<uint8_t> DigestPrefixes(const std::vector<TDigestBytes>& Digests, size_t EntryBytes) {
    EntryBytes = std::min(EntryBytes, DigestBytes);
    std::vector<uint8_t> Out;
    Out.reserve(Digests.size() * EntryBytes);
    for (const TDigestBytes& D : Digests)
        Out.insert(Out.end(), D.begin(), D.begin() + static_cast<ptrdiff_t>(EntryBytes));
    return Out;
}

std::string HexText(std::span<const uint8_t> Bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string Text;
    Text.reserve(Bytes.size() * 2);
    for (const uint8_t B : Bytes) {
        Text.push_back(Digits[B >> 4]);
        Text.push_back(Digits[B & 15]);
    }
    return Text;
}

} // namespace quillon
