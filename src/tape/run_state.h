// What the image check works on for one run: the driver owns it and hands it to the check for
// each image.
#ifndef TVC_TAPE_RUN_STATE_H_
#define TVC_TAPE_RUN_STATE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "report/summary_table.h"

namespace tvc {

struct RunState {
  // A file's name is shown with at most this many characters.
  static constexpr std::size_t kNameLength = 100;

  bool long_info = false;           // "-l" was given: show every header field
  std::string shown_name;           // the image's name as the report shows it
  std::unique_ptr<InputFile> file;  // the open image; the check closes it
  std::int32_t raw_crc = 0;         // raw CRC of the current image
  SummaryTable summary;
};

}  // namespace tvc

#endif  // TVC_TAPE_RUN_STATE_H_
