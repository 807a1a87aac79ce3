#include "support/scratch_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

namespace tvc::testing {

namespace fs = std::filesystem;

ScopedTempDir::ScopedTempDir() {
  std::random_device random;
  do {
    path_ = fs::temp_directory_path() / ("tvc-test-" + std::to_string(random()));
  } while (!fs::create_directory(path_));
}

// Windows refuses to delete read-only files, so every entry is made writable first.
ScopedTempDir::~ScopedTempDir() {
  std::error_code error;
  for (fs::recursive_directory_iterator entry(path_, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code ignored;
    fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, error);
}

void WriteFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace tvc::testing
