// A platform whose files live in memory, for tests of what stands above the platform: which of
// them the system holds in memory is up to the test, and every read is recorded.
#ifndef TVC_TESTS_SUPPORT_FAKE_PLATFORM_H_
#define TVC_TESTS_SUPPORT_FAKE_PLATFORM_H_

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace tvc::testing {

class FakePlatform final : public Platform {
 public:
  // A file of `bytes`; when `in_memory`, a read that must not wait reads it.
  void AddFile(const std::string& path, std::vector<std::uint8_t> bytes, bool in_memory) {
    files_[path] = std::move(bytes);
    if (in_memory) in_memory_.insert(path);
  }
  // Reading this file, when the read may wait, runs out of memory.
  void ExhaustMemoryOn(const std::string& path) { out_of_memory_.insert(path); }

  // The files read so far that may wait or must not, in the order the reads began.
  std::vector<std::string> ReadsThatMayWait() const {
    return Reads([](Waiting waiting) { return waiting != Waiting::kNever; });
  }
  std::vector<std::string> ReadsThatNeverWait() const {
    return Reads([](Waiting waiting) { return waiting == Waiting::kNever; });
  }

  ReadOutcome ReadFileStart(const std::string& path, std::span<std::uint8_t> buffer,
                            Waiting waiting, FileStart* start) override {
    *start = FileStart();
    {
      const std::lock_guard lock(mutex_);
      reads_.emplace_back(waiting, path);
    }
    const auto file = files_.find(path);
    if (file == files_.end()) return ReadOutcome::kCannotOpen;
    const bool in_memory = in_memory_.count(path) > 0;
    if (waiting == Waiting::kNever && !in_memory) return ReadOutcome::kWouldWait;
    if (out_of_memory_.count(path) > 0) throw std::bad_alloc();
    start->size = std::min(buffer.size(), file->second.size());
    std::copy_n(file->second.begin(), start->size, buffer.begin());
    start->length = static_cast<std::int64_t>(file->second.size());
    start->was_cached = waiting != Waiting::kAsNeeded && in_memory;
    return ReadOutcome::kRead;
  }

  // Not used by the stage under test.
  NameEncoding FileNameEncoding() const override { return NameEncoding::kSingleByte; }
  std::vector<std::string> Parameters() override { return {}; }
  std::unique_ptr<FileSearch> StartSearch(const std::string&) override { std::abort(); }
  OutputSink& StandardOutput() override { std::abort(); }
  void WriteDiagnostic(std::string_view) override {}
  [[noreturn]] void Exit(int) override { std::abort(); }

 private:
  template <typename Wanted>
  std::vector<std::string> Reads(Wanted wanted) const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& [waiting, path] : reads_) {
      if (wanted(waiting)) paths.push_back(path);
    }
    return paths;
  }

  std::map<std::string, std::vector<std::uint8_t>> files_;
  std::set<std::string> in_memory_;
  std::set<std::string> out_of_memory_;
  mutable std::mutex mutex_;
  std::vector<std::pair<Waiting, std::string>> reads_;
};

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_FAKE_PLATFORM_H_
