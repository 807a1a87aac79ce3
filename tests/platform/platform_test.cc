// The platform backend of the running system (platform_posix.cc or platform_win32.cc), on files
// in a scratch directory: what every backend must do alike.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <array>
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

// Reads up to `size` bytes at the current position.
std::vector<std::uint8_t> ReadSome(InputFile& file, std::size_t size) {
  std::array<std::uint8_t, 16> buffer;
  std::size_t count = 0;
  const Status status = file.Read(std::span(buffer).first(size), &count);
  EXPECT_TRUE(status.ok()) << status.reason();
  return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + count);
}

std::int64_t LengthOf(InputFile& file) {
  std::int64_t length = -1;
  const Status status = file.Length(&length);
  EXPECT_TRUE(status.ok()) << status.reason();
  return length;
}

TEST_F(PlatformTest, ReadsSeeksAndMeasuresAFile) {
  testing::WriteFile(dir_.path() / "TEN.CAS", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  const std::unique_ptr<InputFile> file = platform_->OpenInput(PathOf("TEN.CAS"));
  ASSERT_TRUE(file);
  EXPECT_EQ(ReadSome(*file, 4), (std::vector<std::uint8_t>{0, 1, 2, 3}));
  // Asking for the length leaves the read position where it was.
  EXPECT_EQ(LengthOf(*file), 10);
  EXPECT_EQ(ReadSome(*file, 2), (std::vector<std::uint8_t>{4, 5}));
  // A position beyond the end is no failure; the next read finds the end.
  ASSERT_TRUE(file->Seek(1000).ok());
  EXPECT_EQ(ReadSome(*file, 4), std::vector<std::uint8_t>{});
  ASSERT_TRUE(file->Seek(8).ok());
  EXPECT_EQ(ReadSome(*file, 4), (std::vector<std::uint8_t>{8, 9}));
  EXPECT_EQ(ReadSome(*file, 4), std::vector<std::uint8_t>{});
}

TEST_F(PlatformTest, AnEmptyFileEndsAtOnce) {
  testing::WriteFile(dir_.path() / "EMPTY.CAS", {});
  const std::unique_ptr<InputFile> file = platform_->OpenInput(PathOf("EMPTY.CAS"));
  ASSERT_TRUE(file);
  EXPECT_EQ(LengthOf(*file), 0);
  EXPECT_EQ(ReadSome(*file, 4), std::vector<std::uint8_t>{});
}

// Lengths and positions are 64-bit: a file beyond 4 GiB (sparse where the file system allows)
// is measured and read at its true offsets.
TEST_F(PlatformTest, FilesBeyond4GiB) {
  constexpr std::int64_t kLength = (std::int64_t{5} << 30) + 3;
  testing::WriteFile(dir_.path() / "HUGE.CAS", {});
  fs::resize_file(dir_.path() / "HUGE.CAS", kLength);
  const std::unique_ptr<InputFile> file = platform_->OpenInput(PathOf("HUGE.CAS"));
  ASSERT_TRUE(file);
  EXPECT_EQ(LengthOf(*file), kLength);
  ASSERT_TRUE(file->Seek(kLength - 2).ok());
  EXPECT_EQ(ReadSome(*file, 4), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(PlatformTest, OnlyExistingFilesOpen) {
  fs::create_directory(dir_.path() / "DIR.CAS");
  testing::WriteFile(dir_.path() / "GAME.CAS", {1});
  EXPECT_FALSE(platform_->OpenInput(PathOf("MISSING.CAS")));
  EXPECT_FALSE(platform_->OpenInput(PathOf("DIR.CAS")));
  EXPECT_FALSE(platform_->OpenInput(""));
  // A failed open leaves no trace.
  EXPECT_TRUE(platform_->OpenInput(PathOf("GAME.CAS")));
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
      EXPECT_TRUE(platform_->OpenInput(match.path)) << match.path;
    }
    EXPECT_EQ(names, c.names) << c.pattern;
  }
}

}  // namespace
}  // namespace tvc
