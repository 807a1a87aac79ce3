// The raw CRC's inner loop: the plain sum of unsigned bytes. It decides the speed of a check, so
// it has a vector kernel where the processor offers one and a portable loop everywhere else.
#ifndef TVC_TAPE_BYTE_SUM_H_
#define TVC_TAPE_BYTE_SUM_H_

#include <cstdint>
#include <span>
#include <string_view>

namespace tvc {

// Sums the unsigned values of `bytes`. The caller keeps each span below 16 MiB so the 32-bit
// result cannot wrap.
std::uint32_t SumBytes(std::span<const std::uint8_t> bytes);

// One way of summing bytes. Every kernel gives the same result as the portable loop.
struct ByteSumKernel {
  std::string_view name;
  std::uint32_t (*sum)(std::span<const std::uint8_t> bytes);
};

// The kernels built for this target, the portable loop first and the one SumBytes uses last; the
// tests hold each of them against a reference.
std::span<const ByteSumKernel> ByteSumKernels();

}  // namespace tvc

#endif  // TVC_TAPE_BYTE_SUM_H_
