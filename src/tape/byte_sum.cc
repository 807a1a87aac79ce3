#include "tape/byte_sum.h"

namespace tvc {

std::uint32_t SumBytes(std::span<const std::uint8_t> bytes) {
  // A 32-bit accumulator in a plain loop lets the compiler vectorize the reduction.
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return sum;
}

}  // namespace tvc
