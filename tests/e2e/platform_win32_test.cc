// The tools on what only Windows can stage: attribute marks, names that match regardless of case,
// backslash and drive-relative patterns, parameters in quotes, files that another program holds
// open, devices and pipes, and a missing standard output.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
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

namespace fs = std::filesystem;

const std::string kSorbek = SORBEK_PATH;
const std::string kRavnik = RAVNIK_PATH;

// A complete TTP image: file length, block size + 4 and stored size + 144 all agree.
std::vector<std::uint8_t> TtpImage(std::vector<std::uint8_t> data) {
  TapeHeader header = TapeHeader::Consistent(std::move(data));
  header.stored_size = static_cast<std::uint16_t>(header.stored_size + 4);
  return header.Ttp();
}

// What ravnik writes for such an image.
std::string TtpLines(const std::string& name, int raw_crc) {
  return Lines({"TTP0", "Valid TTP file found: " + name, "Valid CAS file found: " + name,
                "Raw CRC: " + std::to_string(raw_crc), ""});
}

std::string CasLines(const std::string& name, int raw_crc) {
  return Lines({"Valid CAS file found: " + name, "Raw CRC: " + std::to_string(raw_crc), ""});
}

class Win32Test : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteFile(dir_.path() / name, bytes);
  }
  std::string PathOf(const std::string& name) const { return (dir_.path() / name).string(); }

  ScopedTempDir dir_;
};

TEST_F(Win32Test, HiddenSystemAndDirectoryEntriesArePassedOver) {
  const struct {
    const char* name;
    DWORD attributes;
  } files[] = {
      {"A.TTP", FILE_ATTRIBUTE_ARCHIVE},
      {"B.TTP", FILE_ATTRIBUTE_READONLY},
      {"C.TTP", FILE_ATTRIBUTE_HIDDEN},
      {"D.TTP", FILE_ATTRIBUTE_SYSTEM},
  };
  for (const auto& file : files) {
    Put(file.name, TtpImage({1, 2}));
    ASSERT_TRUE(::SetFileAttributesA(PathOf(file.name).c_str(), file.attributes)) << file.name;
    // Wine keeps these marks in extended attributes, which some file systems lack.
    const DWORD kept = ::GetFileAttributesA(PathOf(file.name).c_str());
    if (kept == INVALID_FILE_ATTRIBUTES || (kept & file.attributes) != file.attributes) {
      GTEST_SKIP() << "the file system does not keep the mark of " << file.name;
    }
  }
  fs::create_directory(dir_.path() / "E.TTP");

  const ProcessResult result = RunProgram(kRavnik, {"*.ttp"}, dir_.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out,
            Report(TtpLines("A.TTP", 3) + TtpLines("B.TTP", 3), {{"A.TTP", 3}, {"B.TTP", 3}}));
}

// Windows compares names without regard to case; the report shows a name as it is stored.
TEST_F(Win32Test, NamesMatchRegardlessOfCase) {
  Put("game.ttp", TtpImage({5}));
  Put("game.cas", TapeHeader::Consistent({6}).Cas());
  EXPECT_EQ(RunProgram(kRavnik, {"*.TTP"}, dir_.path()).out,
            Report(TtpLines("game.ttp", 5), {{"game.ttp", 5}}));
  EXPECT_EQ(RunProgram(kSorbek, {"GAME.CAS"}, dir_.path()).out,
            Report(CasLines("game.cas", 6), {{"game.cas", 6}}));
}

// A match is opened in the pattern's directory, whichever of '\', '/' or ':' ends that part.
TEST_F(Win32Test, DirectoryPartsOfWindowsPatterns) {
  Put("sub\\INNER.CAS", TapeHeader::Consistent({7}).Cas());
  Put("TOP.CAS", TapeHeader::Consistent({8}).Cas());
  // "C:TOP.CAS" names TOP.CAS in the current directory of drive C:, which is the tool's own.
  const std::string drive = dir_.path().root_name().string();
  const ProcessResult result = RunProgram(
      kSorbek,
      {"sub\\*.cas", "sub\\INNER.CAS", drive + "TOP.CAS", drive + "T*.CAS", "sub\\..\\TOP.CAS"},
      dir_.path());
  EXPECT_EQ(
      result.out,
      Report(CasLines("INNER.CAS", 7) + CasLines("INNER.CAS", 7) + CasLines("TOP.CAS", 8) +
                 CasLines("TOP.CAS", 8) + CasLines("TOP.CAS", 8),
             {{"INNER.CAS", 7}, {"INNER.CAS", 7}, {"TOP.CAS", 8}, {"TOP.CAS", 8}, {"TOP.CAS", 8}}));
}

