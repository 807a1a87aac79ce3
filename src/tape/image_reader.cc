#include "tape/image_reader.h"

#include <algorithm>

#include "tape/byte_sum.h"

namespace tvc {

std::optional<std::uint8_t> ImageReader::ReadByte() {
  if (available() == 0) return std::nullopt;
  return image_.bytes[next_++];
}

bool ImageReader::Skip(std::size_t count) {
  if (available() < count) {
    next_ = image_.bytes.size();
    return false;
  }
  next_ += count;
  return true;
}

std::size_t ImageReader::Sum(std::size_t count, std::int32_t* sum) {
  const std::size_t summed = std::min(count, available());
  // At most 65,540 bytes: the 32-bit sum cannot wrap.
  *sum += static_cast<std::int32_t>(SumBytes(image_.bytes.subspan(next_, summed)));
  next_ += summed;
  return summed;
}

}  // namespace tvc
