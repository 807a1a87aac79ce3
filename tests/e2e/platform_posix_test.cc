// The tools on what only a POSIX system can stage: FIFOs, /dev/full, dot-files as hidden files,
// names that differ only in case, and paths of any length.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/image_builder.h"
#include "support/process.h"
#include "support/report.h"
#include "support/string_sink.h"

namespace tvc::testing {
namespace {

const std::string kSorbek = SORBEK_PATH;
const std::string kRavnik = RAVNIK_PATH;

TEST(PosixTest, FifosDotFilesAndNamesThatDifferInCase) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "GAME.CAS", TapeHeader::Consistent(CountingBytes(10, 1)).Cas());
  // A FIFO is never opened for reading: the tool would wait for a writer for ever.
  ASSERT_EQ(::mkfifo((dir.path() / "PIPE.CAS").c_str(), 0644), 0);
  WriteFile(dir.path() / "SHORT.CAS", std::vector<std::uint8_t>(50, 0x11));
  WriteFile(dir.path() / ".HIDDEN.CAS", TapeHeader::Consistent({7}).Cas());
  WriteFile(dir.path() / "STDERR.TXT", TapeHeader::Consistent({1}).Cas());
  WriteFile(dir.path() / "stderr.txt", TapeHeader::Consistent({2}).Cas());

  const ProcessResult result = RunProgram(kSorbek, {"*.cas", ".*", "*.txt"}, dir.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out,
            Report(Lines({
                       "Valid CAS file found: GAME.CAS",
                       "Raw CRC: 55",
                       "",
                       "Input file (PIPE.CAS) open error. Skipped...",
                       "Valid CAS file found: SHORT.CAS",
                       "! Unexpected end of file at offset 50. Image left out of the summary.",
                       "",
                       "Valid CAS file found: .HIDDEN.CAS",
                       "Raw CRC: 7",
                       "",
                       "Valid CAS file found: stderr.txt",
                       "Raw CRC: 2",
                       "",
                   }),
                   {{"GAME.CAS", 55}, {".HIDDEN.CAS", 7}, {"stderr.txt", 2}}));
  EXPECT_EQ(result.err, "");
}

// Far beyond what Windows lets a program open by an ANSI name (see platform_win32_test.cc).
TEST(PosixTest, LongPathsAreOpenedWholeAndNamesShownCut) {
  ScopedTempDir dir;
  const std::string directory(200, 'd');
  const std::string name = std::string(110, 'n') + ".cas";
  WriteFile(dir.path() / directory / name, TapeHeader::Consistent({3}).Cas());
  EXPECT_EQ(RunProgram(kSorbek, {directory + "/" + name}, dir.path()).out,
            Report(Lines({"Valid CAS file found: " + name.substr(0, 100), "Raw CRC: 3", ""}),
                   {{name.substr(0, 32), 3}}));
}

// An image that cannot be read names itself in its line: the read fails at offset 0, before any
// other line of the image is written.
TEST(PosixTest, ReadErrorsNameTheirImage) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "A.CAS", TapeHeader::Consistent({1}).Cas());
  WriteFile(dir.path() / "A.TTP", TapeHeader::Consistent({1}).Ttp());
  const std::string unreadable =
      "! Read error in mem at offset 0: Input/output error. Image left out of the summary.";
  EXPECT_EQ(RunProgram(kSorbek, {"A.CAS", "/proc/self/mem", "A.CAS"}, dir.path()).out,
            Report(Lines({"Valid CAS file found: A.CAS", "Raw CRC: 1", "", unreadable, "",
                          "Valid CAS file found: A.CAS", "Raw CRC: 1", ""}),
                   {{"A.CAS", 1}, {"A.CAS", 1}}));
  const ProcessResult ravnik = RunProgram(kRavnik, {"/proc/self/mem", "A.TTP"}, dir.path());
  EXPECT_EQ(ravnik.out.substr(0, 2 + unreadable.size() + 4), Lines({"", unreadable, ""}));
}

// With no descriptor left, a directory cannot be listed: the search says so instead of finding
// nothing.
TEST(PosixTest, SearchWithoutDescriptorsFails) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "GAME.CAS", {1});
  const std::unique_ptr<Platform> platform = Platform::Create(0, nullptr);
  const int lowest_free = ::dup(STDIN_FILENO);
  ASSERT_GE(lowest_free, 0);
  ::close(lowest_free);
  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const rlimit none_left = {static_cast<rlim_t>(lowest_free), saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none_left), 0);
  const std::unique_ptr<FileSearch> search = platform->StartSearch(dir.path().string() + "/*.CAS");
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  FoundFile match;
  Status failure = Status::Ok();
  EXPECT_EQ(search->Next(&match, &failure), SearchStep::kFailure);
  EXPECT_EQ(failure.reason(), "Too many open files");
  EXPECT_EQ(search->Next(&match, &failure), SearchStep::kEnd);
}

TEST(PosixTest, UnwritableReportEndsWithStatus101) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "GAME.CAS", TapeHeader::Consistent(CountingBytes(10, 1)).Cas());
  struct Case {
    std::string tool;
    std::string pattern;
    std::string diagnostic;
  };
  const Case cases[] = {
      {kSorbek, "GAME.CAS", "sorbek: cannot write the report: No space left on device\n"},
      {kRavnik, "*.ttp", "ravnik: cannot write the report: No space left on device\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult result = RunProgram(c.tool, {c.pattern}, dir.path(), "/dev/full");
    EXPECT_EQ(result.exit_status, 101) << c.tool;
    EXPECT_EQ(result.err, c.diagnostic);
  }
}

}  // namespace
}  // namespace tvc::testing
