// The run shared by both tools: usage text or processing, the file search for every argument,
// the per-file check, then the summary and the footer.
#ifndef TVC_DRIVER_DRIVER_H_
#define TVC_DRIVER_DRIVER_H_

#include <span>
#include <string_view>

#include "platform/platform.h"
#include "report/report_stream.h"
#include "tape/run_state.h"

namespace tvc {

// The exit statuses of a run. A run that checked every match ends with 0, whatever it found;
// the others end it early, with one line on standard error.
inline constexpr int kExitDone = 0;
inline constexpr int kExitReportFailed = 101;  // the report could not be written
inline constexpr int kExitOutOfMemory = 102;   // the system refused memory

struct ToolDescription {
  std::string_view name;                    // the program's name, for diagnostics
  std::span<const std::string_view> usage;  // the usage text after the opening empty line
  // Checks state.image.
  void (*check)(RunState& state, ReportStream& out);
};

// Runs one whole tool on `platform` and returns the exit status.
int RunTool(const ToolDescription& tool, Platform& platform);

// Expands every file argument and checks each match (the "-l" option already taken out), the files
// read ahead.
void CheckMatches(const ToolDescription& tool, std::span<const std::string> file_arguments,
                  Platform& platform, RunState& state, ReportStream& out);

// Writes the summary of all valid images and the footer.
void WriteSummary(const SummaryTable& summary, ReportStream& out);

}  // namespace tvc

#endif  // TVC_DRIVER_DRIVER_H_
