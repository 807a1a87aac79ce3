// Hexadecimal digits as the header lines show them.
#include "tape/hex.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tvc {
namespace {

TEST(HexTest, TwoUppercaseDigitsPerByte) {
  EXPECT_EQ(Hex(std::uint8_t{0x0A}), "0A");
  EXPECT_EQ(Hex(std::uint8_t{0xFF}), "FF");
  EXPECT_EQ(Hex(std::uint8_t{0x00}), "00");
  EXPECT_EQ(Hex(std::uint16_t{291}), "0123");
  EXPECT_EQ(Hex(std::uint16_t{0xBEEF}), "BEEF");
}

}  // namespace
}  // namespace tvc
