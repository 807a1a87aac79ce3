#include "tape/byte_sum.h"

#include <cstddef>

// SSE2 belongs to every x86-64 processor, so the vector kernel needs no check at run time. GCC and
// Clang announce it with __SSE2__ (also for MinGW); MSVC with _M_X64, or _M_IX86_FP for 32 bits.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TVC_BYTE_SUM_SSE2 1
#include <emmintrin.h>
#endif

namespace tvc {

namespace {

std::uint32_t SumBytesPortable(std::span<const std::uint8_t> bytes) {
  // A 32-bit accumulator in a plain loop lets the compiler vectorize the reduction where it can.
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return sum;
}

#ifdef TVC_BYTE_SUM_SSE2

// A sum of absolute differences against zero (psadbw) adds 16 bytes in one instruction into two
// 64-bit lanes, which cannot overflow for any span that fits in memory. Two accumulators let
// consecutive instructions overlap.
std::uint32_t SumBytesSse2(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* at = bytes.data();
  std::size_t left = bytes.size();
  const __m128i zero = _mm_setzero_si128();
  __m128i sum_a = zero;
  __m128i sum_b = zero;
  for (; left >= 64; at += 64, left -= 64) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 32));
    const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 48));
    sum_a = _mm_add_epi64(sum_a, _mm_add_epi64(_mm_sad_epu8(v0, zero), _mm_sad_epu8(v1, zero)));
    sum_b = _mm_add_epi64(sum_b, _mm_add_epi64(_mm_sad_epu8(v2, zero), _mm_sad_epu8(v3, zero)));
  }
  for (; left >= 16; at += 16, left -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    sum_a = _mm_add_epi64(sum_a, _mm_sad_epu8(v, zero));
  }
  const __m128i total = _mm_add_epi64(sum_a, sum_b);
  // Only the low 32 bits of each lane count: the result is the sum modulo 2^32, as the portable
  // loop's is.
  std::uint32_t sum = static_cast<std::uint32_t>(_mm_cvtsi128_si32(total)) +
                      static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
  for (; left > 0; ++at, --left) sum += *at;
  return sum;
}

constexpr ByteSumKernel kKernels[] = {{"portable", SumBytesPortable}, {"sse2", SumBytesSse2}};

#else

constexpr ByteSumKernel kKernels[] = {{"portable", SumBytesPortable}};

#endif

}  // namespace

std::uint32_t SumBytes(std::span<const std::uint8_t> bytes) {
#ifdef TVC_BYTE_SUM_SSE2
  return SumBytesSse2(bytes);
#else
  return SumBytesPortable(bytes);
#endif
}

std::span<const ByteSumKernel> ByteSumKernels() { return kKernels; }

}  // namespace tvc
