// The state of one run: owned by the driver, handed to the image check for each file.
#ifndef TVC_CLI_RUN_STATE_H_
#define TVC_CLI_RUN_STATE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/platform.h"

namespace tvc {

// The summary of all valid images, in the order they were checked. Rows are only appended; the
// table has no row limit. Names are packed into one text so that 100,000 rows stay small.
class SummaryTable {
 public:
  // A summary row keeps at most this many characters of the name.
  static constexpr std::size_t kNameLength = 32;

  // Appends a row with the first kNameLength characters of `name`.
  void Add(std::string_view name, std::int32_t raw_crc);

  // The number of rows in use.
  std::size_t CVTFILES() const { return CASCRC_.size(); }
  // Row `row` (counted from 0) of the names and of the raw CRCs.
  std::string_view CASNAME(std::size_t row) const;
  std::int32_t CASCRC(std::size_t row) const { return CASCRC_[row]; }

 private:
  std::string names_;
  std::vector<std::size_t> name_ends_;
  std::vector<std::int32_t> CASCRC_;
};

struct RunState {
  // A file's name is shown with at most this many characters.
  static constexpr std::size_t kNameLength = 100;

  bool LONG = false;             // "-l" was given: show every header field
  std::string INF;               // name of the file being checked, as shown
  std::unique_ptr<InputFile> F;  // the open image; the check closes it
  std::int32_t FCRC = 0;         // raw CRC of the current image
  SummaryTable summary;
};

}  // namespace tvc

#endif  // TVC_CLI_RUN_STATE_H_
