// Builds CAS and TTP images in memory, field by field, for tests and for the example images.
#ifndef TVC_TESTS_SUPPORT_IMAGE_BUILDER_H_
#define TVC_TESTS_SUPPORT_IMAGE_BUILDER_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tvc::testing {

struct TapeHeader {
  std::uint8_t mark = 0x11;
  std::uint8_t copy_protection = 0x00;
  std::uint16_t full_blocks = 1;
  std::uint16_t last_block = 16;  // 128 + 16 = 144: a header without data
  std::uint8_t file_type = 1;     // program file
  std::uint16_t stored_size = 0;
  std::uint8_t autorun = 0xFF;  // starts by itself
  std::vector<std::uint8_t> data;

  // A header whose block fields and stored size agree with `data`.
  static TapeHeader Consistent(std::vector<std::uint8_t> data) {
    TapeHeader header;
    const std::size_t length = 144 + data.size();
    header.full_blocks = static_cast<std::uint16_t>(length / 128);
    header.last_block = static_cast<std::uint16_t>(length % 128);
    header.stored_size = static_cast<std::uint16_t>(data.size());
    header.data = std::move(data);
    return header;
  }

  // Sets the block fields so that full_blocks * 128 + last_block = block_size.
  TapeHeader& WithBlockSize(std::uint16_t block_size) {
    full_blocks = block_size / 128;
    last_block = block_size % 128;
    return *this;
  }

  // The CAS image: the 144-byte header, little-endian fields, then the data.
  std::vector<std::uint8_t> Cas() const {
    std::vector<std::uint8_t> bytes = HeaderAndData(144);
    bytes[0] = mark;
    bytes[1] = copy_protection;
    PutLowFirst(bytes, 2, full_blocks);
    PutLowFirst(bytes, 4, last_block);
    bytes[129] = file_type;
    PutLowFirst(bytes, 130, stored_size);
    bytes[132] = autorun;
    return bytes;
  }

  // The TTP image: the signature, the header without a copy-protection byte and with the stored
  // size high byte first, then the data.
  std::vector<std::uint8_t> Ttp(std::string_view signature = "TTP0") const {
    const std::size_t mark_at = signature.size();
    std::vector<std::uint8_t> bytes = HeaderAndData(mark_at + 144);
    std::copy(signature.begin(), signature.end(), bytes.begin());
    bytes[mark_at] = mark;
    PutLowFirst(bytes, mark_at + 1, full_blocks);
    PutLowFirst(bytes, mark_at + 3, last_block);
    bytes[mark_at + 129] = file_type;
    bytes[mark_at + 130] = static_cast<std::uint8_t>(stored_size >> 8);
    bytes[mark_at + 131] = static_cast<std::uint8_t>(stored_size & 0xFF);
    bytes[mark_at + 132] = autorun;
    return bytes;
  }

 private:
  // A zeroed header of `header_length` bytes followed by the data, made in one piece: growing a
  // vector or inserting a range at its end makes GCC 12 warn wrongly about bounds.
  std::vector<std::uint8_t> HeaderAndData(std::size_t header_length) const {
    std::vector<std::uint8_t> bytes(header_length + data.size(), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header_length));
    return bytes;
  }

  static void PutLowFirst(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
  }
};

// `count` bytes that count up from `first`, wrapping at 256.
inline std::vector<std::uint8_t> CountingBytes(std::size_t count, std::uint8_t first = 0) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_IMAGE_BUILDER_H_
