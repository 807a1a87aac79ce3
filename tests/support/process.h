// Runs a built tool as a child process and collects what it writes. One implementation per
// system: process_posix.cc, process_win32.cc.
#ifndef TVC_TESTS_SUPPORT_PROCESS_H_
#define TVC_TESTS_SUPPORT_PROCESS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace tvc::testing {

// The exit status of a child that could not become what RunOptions asked for.
inline constexpr int kCouldNotStart = 126;

struct ProcessResult {
  int exit_status = -1;          // the exit status, or 128 + the signal that ended the child
  std::string out;               // standard output, unless it went elsewhere
  std::string err;               // standard error
  std::int64_t bytes_read = -1;  // bytes the child read through read() and its kin; -1 unknown
};

// Where the child's standard output goes.
enum class StandardOutput {
  kCollected,          // a pipe that is collected into ProcessResult::out
  kClosed,             // no descriptor 1 at all
  kPipeWithoutReader,  // a pipe whose reading end is closed: writing raises SIGPIPE
  // A pipe set non-blocking, as a reading program may set it, and drained slowly: the child's
  // writes meet a full pipe again and again (POSIX only).
  kNonBlockingSlowReader,
};

struct RunOptions {
  // Standard output goes to this file (created or emptied) instead; takes precedence.
  std::optional<std::string> stdout_path;
  StandardOutput stdout_kind = StandardOutput::kCollected;
  // Run as the unprivileged user "nobody" when the tests run as root, so that file permissions
  // apply to the child (POSIX only).
  bool unprivileged = false;
};

// Runs `program` with `arguments` in `directory`, as a user's shell would: default signal
// dispositions, nothing blocked. A child that has not ended after a minute is killed, so that a
// tool that blocks fails its test instead of hanging the suite.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory, const RunOptions& options);

// The same, with standard output collected or sent to `stdout_path`.
inline ProcessResult RunProgram(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::filesystem::path& directory,
                                const std::optional<std::string>& stdout_path = std::nullopt) {
  RunOptions options;
  options.stdout_path = stdout_path;
  return RunProgram(program, arguments, directory, options);
}

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_PROCESS_H_
