// The inverse DCT eight lanes at a time. Single operations on two floats
// are exact in float arithmetic (a 64-bit-significand result rounded to
// single equals the correctly rounded single result). The compound
// expressions and the final conversion are done in double with an error
// bound: when every value of the bound's interval rounds (or truncates) the
// same way, the extended-precision evaluation does too; otherwise the block
// is left to the reference evaluation.
#include "codec/jpeg/jpeg_idct.h"
#include "x86_features.h"

#include <immintrin.h>

namespace quillon {

namespace {

#define QUILLON_AVX2 __attribute__((target("avx2")))
#define QUILLON_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// 8 ulps of double: well above the double evaluation's error (at most about
// 2.01 ulps of the larger magnitude involved) plus the extended one's.
constexpr double Margin = 1.0 / (1ull << 50);

struct TChecks {
    __m128 Unsure;      // lanes of single roundings that might differ
    __m256i UnsureWide; // lanes of double values that might round or truncate differently
};

QUILLON_AVX2_INLINE __m256d Abs(__m256d V) {
    return _mm256_andnot_pd(_mm256_set1_pd(-0.0), V);
}

// Rounds the double values V to single; notes lanes whose true value might
// round differently because it lies within Bound of a rounding boundary.
QUILLON_AVX2_INLINE __m128 RoundChecked(__m256d V, __m256d Bound, TChecks& C) {
    const __m128 Lo = _mm256_cvtpd_ps(_mm256_sub_pd(V, Bound));
    const __m128 Hi = _mm256_cvtpd_ps(_mm256_add_pd(V, Bound));
    C.Unsure = _mm_or_ps(C.Unsure, _mm_cmpneq_ps(Lo, Hi));
    return _mm256_cvtpd_ps(V);
}

// The same for a value whose error is at most a few units in its own last
// place: the single rounding boundaries are where the 29 bits below single
// precision read exactly 1000...0, so a distance of 8 units from that
// pattern is plenty.
QUILLON_AVX2_INLINE __m128 RoundNearChecked(__m256d V, TChecks& C) {
    const __m256i Below = _mm256_and_si256(
        _mm256_add_epi64(_mm256_castpd_si256(V), _mm256_set1_epi64x(8 - (1ll << 28))),
        _mm256_set1_epi64x((1ll << 29) - 1));
    C.UnsureWide = _mm256_or_si256(C.UnsureWide, _mm256_cmpgt_epi64(_mm256_set1_epi64x(17), Below));
    return _mm256_cvtpd_ps(V);
}

QUILLON_AVX2_INLINE __m256d Low(__m256 V) {
    return _mm256_cvtps_pd(_mm256_castps256_ps128(V));
}
QUILLON_AVX2_INLINE __m256d High(__m256 V) {
    return _mm256_cvtps_pd(_mm256_extractf128_ps(V, 1));
}
QUILLON_AVX2_INLINE __m256 Join(__m128 Lo, __m128 Hi) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(Lo), Hi, 1);
}

// single((A - B) * K) or single((A + B) * K): two roundings in double,
// at most about 2 units of the result's last place.
template <bool Add>
QUILLON_AVX2_INLINE __m256 CombineTimes(__m256 A, __m256 B, double K, TChecks& C) {
    const __m256d Kd = _mm256_set1_pd(K);
    const __m256d L =
        _mm256_mul_pd(Add ? _mm256_add_pd(Low(A), Low(B)) : _mm256_sub_pd(Low(A), Low(B)), Kd);
    const __m256d H =
        _mm256_mul_pd(Add ? _mm256_add_pd(High(A), High(B)) : _mm256_sub_pd(High(A), High(B)), Kd);
    return Join(RoundNearChecked(L, C), RoundNearChecked(H, C));
}

// single((A - B) * K - T)
QUILLON_AVX2_INLINE __m256 DiffTimesMinus(__m256 A, __m256 B, double K, __m256 T, TChecks& C) {
    const __m256d Kd = _mm256_set1_pd(K);
    const __m256d M = _mm256_set1_pd(Margin);
    const __m256d PL = _mm256_mul_pd(_mm256_sub_pd(Low(A), Low(B)), Kd);
    const __m256d PH = _mm256_mul_pd(_mm256_sub_pd(High(A), High(B)), Kd);
    const __m256d L = _mm256_sub_pd(PL, Low(T));
    const __m256d H = _mm256_sub_pd(PH, High(T));
    return Join(RoundChecked(L, _mm256_mul_pd(_mm256_add_pd(Abs(L), Abs(PL)), M), C),
                RoundChecked(H, _mm256_mul_pd(_mm256_add_pd(Abs(H), Abs(PH)), M), C));
}

// single(K * A + B): the product of two singles is exact in double, so
// only the sum rounds.
QUILLON_AVX2_INLINE __m256 TimesPlus(double K, __m256 A, __m256 B, TChecks& C) {
    const __m256d Kd = _mm256_set1_pd(K);
    const __m256d L = _mm256_add_pd(_mm256_mul_pd(Kd, Low(A)), Low(B));
    const __m256d H = _mm256_add_pd(_mm256_mul_pd(Kd, High(A)), High(B));
    return Join(RoundNearChecked(L, C), RoundNearChecked(H, C));
}

