#include "cli/run_state.h"

namespace tvc {

void SummaryTable::Add(std::string_view name, std::int32_t raw_crc) {
  names_.append(name.substr(0, kNameLength));
  name_ends_.push_back(names_.size());
  CASCRC_.push_back(raw_crc);
}

std::string_view SummaryTable::CASNAME(std::size_t row) const {
  const std::size_t begin = row == 0 ? 0 : name_ends_[row - 1];
  return std::string_view(names_).substr(begin, name_ends_[row] - begin);
}

}  // namespace tvc
