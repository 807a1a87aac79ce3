// Hexadecimal digits for the report, which has no hexadecimal conversion of its own.
#ifndef TVC_TAPE_HEX_H_
#define TVC_TAPE_HEX_H_

#include <cstdint>
#include <string>

namespace tvc {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// A byte as two uppercase hexadecimal digits, with a leading zero: 0x0A gives "0A".
inline std::string Hex(std::uint8_t byte) { return {kHexDigits[byte / 16], kHexDigits[byte % 16]}; }

// A 16-bit value as four digits, most significant first.
inline std::string Hex(std::uint16_t value) {
  return Hex(static_cast<std::uint8_t>(value >> 8)) + Hex(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace tvc

#endif  // TVC_TAPE_HEX_H_
