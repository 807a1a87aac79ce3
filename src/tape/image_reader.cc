#include "tape/image_reader.h"

#include <algorithm>
#include <span>

#include "tape/byte_sum.h"

namespace tvc {

std::optional<std::uint8_t> ImageReader::ReadByte() {
  if (available() == 0 && !Refill()) return std::nullopt;
  return buffer_[next_++];
}

bool ImageReader::Skip(std::size_t count) {
  while (count > 0) {
    if (available() == 0 && !Refill()) return false;
    const std::size_t step = std::min(count, available());
    next_ += step;
    count -= step;
  }
  return true;
}

std::size_t ImageReader::Sum(std::size_t count, std::int32_t* sum) {
  std::size_t summed = 0;
  while (summed < count) {
    if (available() == 0 && !Refill()) break;
    const std::size_t step = std::min(count - summed, available());
    *sum += static_cast<std::int32_t>(SumBytes(std::span(buffer_).subspan(next_, step)));
    next_ += step;
    summed += step;
  }
  return summed;
}

bool ImageReader::Seek(std::int64_t offset) {
  error_ = file_.Seek(offset);
  block_offset_ = offset;
  next_ = end_ = 0;
  return error_.ok();
}

bool ImageReader::Refill() {
  if (!error_.ok()) return false;
  block_offset_ = offset();
  next_ = end_ = 0;
  std::size_t count = 0;
  error_ = file_.Read(buffer_, &count);
  end_ = error_.ok() ? count : 0;
  return end_ > 0;
}

}  // namespace tvc
