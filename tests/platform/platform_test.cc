// The platform backend of the running system (platform_posix.cc or platform_win32.cc), on files
// in a scratch directory: what every backend must do alike.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace tvc {
namespace {

namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (dir_.path() / name).string(); }

  std::vector<FoundFile> Search(const std::string& pattern) {
    std::vector<FoundFile> matches;
    const std::unique_ptr<FileSearch> search = platform_->StartSearch(pattern);
    FoundFile match;
    Status failure = Status::Ok();
    for (SearchStep step; (step = search->Next(&match, &failure)) != SearchStep::kEnd;) {
      EXPECT_EQ(step, SearchStep::kMatch) << pattern << ": " << failure.reason();
      if (step == SearchStep::kMatch) matches.push_back(match);
    }
    // An ended search stays ended.
    EXPECT_EQ(search->Next(&match, &failure), SearchStep::kEnd) << pattern;
    return matches;
  }

  testing::ScopedTempDir dir_;
  const std::unique_ptr<Platform> platform_ = Platform::Create(0, nullptr);
};

// What ReadFileStart gives for `path` with a buffer of `size` bytes, waiting as needed.
struct Start {
  ReadOutcome outcome;
  std::vector<std::uint8_t> bytes;
  std::int64_t length;
  std::string read_error;
};

Start ReadStart(Platform& platform, const std::string& path, std::size_t size) {
  std::vector<std::uint8_t> buffer(size);
  FileStart start;
  const ReadOutcome outcome = platform.ReadFileStart(path, buffer, Waiting::kAsNeeded, &start);
  buffer.resize(start.size);
  return {outcome, buffer, start.length, start.read_error.reason()};
}

TEST_F(PlatformTest, ReadsAndMeasuresTheStartOfAFile) {
  testing::WriteFile(dir_.path() / "TEN.CAS", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  testing::WriteFile(dir_.path() / "EMPTY.CAS", {});
  // Lengths are 64-bit: a file beyond 4 GiB (sparse where the file system allows) is measured,
  // and only its start is read.
  constexpr std::int64_t kHuge = (std::int64_t{5} << 30) + 3;
  testing::WriteFile(dir_.path() / "HUGE.CAS", {7});
  fs::resize_file(dir_.path() / "HUGE.CAS", kHuge);
  struct Case {
    std::string name;
    std::size_t buffer;
    std::vector<std::uint8_t> bytes;
    std::int64_t length;
  };
  const Case cases[] = {
      {"TEN.CAS", 16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 10},
      {"TEN.CAS", 4, {0, 1, 2, 3}, 10},
      {"TEN.CAS", 0, {}, 10},  // opened and measured only
      {"EMPTY.CAS", 16, {}, 0},
      {"HUGE.CAS", 3, {7, 0, 0}, kHuge},
  };
  for (const Case& c : cases) {
    const Start start = ReadStart(*platform_, PathOf(c.name), c.buffer);
    EXPECT_EQ(start.outcome, ReadOutcome::kRead) << c.name;
    EXPECT_EQ(start.bytes, c.bytes) << c.name;
    EXPECT_EQ(start.length, c.length) << c.name;
    EXPECT_EQ(start.read_error, "") << c.name;
  }
}

// A read that must not wait either reads what the system holds in memory or says it would wait,
// and then reads nothing.
TEST_F(PlatformTest, AReadThatMustNotWaitNeverWaits) {
  testing::WriteFile(dir_.path() / "TEN.CAS", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  std::vector<std::uint8_t> buffer(16);
  FileStart start;
  const ReadOutcome outcome =
      platform_->ReadFileStart(PathOf("TEN.CAS"), buffer, Waiting::kNever, &start);
  if (outcome == ReadOutcome::kRead) {
    EXPECT_EQ(start.size, 10u);
    EXPECT_TRUE(start.was_cached);
  } else {
    EXPECT_EQ(outcome, ReadOutcome::kWouldWait);
    EXPECT_EQ(start.size, 0u);
  }
  EXPECT_EQ(start.length, outcome == ReadOutcome::kRead ? 10 : 0);
}

TEST_F(PlatformTest, OnlyExistingRegularFilesOpen) {
  fs::create_directory(dir_.path() / "DIR.CAS");
  testing::WriteFile(dir_.path() / "GAME.CAS", {1});
  for (const std::string& path : {PathOf("MISSING.CAS"), PathOf("DIR.CAS"), std::string()}) {
    EXPECT_EQ(ReadStart(*platform_, path, 16).outcome, ReadOutcome::kCannotOpen) << path;
  }
  // A failed open leaves no trace.
  EXPECT_EQ(ReadStart(*platform_, PathOf("GAME.CAS"), 16).bytes, std::vector<std::uint8_t>{1});
}

// One match at most per pattern: the order of several is the backend's rule.
TEST_F(PlatformTest, SearchesAPatternAndOpensTheMatchInItsDirectory) {
  testing::WriteFile(dir_.path() / "sub" / "GAME.TTP", {1});
  testing::WriteFile(dir_.path() / "ONE.CAS", {2});
  fs::create_directory(dir_.path() / "DIR.CAS");
  const std::string native =
      dir_.path().string() + static_cast<char>(fs::path::preferred_separator);
  const std::string generic = dir_.path().generic_string() + "/";
  struct Case {
    std::string pattern;
    std::string directory_part;  // the match's path is this followed by its name
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {native + "sub" + native.back() + "*.ttp", native + "sub" + native.back(), {"GAME.TTP"}},
      {generic + "sub/*.ttp", generic + "sub/", {"GAME.TTP"}},
      {generic + "sub/?AME.TTP", generic + "sub/", {"GAME.TTP"}},
      {native + "ONE.CAS", native, {"ONE.CAS"}},
      {native + "*.CAS", native, {"ONE.CAS"}},  // DIR.CAS is a directory
      {native + "DIR.CAS", native, {}},
      {native + "sub", native, {}},
      {generic + "sub/", generic + "sub/", {}},
      {generic + "nowhere/*.ttp", generic + "nowhere/", {}},
      {native + "MISSING.CAS", native, {}},
      {".", "", {}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    for (const FoundFile& match : Search(c.pattern)) {
      names.push_back(match.name);
      EXPECT_EQ(match.path, c.directory_part + match.name) << c.pattern;
      EXPECT_EQ(ReadStart(*platform_, match.path, 1).outcome, ReadOutcome::kRead) << match.path;
    }
    EXPECT_EQ(names, c.names) << c.pattern;
  }
}

}  // namespace
}  // namespace tvc
