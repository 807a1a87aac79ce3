#include "driver/driver.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/read_ahead.h"

namespace tvc {

namespace {

// The footer's web site lines: the project's home page and the page where collectors send in
// software. Both tools write them; change them here only.
constexpr std::string_view kFooter[] = {
    "", "https://sorbek-ravnik.example/",         "https://sorbek-ravnik.example/send-software/",
    "", "Ne felejtsd elkuldeni nekunk, ha olyan", "programod van, ami nincs a weboldalon.",
    "", "Don't forget to send us, if you have a", "software that we have not on the website.",
};

// A file of this name is passed over without a word: the report of an earlier run may have been
// sent there.
constexpr std::string_view kSkippedName = "STDERR.TXT";

// A name, or a parameter, as the report shows it: its first characters.
std::string_view ShownPart(std::string_view name, NameEncoding encoding) {
  return FirstCharacters(name, RunState::kNameLength, encoding);
}

// The search could not look at all of what the parameter names; the run goes on without it.
void ReportSearchFailure(std::string_view pattern, const Status& failure, Platform& platform,
                         ReportStream& out) {
  out.Text("Input file (")
      .Name(ShownPart(pattern, platform.FileNameEncoding()))
      .Text(") search error: ")
      .Text(failure.reason())
      .Text(". Skipped...")
      .EndLine();
}

void CheckOneMatch(const ToolDescription& tool, const RunStep& step, Platform& platform,
                   RunState& state, ReportStream& out) {
  state.shown_name.assign(ShownPart(step.match.name, platform.FileNameEncoding()));
  if (step.outcome != ReadOutcome::kRead) {
    out.Text("Input file (").Name(state.shown_name).Text(") open error. Skipped...").EndLine();
    return;
  }
  if (step.match.name == kSkippedName) return;
  state.image = {step.bytes, step.start.length, step.start.read_error};
  tool.check(state, out);
}

// The steps of a run in order: each parameter's search, one after the other.
class RunSteps {
 public:
  RunSteps(std::span<const std::string> patterns, Platform& platform)
      : patterns_(patterns), platform_(platform) {}

  bool Next(RunStep* step) {
    for (;;) {
      if (!search_) {
        if (next_pattern_ == patterns_.size()) return false;
        pattern_ = &patterns_[next_pattern_++];
        search_ = platform_.StartSearch(*pattern_);
      }
      step->kind = search_->Next(&step->match, &step->failure);
      if (step->kind != SearchStep::kEnd) break;
      search_.reset();
    }
    step->pattern = pattern_;
    // A file of the skipped name is opened, so that an unreadable one is reported, but not read.
    step->bytes_wanted =
        step->kind == SearchStep::kMatch && step->match.name != kSkippedName ? kImageBytesRead : 0;
    return true;
  }

 private:
  std::span<const std::string> patterns_;
  Platform& platform_;
  std::size_t next_pattern_ = 0;
  const std::string* pattern_ = nullptr;
  std::unique_ptr<FileSearch> search_;
};

}  // namespace

void CheckMatches(const ToolDescription& tool, std::span<const std::string> file_arguments,
                  Platform& platform, RunState& state, ReportStream& out) {
  RunSteps steps(file_arguments, platform);
  ReadAhead read_ahead(platform, [&](RunStep* step) { return steps.Next(step); });
  while (const RunStep* step = read_ahead.Next()) {
    if (step->kind == SearchStep::kFailure) {
      ReportSearchFailure(*step->pattern, step->failure, platform, out);
    } else {
      CheckOneMatch(tool, *step, platform, state, out);
    }
  }
}

void WriteSummary(const SummaryTable& summary, ReportStream& out) {
  out.EndLine();
  out.Line("Summary:");
  out.Line("--------");
  for (std::size_t index = 0; index < summary.rows(); ++index) {
    const SummaryRow row = summary.row(index);
    out.Text("File: ").Name(row.name, 12).Text(" Raw CRC: ").Number(row.raw_crc, 8).EndLine();
  }
  for (const std::string_view line : kFooter) out.Line(line);
}

namespace {

int Run(const ToolDescription& tool, Platform& platform) {
  const auto on_failure = [&](const Status& status) {
    platform.WriteDiagnostic(std::string(tool.name) +
                             ": cannot write the report: " + status.reason() + "\n");
    platform.Exit(kExitReportFailed);
  };
  ReportStream out(platform.StandardOutput(), on_failure, platform.FileNameEncoding());
  out.EndLine();

  const std::vector<std::string> parameters = platform.Parameters();
  if (parameters.empty()) {
    for (const std::string_view line : tool.usage) out.Line(line);
    out.Close();
    return kExitDone;
  }

  RunState state;
  state.summary = SummaryTable(platform.FileNameEncoding());
  state.long_info = parameters.front() == "-l";
  const std::span<const std::string> file_arguments =
      std::span(parameters).subspan(state.long_info ? 1 : 0);
  CheckMatches(tool, file_arguments, platform, state, out);
  WriteSummary(state.summary, out);
  out.Close();
  return kExitDone;
}

}  // namespace

int RunTool(const ToolDescription& tool, Platform& platform) {
  try {
    return Run(tool, platform);
  } catch (const std::bad_alloc&) {
    // Nothing below allocates: the line is made of pieces that exist already. What the report
    // still held back is lost, as when the report cannot be written; no summary claims a
    // finished run.
    platform.WriteDiagnostic(tool.name);
    platform.WriteDiagnostic(": out of memory\n");
    platform.Exit(kExitOutOfMemory);
  }
  return kExitOutOfMemory;  // not reached: Exit ends the process
}

}  // namespace tvc
