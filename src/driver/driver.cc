#include "driver/driver.h"

#include <new>
#include <string>
#include <vector>

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

void CheckOneMatch(const ToolDescription& tool, const FoundFile& match, Platform& platform,
                   RunState& state, ReportStream& out) {
  state.shown_name.assign(ShownPart(match.name, platform.FileNameEncoding()));
  state.file = platform.OpenInput(match.path);
  if (!state.file) {
    out.Text("Input file (").Name(state.shown_name).Text(") open error. Skipped...").EndLine();
    return;
  }
  if (state.shown_name == kSkippedName) {
    state.file.reset();
    return;
  }
  tool.check(state, out);
}

}  // namespace

void CheckMatches(const ToolDescription& tool, std::span<const std::string> file_arguments,
                  Platform& platform, RunState& state, ReportStream& out) {
  FoundFile match;
  Status failure = Status::Ok();
  for (const std::string& pattern : file_arguments) {
    state.shown_name.clear();
    const std::unique_ptr<FileSearch> search = platform.StartSearch(pattern);
    for (SearchStep step; (step = search->Next(&match, &failure)) != SearchStep::kEnd;) {
      if (step == SearchStep::kFailure) {
        ReportSearchFailure(pattern, failure, platform, out);
      } else {
        CheckOneMatch(tool, match, platform, state, out);
      }
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
