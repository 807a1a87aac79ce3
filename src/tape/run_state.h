// What the image check works on for one run: the driver owns it and hands it to the check for
// each image.
#ifndef TVC_TAPE_RUN_STATE_H_
#define TVC_TAPE_RUN_STATE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/status.h"
#include "report/summary_table.h"

namespace tvc {

// The most of an image that the check can read: a 16-bit block size behind a four-byte
// signature reaches offset 65,538. Whatever lies beyond is neither read nor summed.
inline constexpr std::size_t kImageBytesRead = 65540;

// An image as the check reads it: its first bytes, already in memory, and the file's length.
struct Image {
  std::span<const std::uint8_t> bytes;  // the file from offset 0, at most kImageBytesRead bytes
  std::int64_t length = 0;              // the whole file's length in bytes
  Status read_error = Status::Ok();     // not ok: a read failed where the bytes stop
};

struct RunState {
  // A file's name is shown with at most this many characters.
  static constexpr std::size_t kNameLength = 100;

  bool long_info = false;    // "-l" was given: show every header field
  std::string shown_name;    // the image's name as the report shows it
  Image image;               // the image being checked
  std::int32_t raw_crc = 0;  // raw CRC of the current image
  SummaryTable summary;
};

}  // namespace tvc

#endif  // TVC_TAPE_RUN_STATE_H_
