// Fuzzes the header walk over arbitrary bytes, for both layouts and both modes, through the
// in-memory input file.
//
// Input: one control byte, then the image. The control byte's low two bits choose a file-system
// fault to stage (none, short reads, a read error, a failing length query) and its upper six bits
// a parameter for it. Each input is checked four times without the fault (CAS and TTP, short and
// long) and four times with it, all into one summary, which must end up holding exactly the rows
// of the checks that listed their image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_stream.h"
#include "support/memory_file.h"
#include "tape/image_check.h"
#include "tape/run_state.h"

namespace {

using tvc::ImageLayout;

// Longer than the 32 characters of a summary row, so the cut is exercised.
constexpr std::string_view kName = "A_NAME_LONGER_THAN_THIRTY_TWO_CHARACTERS.CAS";

enum class Fault { kNone, kShortReads, kReadError, kLengthFails };

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

// Checks `image` with `state`, whose summary gathers the rows of every check of one input.
Outcome Check(tvc::RunState& state, const ImageLayout& layout, bool long_mode,
              const std::vector<std::uint8_t>& image, Fault fault, unsigned parameter) {
  auto file = std::make_unique<tvc::MemoryFile>(image);
  switch (fault) {
    case Fault::kNone:
      break;
    case Fault::kShortReads:
      file->LimitReadsTo(parameter + 1);
      break;
    case Fault::kReadError:  // somewhere from the first byte to the last, by the parameter
      file->FailReadsAt(static_cast<std::int64_t>(image.size() * parameter / 63), "I/O error");
      break;
    case Fault::kLengthFails:
      file->FailLength("Stale file handle");
      break;
  }
  StringSink sink;
  Outcome outcome;
  {
    tvc::ReportStream out(sink, [](const tvc::Status&) { Require(false); });
    const std::size_t rows_before = state.summary.rows();
    state.long_info = long_mode;
    state.shown_name = kName;
    state.file = std::move(file);
    tvc::CheckImage(layout, state, out);
    out.Close();

    // The file is closed on every path, and the summary gains one row exactly when the report
    // ends with the image's raw CRC.
    Require(state.file == nullptr);
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
  // Every line ends with CR LF, and nothing follows the last line end. A TTP signature line
  // echoes its four bytes unchanged, whatever they are, so it is passed over.
  std::string_view lines = outcome.report;
  if (!layout.signature.empty() && image.size() >= 4 &&
      lines.starts_with(std::string(image.begin(), image.begin() + 4) + "\r\n")) {
    lines.remove_prefix(6);
  }
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
  const auto fault = static_cast<Fault>(data[0] & 3);
  const unsigned parameter = data[0] >> 2;
  const std::vector<std::uint8_t> image(data + 1, data + size);
  tvc::RunState state;
  std::vector<std::int32_t> listed_crcs;
  const auto check = [&](const ImageLayout& layout, bool long_mode, Fault fault) {
    Outcome outcome = Check(state, layout, long_mode, image, fault, parameter);
    if (outcome.listed) listed_crcs.push_back(outcome.raw_crc);
    return outcome;
  };
  for (const bool ttp : {false, true}) {
    const ImageLayout& layout = ttp ? tvc::kTtpLayout : tvc::kCasLayout;
    for (const bool long_mode : {false, true}) {
      const Outcome sound = check(layout, long_mode, Fault::kNone);
      const Outcome expected = Expected(ttp, image);
      Require(sound.listed == expected.listed);
      Require(sound.raw_crc == expected.raw_crc);

      const Outcome faulty = check(layout, long_mode, fault);
      switch (fault) {
        case Fault::kNone:
        case Fault::kShortReads:  // reads that deliver less change nothing
          Require(faulty.report == sound.report);
          break;
        case Fault::kReadError:
        case Fault::kLengthFails:  // a failure never adds a row, and says so when it loses one
          Require(!faulty.listed || faulty.report == sound.report);
          Require(faulty.listed == sound.listed ||
                  faulty.report.find("! Read error in ") != std::string::npos);
          break;
      }
    }
  }
  // The summary holds exactly the rows of the listed images, in the order they were checked.
  Require(state.summary.rows() == listed_crcs.size());
  for (std::size_t row = 0; row < listed_crcs.size(); ++row) {
    Require(state.summary.row(row).raw_crc == listed_crcs[row]);
  }
  return 0;
}
