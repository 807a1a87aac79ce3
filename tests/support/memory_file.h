// An input file held in memory, for tests and fuzzing: the checks read it exactly as they read a
// file on disk. Failures of the file system can be staged at a chosen offset.
#ifndef TVC_TESTS_SUPPORT_MEMORY_FILE_H_
#define TVC_TESTS_SUPPORT_MEMORY_FILE_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace tvc {

class MemoryFile final : public InputFile {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // A read that reaches `offset` fails with `reason` instead of delivering that byte.
  void FailReadsAt(std::int64_t offset, std::string reason) {
    read_error_offset_ = offset;
    error_reason_ = std::move(reason);
  }
  // Asking for the length fails with `reason`.
  void FailLength(std::string reason) {
    length_fails_ = true;
    error_reason_ = std::move(reason);
  }
  // Each read delivers at most `count` bytes, as a pipe or a network file system may.
  void LimitReadsTo(std::size_t count) { read_limit_ = count; }

  Status Read(std::span<std::uint8_t> buffer, std::size_t* bytes_read) override {
    *bytes_read = 0;
    if (read_error_offset_ && position_ >= *read_error_offset_) {
      return Status::Error(error_reason_);
    }
    const std::int64_t size = static_cast<std::int64_t>(bytes_.size());
    std::int64_t end = std::min<std::int64_t>(
        size, position_ + static_cast<std::int64_t>(std::min(buffer.size(), read_limit_)));
    if (read_error_offset_) end = std::min(end, *read_error_offset_);
    if (end <= position_) return Status::Ok();
    const auto count = static_cast<std::size_t>(end - position_);
    std::memcpy(buffer.data(), bytes_.data() + position_, count);
    position_ = end;
    *bytes_read = count;
    return Status::Ok();
  }

  Status Seek(std::int64_t offset) override {
    position_ = offset;
    return Status::Ok();
  }

  Status Length(std::int64_t* length) override {
    if (length_fails_) return Status::Error(error_reason_);
    *length = static_cast<std::int64_t>(bytes_.size());
    return Status::Ok();
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
  std::optional<std::int64_t> read_error_offset_;
  bool length_fails_ = false;
  std::size_t read_limit_ = static_cast<std::size_t>(-1);
  std::string error_reason_;
};

}  // namespace tvc

#endif  // TVC_TESTS_SUPPORT_MEMORY_FILE_H_
