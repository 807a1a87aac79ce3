// The built ravnik, run in a scratch directory on TTP images laid out by each test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_builder.h"
#include "support/process.h"
#include "support/report.h"
#include "support/string_sink.h"

namespace tvc::testing {
namespace {

const std::string kRavnik = RAVNIK_PATH;

TEST(RavnikTest, WithoutParametersWritesTheUsageText) {
  ScopedTempDir dir;
  const ProcessResult result = RunProgram(kRavnik, {}, dir.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(
      result.out,
      Lines({"", "RAVNIK  - Creating a raw CRC from a TVC .TTP file", "Version 1.0 Build 081127",
             "", "USE: ravnik [-l] inputfile [inputfile] [inputfile...]",
             "Parameters:", " -l: long info with additional information",
             " inputfiles are TTP files", "For example:", " ravnik -l tvc1.ttp tvc2.ttp", "OR",
             " ravnik a*.ttp", "OR redirect output to file", " ravnik *.ttp >list.txt"}));
}

TEST(RavnikTest, MixedCollection) {
  ScopedTempDir dir;
  // GAME.TTP: 4 + 144 + 3 bytes, block and stored sizes as a complete TTP image has them.
  TapeHeader game = TapeHeader::Consistent({10, 20, 30});
  game.WithBlockSize(147);
  game.stored_size = 7;
  // Made in the order of the report: it holds also where matches come in the order of making.
  WriteFile(dir.path() / "GAME.TTP", game.Ttp());
  TapeHeader rejected = game;
  rejected.mark = 0x00;
  WriteFile(dir.path() / "NOMARK.TTP", rejected.Ttp());
  WriteFile(dir.path() / "old.ttp", game.Ttp("TTP1"));
  WriteFile(dir.path() / "TINY.TTP", {'T', 'T'});
  // A CAS image handed to ravnik: its first four bytes are echoed, its fifth byte decides.
  WriteFile(dir.path() / "plain.cas", TapeHeader::Consistent({1, 2, 3}).Cas());

  const ProcessResult result = RunProgram(kRavnik, {"-l", "*.ttp", "plain.cas"}, dir.path());
  EXPECT_EQ(result.exit_status, 0);
  const std::string header = Lines({
      "- Full ($80) blocks in the file:   $0001 (1)",
      "- Last block size in the file:     $0013 (19)",
      "- Size of the blocks (calculated): $0093 (147)",
      "- File type: Program file.",
      "- Size of the file: $0007 (7)",
      "- Autostarted file.",
  });
  EXPECT_EQ(
      result.out,
      Report(Lines({"TTP0", "Valid TTP file found: GAME.TTP", "Valid CAS file found: GAME.TTP"}) +
                 header + Lines({"Raw CRC: 60", ""}) +
                 Lines({"TTP0", "Valid TTP file found: NOMARK.TTP",
                        "  NOMARK.TTP file isn't a valid CAS file. Skipped...", "TTP1",
                        "Valid CAS file found: old.ttp"}) +
                 header + Lines({"Raw CRC: 60", ""}) +
                 Lines({"    TINY.TTP file isn't a valid CAS file. Skipped...",
                        "????",  // 11 00 01 00, control bytes shown as '?'
                        "   plain.cas file isn't a valid CAS file. Skipped..."}),
             {{"GAME.TTP", 60}, {"old.ttp", 60}}));
}

}  // namespace
}  // namespace tvc::testing