// The test runner quotes every parameter (see command_line_quote.h); the tool must read back
// spaces and apostrophes as part of the name.
TEST_F(Win32Test, QuotedParametersKeepSpacesAndApostrophes) {
  Put("my game.cas", TapeHeader::Consistent({9}).Cas());
  Put("it's.cas", TapeHeader::Consistent({10}).Cas());
  EXPECT_EQ(RunProgram(kSorbek, {"-l", "my game.cas", "it's.cas"}, dir_.path()).out,
            Report(Lines({"Valid CAS file found: my game.cas",
                          "- Copy protection: $00 ($00=not protected)",
                          "- Full ($80) blocks in the file:   $0001 (1)",
                          "- Last block size in the file:     $0011 (17)",
                          "- Size of the blocks (calculated): $0091 (145)",
                          "- File type: Program file.",
                          "- Size of the file: $0001 (1)",
                          "- Autostarted file.",
                          "Raw CRC: 9",
                          "",
                          "Valid CAS file found: it's.cas",
                          "- Copy protection: $00 ($00=not protected)",
                          "- Full ($80) blocks in the file:   $0001 (1)",
                          "- Last block size in the file:     $0011 (17)",
                          "- Size of the blocks (calculated): $0091 (145)",
                          "- File type: Program file.",
                          "- Size of the file: $0001 (1)",
                          "- Autostarted file.",
                          "Raw CRC: 10",
                          ""}),
                   {{"my game.cas", 9}, {"it's.cas", 10}}));
}

// The ANSI calls of Windows open no name of MAX_PATH (260) characters or more, but a parameter
// beyond 255 characters still reaches them whole: 71 times ".\\", then a 114-character name.
TEST_F(Win32Test, LongParametersAreOpenedWholeAndNamesShownCut) {
  const std::string name = std::string(110, 'n') + ".cas";
  Put(name, TapeHeader::Consistent({3}).Cas());
  std::string parameter;
  while (parameter.size() < 142) parameter += ".\\";
  parameter += name;
  EXPECT_EQ(RunProgram(kSorbek, {parameter}, dir_.path()).out,
            Report(CasLines(name.substr(0, 100), 3), {{name.substr(0, 32), 3}}));
}

// Another program has the image open for writing and deleting; the tool reads it all the same.
TEST_F(Win32Test, FilesHeldOpenByAnotherProgramAreChecked) {
  Put("BUSY.CAS", TapeHeader::Consistent({11}).Cas());
  const HANDLE holder = ::CreateFileA(PathOf("BUSY.CAS").c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const ProcessResult result = RunProgram(kSorbek, {"BUSY.CAS"}, dir_.path());
  ::CloseHandle(holder);
  EXPECT_EQ(result.out, Report(CasLines("BUSY.CAS", 11), {{"BUSY.CAS", 11}}));
}

// Only files on a disk are images: a device or a pipe is never read, so nothing can wait on it.
TEST_F(Win32Test, DevicesAndPipesDoNotOpen) {
  const std::string pipe_name = "\\\\.\\pipe\\tvc-test-" + std::to_string(::GetCurrentProcessId());
  const HANDLE pipe = ::CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1,
                                         4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  const std::unique_ptr<Platform> platform = Platform::Create(0, nullptr);
  for (const std::string& name : {std::string("NUL"), std::string("CONIN$"), pipe_name}) {
    std::uint8_t buffer[16];
    FileStart start;
    EXPECT_EQ(platform->ReadFileStart(name, buffer, Waiting::kAsNeeded, &start),
              ReadOutcome::kCannotOpen)
        << name;
  }
  ::CloseHandle(pipe);
}

// A pattern that the system refuses gets a line with the system's reason, and the run goes on.
// Wildcards in a directory part make an invalid name on Windows and under Wine alike; a pattern
// that only finds nothing stays silent.
TEST_F(Win32Test, SearchFailuresAreReported) {
  Put("GAME.CAS", TapeHeader::Consistent({12}).Cas());
  const ProcessResult result =
      RunProgram(kSorbek, {"*\\*.cas", "nowhere\\*.cas", "GAME.CAS"}, dir_.path());
  EXPECT_EQ(result.exit_status, 0);
  const std::string prefix = "\r\nInput file (*\\*.cas) search error: ";
  const std::string rest = ". Skipped...\r\n" + CasLines("GAME.CAS", 12);
  ASSERT_GT(result.out.size(), prefix.size() + rest.size()) << result.out;
  EXPECT_EQ(result.out.substr(0, prefix.size()), prefix);
  // The system's reason: one line, without its closing period.
  const std::size_t reason_end = result.out.find(rest, prefix.size());
  ASSERT_NE(reason_end, std::string::npos) << result.out;
  const std::string reason = result.out.substr(prefix.size(), reason_end - prefix.size());
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
  EXPECT_NE(reason.back(), '.') << reason;
  EXPECT_EQ(result.out.substr(reason_end), rest + SummaryAndFooter({{"GAME.CAS", 12}}));
}

// Without a standard output the first hand-over of the report fails: the tool stops with one
// line on standard error, in the system's words, and exit status 101.
TEST_F(Win32Test, UnwritableReportEndsWithStatus101) {
  Put("GAME.CAS", TapeHeader::Consistent({12}).Cas());
  RunOptions no_output;
  no_output.stdout_kind = StandardOutput::kClosed;
  for (const auto& [tool, name] : {std::pair(kSorbek, "sorbek"), std::pair(kRavnik, "ravnik")}) {
    const ProcessResult result = RunProgram(tool, {"GAME.CAS"}, dir_.path(), no_output);
    EXPECT_EQ(result.exit_status, 101) << name;
    const std::string prefix = std::string(name) + ": cannot write the report: ";
    ASSERT_GT(result.err.size(), prefix.size() + 1) << result.err;
    EXPECT_EQ(result.err.substr(0, prefix.size()), prefix);
    // One line, the system's reason without its closing period.
    EXPECT_EQ(result.err.find_first_of("\r\n"), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err[result.err.size() - 2], '.') << result.err;
  }
}

}  // namespace
}  // namespace tvc::testing
