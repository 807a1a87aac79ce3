// The raw CRC's inner loop: the plain sum of unsigned bytes.
#ifndef TVC_TAPE_BYTE_SUM_H_
#define TVC_TAPE_BYTE_SUM_H_

#include <cstdint>
#include <span>

namespace tvc {

// Sums the unsigned values of `bytes`. The caller keeps each span below 16 MiB so the 32-bit
// result cannot wrap.
std::uint32_t SumBytes(std::span<const std::uint8_t> bytes);

}  // namespace tvc

#endif  // TVC_TAPE_BYTE_SUM_H_