constexpr float C1 = 1.414213562f;
constexpr float C2 = 1.847759065f;
constexpr float C3 = 1.082392200f;
constexpr float C4 = -2.613125930f;

struct TPass {
    __m256 E0, E1, E2, E3, O4, O5, O6, O7;
};

QUILLON_AVX2_INLINE TPass Pass(const __m256* X, TChecks& C) {
    const __m256 T10 = _mm256_add_ps(X[0], X[4]);
    const __m256 T11 = _mm256_sub_ps(X[0], X[4]);
    const __m256 T13 = _mm256_add_ps(X[2], X[6]);
    const __m256 T12 = DiffTimesMinus(X[2], X[6], C1, T13, C);
    TPass R;
    R.E0 = _mm256_add_ps(T10, T13);
    R.E3 = _mm256_sub_ps(T10, T13);
    R.E1 = _mm256_add_ps(T11, T12);
    R.E2 = _mm256_sub_ps(T11, T12);
    const __m256 Z13 = _mm256_add_ps(X[5], X[3]);
    const __m256 Z10 = _mm256_sub_ps(X[5], X[3]);
    const __m256 Z11 = _mm256_add_ps(X[1], X[7]);
    const __m256 Z12 = _mm256_sub_ps(X[1], X[7]);
    R.O7 = _mm256_add_ps(Z11, Z13);
    const __m256 P11 = CombineTimes<false>(Z11, Z13, C1, C);
    const __m256 Z5 = CombineTimes<true>(Z10, Z12, C2, C);
    const __m256 NegZ5 = _mm256_sub_ps(_mm256_setzero_ps(), Z5);
    const __m256 P10 = TimesPlus(C3, Z12, NegZ5, C);
    const __m256 P12 = TimesPlus(C4, Z10, Z5, C);
    R.O6 = _mm256_sub_ps(P12, R.O7);
    R.O5 = _mm256_sub_ps(P11, R.O6);
    R.O4 = _mm256_add_ps(P10, R.O5);
    return R;
}

QUILLON_AVX2_INLINE void Transpose(__m256* R) {
    const __m256 A0 = _mm256_unpacklo_ps(R[0], R[1]), A1 = _mm256_unpackhi_ps(R[0], R[1]);
    const __m256 A2 = _mm256_unpacklo_ps(R[2], R[3]), A3 = _mm256_unpackhi_ps(R[2], R[3]);
    const __m256 A4 = _mm256_unpacklo_ps(R[4], R[5]), A5 = _mm256_unpackhi_ps(R[4], R[5]);
    const __m256 A6 = _mm256_unpacklo_ps(R[6], R[7]), A7 = _mm256_unpackhi_ps(R[6], R[7]);
    const __m256 B0 = _mm256_shuffle_ps(A0, A2, 0x44), B1 = _mm256_shuffle_ps(A0, A2, 0xEE);
    const __m256 B2 = _mm256_shuffle_ps(A1, A3, 0x44), B3 = _mm256_shuffle_ps(A1, A3, 0xEE);
    const __m256 B4 = _mm256_shuffle_ps(A4, A6, 0x44), B5 = _mm256_shuffle_ps(A4, A6, 0xEE);
    const __m256 B6 = _mm256_shuffle_ps(A5, A7, 0x44), B7 = _mm256_shuffle_ps(A5, A7, 0xEE);
    R[0] = _mm256_permute2f128_ps(B0, B4, 0x20);
    R[1] = _mm256_permute2f128_ps(B1, B5, 0x20);
    R[2] = _mm256_permute2f128_ps(B2, B6, 0x20);
    R[3] = _mm256_permute2f128_ps(B3, B7, 0x20);
    R[4] = _mm256_permute2f128_ps(B0, B4, 0x31);
    R[5] = _mm256_permute2f128_ps(B1, B5, 0x31);
    R[6] = _mm256_permute2f128_ps(B2, B6, 0x31);
    R[7] = _mm256_permute2f128_ps(B3, B7, 0x31);
}

// Truncation of the double sum of A and B. The sum of two singles is
// nearly always exact in double (its rounding error, by Knuth's two-sum,
// is zero), and then the extended evaluation reaches the same value; the
// rare lanes where it is not are left to the reference evaluation.
QUILLON_AVX2_INLINE __m128i TruncChecked(__m256d A, __m256d B, bool Add, TChecks& C) {
    const __m256d Bv = Add ? B : _mm256_sub_pd(_mm256_setzero_pd(), B);
    const __m256d S = _mm256_add_pd(A, Bv);
    const __m256d BPart = _mm256_sub_pd(S, A);
    const __m256d APart = _mm256_sub_pd(S, BPart);
    const __m256d Error = _mm256_add_pd(_mm256_sub_pd(A, APart), _mm256_sub_pd(Bv, BPart));
    C.UnsureWide = _mm256_or_si256(
        C.UnsureWide, _mm256_castpd_si256(_mm256_cmp_pd(Error, _mm256_setzero_pd(), _CMP_NEQ_OQ)));
    return _mm256_cvttpd_epi32(S);
}

