// Scratch directories and files for the tests that run on the disk.
#ifndef TVC_TESTS_SUPPORT_SCRATCH_DIR_H_
#define TVC_TESTS_SUPPORT_SCRATCH_DIR_H_

#include <filesystem>
#include <string>
#include <vector>

namespace tvc::testing {

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

// The whole content of the file at `path`, as bytes.
std::string ReadWhole(const std::filesystem::path& path);

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_SCRATCH_DIR_H_
