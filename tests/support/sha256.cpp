#include "support/sha256.h"

#include <cstring>

namespace quillon::test {

namespace {

constexpr uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t X, int N) {
    return (X >> N) | (X << (32 - N));
}

} // namespace

TSha256::TSha256()
    : FState{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void TSha256::Compress(const uint8_t* Block) {
    uint32_t W[64];
    for (int I = 0; I < 16; ++I)
        W[I] = uint32_t(Block[4 * I]) << 24 | uint32_t(Block[4 * I + 1]) << 16 |
               uint32_t(Block[4 * I + 2]) << 8 | uint32_t(Block[4 * I + 3]);
    for (int I = 16; I < 64; ++I) {
        const uint32_t S0 = Rotr(W[I - 15], 7) ^ Rotr(W[I - 15], 18) ^ (W[I - 15] >> 3);
        const uint32_t S1 = Rotr(W[I - 2], 17) ^ Rotr(W[I - 2], 19) ^ (W[I - 2] >> 10);
        W[I] = W[I - 16] + S0 + W[I - 7] + S1;
    }
    uint32_t A = FState[0], B = FState[1], C = FState[2], D = FState[3], E = FState[4],
             F = FState[5], G = FState[6], H = FState[7];
    for (int I = 0; I < 64; ++I) {
        const uint32_t T1 =
            H + (Rotr(E, 6) ^ Rotr(E, 11) ^ Rotr(E, 25)) + ((E & F) ^ (~E & G)) + K[I] + W[I];
        const uint32_t T2 =
            (Rotr(A, 2) ^ Rotr(A, 13) ^ Rotr(A, 22)) + ((A & B) ^ (A & C) ^ (B & C));
        H = G;
        G = F;
        F = E;
        E = D + T1;
        D = C;
        C = B;
        B = A;
        A = T1 + T2;
    }
    FState[0] += A;
    FState[1] += B;
    FState[2] += C;
    FState[3] += D;
    FState[4] += E;
    FState[5] += F;
    FState[6] += G;
    FState[7] += H;
}

void TSha256::Update(const void* Data, size_t Size) {
    const uint8_t* P = static_cast<const uint8_t*>(Data);
    FTotal += Size;
    while (Size > 0) {
        const size_t Take = std::min(Size, sizeof(FBuffer) - FBuffered);
        std::memcpy(FBuffer + FBuffered, P, Take);
        FBuffered += Take;
        P += Take;
        Size -= Take;
        if (FBuffered == sizeof(FBuffer)) {
            Compress(FBuffer);
            FBuffered = 0;
        }
    }
}

std::string TSha256::HexDigest() {
    const uint64_t Bits = FTotal * 8;
    const uint8_t One = 0x80, Zero = 0;
    Update(&One, 1);
    while (FBuffered != 56)
        Update(&Zero, 1);
    uint8_t Length[8];
    for (int I = 0; I < 8; ++I)
        Length[I] = static_cast<uint8_t>(Bits >> (56 - 8 * I));
    Update(Length, 8);
    static const char Hex[] = "0123456789abcdef";
    std::string Out;
    for (uint32_t Word : FState)
        for (int Shift = 28; Shift >= 0; Shift -= 4)
            Out += Hex[(Word >> Shift) & 15];
    return Out;
}

std::string Sha256Hex(const void* Data, size_t Size) {
    TSha256 H;
    H.Update(Data, Size);
    return H.HexDigest();
}

} // namespace quillon::test
