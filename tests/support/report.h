// The expected whole report of a run: its opening empty line, the per-file lines, the summary
// and the footer, with CR LF line ends.
#ifndef TVC_TESTS_SUPPORT_REPORT_H_
#define TVC_TESTS_SUPPORT_REPORT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tvc::testing {

using SummaryRows = std::vector<std::pair<std::string, std::int32_t>>;

// `text` right-justified in a field of `width`, never cut.
inline std::string Padded(const std::string& text, std::size_t width) {
  return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
}

// The summary with the given row lines (already CR LF ended), then the footer.
inline std::string SummaryAndFooter(std::string_view row_lines) {
  return "\r\nSummary:\r\n--------\r\n" + std::string(row_lines) +
         "\r\n"
         "https://sorbek-ravnik.example/\r\n"
         "https://sorbek-ravnik.example/send-software/\r\n"
         "\r\n"
         "Ne felejtsd elkuldeni nekunk, ha olyan\r\n"
         "programod van, ami nincs a weboldalon.\r\n"
         "\r\n"
         "Don't forget to send us, if you have a\r\n"
         "software that we have not on the website.\r\n";
}

// The row lines of names that are one byte a character, right-justified in 12.
inline std::string SummaryAndFooter(const SummaryRows& rows) {
  std::string row_lines;
  for (const auto& [name, crc] : rows) {
    row_lines +=
        "File: " + Padded(name, 12) + " Raw CRC: " + Padded(std::to_string(crc), 8) + "\r\n";
  }
  return SummaryAndFooter(row_lines);
}

// A processing run: the opening empty line, `per_file` (already CR LF ended), the summary.
inline std::string Report(std::string_view per_file, const SummaryRows& rows) {
  return "\r\n" + std::string(per_file) + SummaryAndFooter(rows);
}

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_REPORT_H_
