// Runs a built tool as a child process and collects what it writes (POSIX).
#ifndef TVC_TESTS_SUPPORT_PROCESS_H_
#define TVC_TESTS_SUPPORT_PROCESS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// A fresh directory under the system's temporary directory, removed with all it holds.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path`, creating the directories on the way.
void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_PROCESS_H_
