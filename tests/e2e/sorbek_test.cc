// The built sorbek, run in a scratch directory on files laid out by each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/image_builder.h"
#include "support/process.h"
#include "support/report.h"
#include "support/string_sink.h"

namespace tvc::testing {
namespace {

namespace fs = std::filesystem;

const std::string kSorbek = SORBEK_PATH;

class SorbekTest : public ::testing::Test {
 protected:
  ProcessResult Run(const std::vector<std::string>& arguments) {
    return RunProgram(kSorbek, arguments, dir_.path());
  }
  void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteFile(dir_.path() / name, bytes);
  }

  ScopedTempDir dir_;
};

TEST_F(SorbekTest, WithoutParametersWritesTheUsageText) {
  const ProcessResult result = Run({});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(
      result.out,
      Lines({"", "SORBEK  - Creating a raw CRC from a TVC .CAS file", "Version 1.00 Build 081117",
             "", "USE: sorbek [-l] inputfile [inputfile] [inputfile...]",
             "Parameters:", " -l: long info with additional information",
             " inputfiles are CAS files", "For example:", " sorbek -l tvc1.cas tvc2.cas", "OR",
             " sorbek a*.cas", "OR redirect output to file", " sorbek *.cas >list.txt"}));
  EXPECT_EQ(result.err, "");
}

TEST_F(SorbekTest, OptionAloneGivesAnEmptySummary) {
  const ProcessResult result = Run({"-l"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Report("", {}));
}

TEST_F(SorbekTest, OnlyTheExactOptionSelectsLongMode) {
  Put("GAME.CAS", TapeHeader::Consistent(CountingBytes(10, 1)).Cas());
  EXPECT_EQ(
      Run({"-L", "GAME.CAS"}).out,
      Report(Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 55", ""}), {{"GAME.CAS", 55}}));
  // "-l" after the first parameter is a pattern like any other, and matches nothing here.
  EXPECT_EQ(
      Run({"GAME.CAS", "-l"}).out,
      Report(Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 55", ""}), {{"GAME.CAS", 55}}));
  EXPECT_EQ(
      Run({"-l", "GAME.CAS"}).out,
      Report(Lines({"Valid CAS file found: GAME.CAS", "- Copy protection: $00 ($00=not protected)",
                    "- Full ($80) blocks in the file:   $0001 (1)",
                    "- Last block size in the file:     $001A (26)",
                    "- Size of the blocks (calculated): $009A (154)", "- File type: Program file.",
                    "- Size of the file: $000A (10)", "- Autostarted file.", "Raw CRC: 55", ""}),
             {{"GAME.CAS", 55}}));
}

// The images are laid out in the order of the expected report: where a system yields matches in
// the order the files were made, the report is the same.
TEST_F(SorbekTest, MixedCollection) {
  TapeHeader bad = TapeHeader::Consistent(CountingBytes(10));
  bad.mark = 0x00;
  Put("BAD.CAS", bad.Cas());
  Put("GAME.CAS", TapeHeader::Consistent(CountingBytes(10, 1)).Cas());  // raw CRC 55
  std::vector<std::uint8_t> short_image = TapeHeader::Consistent(CountingBytes(10)).Cas();
  short_image.resize(50);
  Put("SHORT.CAS", short_image);
  Put("games/inner.cas", TapeHeader::Consistent(std::vector<std::uint8_t>(4, 100)).Cas());
  // Only the exact name is passed over. The two spellings lie in two directories, as a system
  // that ignores the case of names cannot hold both in one.
  Put("upper/STDERR.TXT", TapeHeader::Consistent({1}).Cas());
  Put("lower/stderr.txt", TapeHeader::Consistent({2}).Cas());
  fs::create_directory(dir_.path() / "DIR.CAS");

  const ProcessResult result =
      Run({"*.cas", "GAME.CAS", "games/*.cas", "upper/*.txt", "lower/*.txt", "none*"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out,
            Report(Lines({
                       "     BAD.CAS file isn't a valid CAS file. Skipped...",
                       "Valid CAS file found: GAME.CAS",
                       "Raw CRC: 55",
                       "",
                       "Valid CAS file found: SHORT.CAS",
                       "! Unexpected end of file at offset 50. Image left out of the summary.",
                       "",
                       "Valid CAS file found: GAME.CAS",
                       "Raw CRC: 55",
                       "",
                       "Valid CAS file found: inner.cas",
                       "Raw CRC: 400",
                       "",
                       "Valid CAS file found: stderr.txt",
                       "Raw CRC: 2",
                       "",
                   }),
                   {{"GAME.CAS", 55}, {"GAME.CAS", 55}, {"inner.cas", 400}, {"stderr.txt", 2}}));
  EXPECT_EQ(result.err, "");
}

TEST_F(SorbekTest, ReadOnlyFilesAreChecked) {
  Put("RO.CAS", TapeHeader::Consistent({9}).Cas());
  fs::permissions(dir_.path() / "RO.CAS", fs::perms::owner_read);
  EXPECT_EQ(Run({"RO.CAS"}).out,
            Report(Lines({"Valid CAS file found: RO.CAS", "Raw CRC: 9", ""}), {{"RO.CAS", 9}}));
}

TEST_F(SorbekTest, ReportRedirectedToAFileIsComplete) {
  Put("GAME.CAS", TapeHeader::Consistent(CountingBytes(10, 1)).Cas());
  const fs::path report = dir_.path() / "list.txt";
  const ProcessResult result = RunProgram(kSorbek, {"*.CAS"}, dir_.path(), report.string());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(ReadWhole(report), Report(Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 55", ""}),
                                      {{"GAME.CAS", 55}}));
}

// Images made by other people's tools; the two MIT-licensed ones travel with the project.
TEST_F(SorbekTest, RealImages) {
  // Copied in the order of the report, as in MixedCollection.
  for (const char* name : {"basicloadersample.cas", "IntegrationTest1_base.cas"}) {
    fs::copy_file(fs::path(TEST_DATA_DIR) / "real" / name, dir_.path() / name);
  }
  EXPECT_EQ(Run({"-l", "*.cas"}).out,
            Report(Lines({
                       "Valid CAS file found: basicloadersample.cas",
                       "- Copy protection: $11 ($00=not protected)",
                       "- Full ($80) blocks in the file:   $1100 (4352)",
                       "- Last block size in the file:     $00F8 (248)",
                       "- Size of the blocks (calculated): $80F8 (33016)",
                       "- File type: Program file.",
                       "- Size of the file: $0091 (145)",
                       "- Not autostarted file",
                       "! Unexpected end of file at offset 289. Raw CRC of the data present.",
                       "File length calculated from block size is different than the size "
                       "stored in CAS file.",
                       "! PC Filesize: 289",
                       "! Stored block size: 33016",
                       "Raw CRC: 10909",
                       "",
                       "Valid CAS file found: IntegrationTest1_base.cas",
                       "- Copy protection: $00 ($00=not protected)",
                       "- Full ($80) blocks in the file:   $0002 (2)",
                       "- Last block size in the file:     $0039 (57)",
                       "- Size of the blocks (calculated): $0139 (313)",
                       "- File type: Program file.",
                       "- Size of the file: $00A9 (169)",
                       "- Not autostarted file",
                       "Raw CRC: 11040",
                       "",
                   }),
                   {{"basicloadersample.cas", 10909}, {"IntegrationTest1_base.cas", 11040}}));
}

// The GPL-licensed images stay outside the project: this test runs where they lie beside it.
TEST_F(SorbekTest, RealImagesBesideTheProject) {
  const fs::path shared = fs::path(SHARED_IMAGES_DIR);
  if (!fs::exists(shared / "zexall_tvc.cas")) GTEST_SKIP() << "no " << shared;
  const ProcessResult result =
      Run({(shared / "zexall_tvc.cas").string(), (shared / "zexdoc_tvc.cas").string()});
  EXPECT_EQ(result.out,
            Report(Lines({"Valid CAS file found: zexall_tvc.cas", "Raw CRC: 617809", "",
                          "Valid CAS file found: zexdoc_tvc.cas", "Raw CRC: 615025", ""}),
                   {{"zexall_tvc.cas", 617809}, {"zexdoc_tvc.cas", 615025}}));
}

}  // namespace
}  // namespace tvc::testing