// The sample for each lane of E + O (or E - O): descale, wrap, centre, clamp.
QUILLON_AVX2_INLINE __m256 OutputSamples(__m256 E, __m256 O, bool Add, TChecks& C) {
    const __m128i L = TruncChecked(Low(E), Low(O), Add, C);
    const __m128i H = TruncChecked(High(E), High(O), Add, C);
    __m256i T = _mm256_inserti128_si256(_mm256_castsi128_si256(L), H, 1);
    T = _mm256_and_si256(_mm256_srli_epi32(_mm256_add_epi32(T, _mm256_set1_epi32(4)), 3),
                         _mm256_set1_epi32(1023));
    T = _mm256_sub_epi32(_mm256_xor_si256(T, _mm256_set1_epi32(512)), _mm256_set1_epi32(384));
    T = _mm256_min_epi32(_mm256_max_epi32(T, _mm256_setzero_si256()), _mm256_set1_epi32(255));
    return _mm256_castsi256_ps(T);
}

QUILLON_AVX2_INLINE bool VectorBlock(const int16_t* Coef, const float* M, uint8_t* Out,
                                     size_t OutStride) {
    TChecks C;
    C.Unsure = _mm_setzero_ps();
    C.UnsureWide = _mm256_setzero_si256();
    __m128i Rows[8];
    for (int K = 0; K < 8; ++K)
        Rows[K] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Coef + 8 * K));
    __m128i Ac = _mm_andnot_si128(_mm_cvtsi32_si128(0xFFFF), Rows[0]);
    for (int K = 1; K < 8; ++K)
        Ac = _mm_or_si128(Ac, Rows[K]);
    if (_mm_testz_si128(Ac, Ac)) {
        InverseDctDcBlock(Coef[0], M[0], Out, OutStride);
        return true;
    }
    __m256 X[8];
    for (int K = 0; K < 8; ++K)
        X[K] = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(Rows[K])),
                             _mm256_loadu_ps(M + 8 * K));
    TPass P = Pass(X, C);
    __m256 W[8];
    W[0] = _mm256_add_ps(P.E0, P.O7);
    W[7] = _mm256_sub_ps(P.E0, P.O7);
    W[1] = _mm256_add_ps(P.E1, P.O6);
    W[6] = _mm256_sub_ps(P.E1, P.O6);
    W[2] = _mm256_add_ps(P.E2, P.O5);
    W[5] = _mm256_sub_ps(P.E2, P.O5);
    W[4] = _mm256_add_ps(P.E3, P.O4);
    W[3] = _mm256_sub_ps(P.E3, P.O4);
    Transpose(W);
    P = Pass(W, C);
    __m256 Y[8];
    Y[0] = OutputSamples(P.E0, P.O7, true, C);
    Y[7] = OutputSamples(P.E0, P.O7, false, C);
    Y[1] = OutputSamples(P.E1, P.O6, true, C);
    Y[6] = OutputSamples(P.E1, P.O6, false, C);
    Y[2] = OutputSamples(P.E2, P.O5, true, C);
    Y[5] = OutputSamples(P.E2, P.O5, false, C);
    Y[4] = OutputSamples(P.E3, P.O4, true, C);
    Y[3] = OutputSamples(P.E3, P.O4, false, C);
    if (_mm_movemask_ps(C.Unsure) != 0 || !_mm256_testz_si256(C.UnsureWide, C.UnsureWide))
        return false;
    Transpose(Y);
    for (int R = 0; R < 8; ++R) {
        const __m256i V = _mm256_castps_si256(Y[R]);
        const __m128i Words =
            _mm_packs_epi32(_mm256_castsi256_si128(V), _mm256_extracti128_si256(V, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(Out + R * OutStride),
                         _mm_packus_epi16(Words, Words));
    }
    return true;
}

// The same code where the processor has 32 vector registers: the
// compiler then keeps the block's values in registers instead of spilling.
__attribute__((target("avx2,avx512f,avx512vl"))) bool
VectorBlockWide(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    return VectorBlock(Coef, M, Out, OutStride);
}

QUILLON_AVX2 bool VectorBlockNarrow(const int16_t* Coef, const float* M, uint8_t* Out,
                                    size_t OutStride) {
    return VectorBlock(Coef, M, Out, OutStride);
}

} // namespace

bool InverseDctBlockVector(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    static const auto Chosen = X86Features().Avx512 ? VectorBlockWide
                               : X86Features().Avx2 ? VectorBlockNarrow
                                                    : nullptr;
    return Chosen != nullptr && Chosen(Coef, M, Out, OutStride);
}

bool VectorIdctAvailable() {
    return X86Features().Avx2;
}

} // namespace quillon
