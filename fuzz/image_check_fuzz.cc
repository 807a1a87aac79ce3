// Fuzzes the header walk over arbitrary bytes, for both layouts and both modes, through the
// in-memory image.
//
// Input: one control byte, then the image. The control byte's low bit stages a read error, and
// its upper seven bits say where, from the first byte to the last. Each input is checked four
// times without the error (CAS and TTP, short and long) and four times with it, all into one
// summary, which must end up holding exactly the rows of the checks that listed their image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_stream.h"
#include "support/memory_image.h"
#include "tape/image_check.h"
#include "tape/run_state.h"

namespace {

using tvc::ImageLayout;

// Longer than the 32 characters of a summary row, so the cut is exercised.
constexpr std::string_view kName = "A_NAME_LONGER_THAN_THIRTY_TWO_CHARACTERS.CAS";

class StringSink final : public tvc::OutputSink {
 public:
  tvc::Status Write(std::string_view bytes) override {
    text.append(bytes);
    return tvc::Status::Ok();
  }
  bool IsConsole() const override { return false; }
  std::string text;
};

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Outcome {
  std::string report;
  bool listed = false;
  std::int32_t raw_crc = 0;
};

// Checks `image` with `state`, whose summary gathers the rows of every check of one input. A
// read error, when staged, strikes at `error_at`.
Outcome Check(tvc::RunState& state, const ImageLayout& layout, bool long_mode,
              const std::vector<std::uint8_t>& image, const std::size_t* error_at) {
  tvc::testing::MemoryImage file(image);
  if (error_at != nullptr) file.FailReadsAt(*error_at, "I/O error");
  StringSink sink;
  Outcome outcome;
  {
    tvc::ReportStream out(sink, [](const tvc::Status&) { Require(false); });
    const std::size_t rows_before = state.summary.rows();
    state.long_info = long_mode;
    state.shown_name = kName;
    state.image = file.image();
    tvc::CheckImage(layout, state, out);
    out.Close();

    // The summary gains one row exactly when the report ends with the image's raw CRC.
    const std::size_t rows_after = state.summary.rows();
    Require(rows_after == rows_before || rows_after == rows_before + 1);
    outcome.listed = rows_after > rows_before;
    outcome.report = sink.text;
    if (outcome.listed) {
      outcome.raw_crc = state.summary.row(rows_before).raw_crc;
      Require(state.summary.row(rows_before).name ==
              kName.substr(0, tvc::SummaryTable::kNameLength));
      const std::string tail = "Raw CRC: " + std::to_string(outcome.raw_crc) + "\r\n\r\n";
      Require(outcome.report.size() >= tail.size() &&
              outcome.report.compare(outcome.report.size() - tail.size(), tail.size(), tail) == 0);
    }
  }
  Require(outcome.listed == (outcome.report.find("Raw CRC: ") != std::string::npos));
  // Every line ends with CR LF, and nothing follows the last line end: not even the TTP
  // signature's bytes, which are echoed, may bring a line end of their own.
  const std::string_view lines = outcome.report;
  Require(!lines.empty() && lines.back() == '\n');
  for (std::size_t at = lines.find('\n'); at != std::string_view::npos;
       at = lines.find('\n', at + 1)) {
    Require(at > 0 && lines[at - 1] == '\r');
  }
  return outcome;
}

// What a sound image file yields, worked out from the bytes directly: listed when the CAS mark
// is $11 and the 144-byte header is complete; the raw CRC sums the data from the end of the
// header to the block size (counted from the mark), or to the end of the file if that comes first.
Outcome Expected(bool ttp, const std::vector<std::uint8_t>& image) {
  const std::size_t mark = ttp ? 4 : 0;
  const std::size_t fields = ttp ? mark + 1 : mark + 2;  // TTP has no copy-protection byte
  Outcome expected;
  if (image.size() < mark + 144 || image[mark] != 0x11) return expected;
  const unsigned full_blocks = image[fields] | image[fields + 1] << 8;
  const unsigned last_block = image[fields + 2] | image[fields + 3] << 8;
  const std::size_t block_size = (full_blocks * 128 + last_block) & 0xFFFF;
  expected.listed = true;
  const std::size_t end = std::min(image.size(), mark + block_size);
  for (std::size_t at = mark + 144; at < end; ++at) expected.raw_crc += image[at];
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::vector<std::uint8_t> image(data + 1, data + size);
  const std::size_t error_at = image.size() * (data[0] >> 1) / 127;
  const std::size_t* const staged_error = (data[0] & 1) != 0 ? &error_at : nullptr;
  tvc::RunState state;
  std::vector<std::int32_t> listed_crcs;
  const auto check = [&](const ImageLayout& layout, bool long_mode, const std::size_t* error) {
    Outcome outcome = Check(state, layout, long_mode, image, error);
    if (outcome.listed) listed_crcs.push_back(outcome.raw_crc);
    return outcome;
  };
  for (const bool ttp : {false, true}) {
    const ImageLayout& layout = ttp ? tvc::kTtpLayout : tvc::kCasLayout;
    for (const bool long_mode : {false, true}) {
      const Outcome sound = check(layout, long_mode, nullptr);
      const Outcome expected = Expected(ttp, image);
      Require(sound.listed == expected.listed);
      Require(sound.raw_crc == expected.raw_crc);

      // A read error never adds a row, and says so when it loses one; when the check never
      // reaches it, nothing changes.
      const Outcome faulty = check(layout, long_mode, staged_error);
      Require(!faulty.listed || faulty.report == sound.report);
      Require(faulty.listed == sound.listed ||
              faulty.report.find("! Read error in ") != std::string::npos);
    }
  }
  // The summary holds exactly the rows of the listed images, in the order they were checked.
  Require(state.summary.rows() == listed_crcs.size());
  for (std::size_t row = 0; row < listed_crcs.size(); ++row) {
    Require(state.summary.row(row).raw_crc == listed_crcs[row]);
  }
  return 0;
}
