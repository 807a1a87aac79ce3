// Sequential reading of one image held in memory: ReadByte for the header fields, Skip for the
// stretches nobody looks at, Sum for the program data. Reading stops where the bytes stop: at the
// end of the file, or where a read of the file failed.
#ifndef TVC_TAPE_IMAGE_READER_H_
#define TVC_TAPE_IMAGE_READER_H_

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/status.h"
#include "tape/run_state.h"

namespace tvc {

class ImageReader {
 public:
  explicit ImageReader(const Image& image) : image_(image) {}

  // The next byte, or nothing when the bytes have run out (see stopped_by_error).
  std::optional<std::uint8_t> ReadByte();

  // Passes over `count` bytes; false when the bytes run out first.
  bool Skip(std::size_t count);

  // Adds the next `count` bytes to *sum and returns how many were there to add: fewer than
  // `count` only when the bytes ran out.
  std::size_t Sum(std::size_t count, std::int32_t* sum);

  // The offset of the next byte to be read, which after a stop is the byte that was missing.
  std::int64_t offset() const { return static_cast<std::int64_t>(next_); }

  // Whether the bytes ran out because a read of the file failed rather than at its end.
  bool stopped_by_error() const { return next_ == image_.bytes.size() && !image_.read_error.ok(); }
  const Status& error() const { return image_.read_error; }

 private:
  std::size_t available() const { return image_.bytes.size() - next_; }

  const Image& image_;
  std::size_t next_ = 0;
};

}  // namespace tvc

#endif  // TVC_TAPE_IMAGE_READER_H_
