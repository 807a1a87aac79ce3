// Sequential reading of one image: ReadByte for the header fields, Skip for the stretches nobody
// looks at, Sum for the program data. The file is read in large blocks into a buffer that lives
// on the caller's stack, so there is neither a system call per byte nor an allocation per file.
#ifndef TVC_TAPE_IMAGE_READER_H_
#define TVC_TAPE_IMAGE_READER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/platform.h"
#include "platform/status.h"

namespace tvc {

class ImageReader {
 public:
  // Large enough for the biggest image that a 16-bit block size can describe (65535 bytes plus a
  // four-byte signature), so a whole image usually arrives in one read.
  static constexpr std::size_t kBlockSize = 72 * 1024;

  explicit ImageReader(InputFile& file) : file_(file) {}
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;

  // The next byte, or nothing when the file has ended or a read failed (see stopped_by_error).
  std::optional<std::uint8_t> ReadByte();

  // Reads and discards `count` bytes; false when the file ends or fails first.
  bool Skip(std::size_t count);

  // Adds the next `count` bytes to *sum and returns how many were there to add: fewer than
  // `count` only when the file ended or a read failed.
  std::size_t Sum(std::size_t count, std::int32_t* sum);

  // Moves to an absolute offset; false (with error() set) when the system refuses.
  bool Seek(std::int64_t offset);

  // The offset of the next byte to be read, which after a stop is the byte that was missing.
  std::int64_t offset() const { return block_offset_ + static_cast<std::int64_t>(next_); }

  // Why reading stopped, when a read failed rather than reaching the end of the file.
  bool stopped_by_error() const { return !error_.ok(); }
  const Status& error() const { return error_; }

 private:
  // Makes at least one unread byte available; false at the end of the file or on a failure.
  bool Refill();
  std::size_t available() const { return end_ - next_; }

  InputFile& file_;
  std::int64_t block_offset_ = 0;  // file offset of buffer_[0]
  std::size_t next_ = 0;           // next unread byte in buffer_
  std::size_t end_ = 0;            // end of the bytes held in buffer_
  Status error_ = Status::Ok();
  std::array<std::uint8_t, kBlockSize> buffer_;
};

}  // namespace tvc

#endif  // TVC_TAPE_IMAGE_READER_H_
