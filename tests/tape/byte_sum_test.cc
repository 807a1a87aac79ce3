// Every summing kernel built for this target against a plain reference loop.
#include "tape/byte_sum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tvc {
namespace {

std::uint32_t ReferenceSum(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

// Bytes that differ from one position to the next and reach 255, so that a lost or doubled byte,
// a wrong lane or a signed widening shows in the sum.
std::vector<std::uint8_t> MixedBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 23);
  }
  return bytes;
}

TEST(ByteSumTest, TheFastestKernelIsTheOneInUse) {
  const std::vector<std::uint8_t> bytes = MixedBytes(1000);
  ASSERT_FALSE(ByteSumKernels().empty());
  EXPECT_EQ(ByteSumKernels().front().name, "portable");
  EXPECT_EQ(SumBytes(bytes), ByteSumKernels().back().sum(bytes));
}

// Every length around the vector widths (16 and the 64-byte main step) at every start offset
// within 16 bytes, so heads, tails and unaligned loads are all taken.
TEST(ByteSumTest, AwkwardLengthsAndAlignments) {
  const std::vector<std::uint8_t> mixed = MixedBytes(300);
  const std::vector<std::uint8_t> full(300, 0xFF);
  for (const ByteSumKernel& kernel : ByteSumKernels()) {
    for (const std::vector<std::uint8_t>* bytes : {&mixed, &full}) {
      for (std::size_t start = 0; start < 16; ++start) {
        for (std::size_t count = 0; start + count <= 280; ++count) {
          const std::span<const std::uint8_t> span(bytes->data() + start, count);
          ASSERT_EQ(kernel.sum(span), ReferenceSum(span.data(), count))
              << kernel.name << ", start " << start << ", count " << count;
        }
      }
    }
  }
}

TEST(ByteSumTest, LargeSpansOfTheHighestByte) {
  // The largest image data, a span just below the 16 MiB bound, and one whose sum passes 2^32,
  // where every kernel still agrees with the loop's wrapped result.
  const std::vector<std::uint8_t> full(17u << 20, 0xFF);
  for (const ByteSumKernel& kernel : ByteSumKernels()) {
    for (const std::size_t count : {std::size_t{65535}, (std::size_t{16} << 20) - 1, full.size()}) {
      const std::span<const std::uint8_t> span(full.data(), count);
      EXPECT_EQ(kernel.sum(span), ReferenceSum(full.data(), count))
          << kernel.name << ", count " << count;
    }
  }
  EXPECT_EQ(SumBytes(std::span(full.data(), 65535)), 65535u * 255u);
}

}  // namespace
}  // namespace tvc
