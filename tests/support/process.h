// Runs a built tool as a child process and collects what it writes. One implementation per
// system: process_posix.cc, process_win32.cc.
#ifndef TVC_TESTS_SUPPORT_PROCESS_H_
#define TVC_TESTS_SUPPORT_PROCESS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace tvc::testing {

struct ProcessResult {
  int exit_status = -1;  // the exit status, or 128 + the signal that ended the child
  std::string out;       // standard output, unless it went to a file
  std::string err;       // standard error
};

// Runs `program` with `arguments` in `directory`. Standard output goes to a pipe that is
// collected, or to `stdout_path` when given, or is closed when `close_stdout` is set.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory,
                         const std::optional<std::string>& stdout_path = std::nullopt,
                         bool close_stdout = false);

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_PROCESS_H_
