#include "report/summary_table.h"

namespace tvc {

void SummaryTable::Add(std::string_view name, std::int32_t raw_crc) {
  names_.append(FirstCharacters(name, kNameLength, names_encoding_));
  name_ends_.push_back(names_.size());
  raw_crcs_.push_back(raw_crc);
}

SummaryRow SummaryTable::row(std::size_t index) const {
  const std::size_t begin = index == 0 ? 0 : name_ends_[index - 1];
  return {std::string_view(names_).substr(begin, name_ends_[index] - begin), raw_crcs_[index]};
}

}  // namespace tvc
