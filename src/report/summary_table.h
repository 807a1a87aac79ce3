// The summary of all valid images that closes every report.
#ifndef TVC_REPORT_SUMMARY_TABLE_H_
#define TVC_REPORT_SUMMARY_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace tvc {

struct SummaryRow {
  std::string_view name;
  std::int32_t raw_crc;
};

// The valid images in the order they were checked. Rows are only appended; the table has no row
// limit. Names are packed into one text so that 100,000 rows stay small.
class SummaryTable {
 public:
  // A summary row keeps at most this many characters of the name.
  static constexpr std::size_t kNameLength = 32;

  // Names are cut as `names` counts their characters.
  explicit SummaryTable(NameEncoding names = NameEncoding::kSingleByte) : names_encoding_(names) {}

  // Appends a row with the first kNameLength characters of `name`.
  void Add(std::string_view name, std::int32_t raw_crc);

  std::size_t rows() const { return raw_crcs_.size(); }
  // Row `index`, counted from 0.
  SummaryRow row(std::size_t index) const;

 private:
  NameEncoding names_encoding_;
  std::string names_;
  std::vector<std::size_t> name_ends_;
  std::vector<std::int32_t> raw_crcs_;
};

}  // namespace tvc

#endif  // TVC_REPORT_SUMMARY_TABLE_H_
