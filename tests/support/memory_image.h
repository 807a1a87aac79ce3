// An image held in memory, as the run hands it to the check, for tests and fuzzing: the first
// bytes of the file that a read gives (at most what the check reads), the whole file's length,
// and a read failure staged at a chosen offset.
#ifndef TVC_TESTS_SUPPORT_MEMORY_IMAGE_H_
#define TVC_TESTS_SUPPORT_MEMORY_IMAGE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/status.h"
#include "tape/run_state.h"

namespace tvc::testing {

class MemoryImage {
 public:
  explicit MemoryImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // A read that reaches `offset` fails with `reason`, so the bytes stop there. A read is never
  // made at or beyond the end of the file, nor beyond what the check reads.
  void FailReadsAt(std::size_t offset, std::string reason) {
    fail_at_ = offset;
    reason_ = std::move(reason);
  }

  // What the check sees; valid while this object lives.
  Image image() const {
    const std::size_t read = std::min(bytes_.size(), kImageBytesRead);
    const bool fails = fail_at_ < read;
    return {std::span(bytes_).first(fails ? fail_at_ : read),
            static_cast<std::int64_t>(bytes_.size()),
            fails ? Status::Error(reason_) : Status::Ok()};
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t fail_at_ = static_cast<std::size_t>(-1);
  std::string reason_;
};

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_MEMORY_IMAGE_H_
