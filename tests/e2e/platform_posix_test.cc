// The tools on what only a POSIX system can stage: FIFOs, /dev/full, dot-files as hidden files,
// names that differ only in case, and paths of any length.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <sstream>
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

// A parameter that names an entry exactly is that entry, '*' and '?' in its name or not: the
// names a shell hands over after expanding a pattern are not expanded again.
TEST(PosixTest, ExactNamesComeBeforePatterns) {
  ScopedTempDir dir;
  const struct {
    const char* name;
    std::uint8_t crc;
  } files[] = {{"a*.cas", 1}, {"ab.cas", 2},     {"ac.cas", 3},
               {"dd.cas", 4}, {"sub/a?.cas", 5}, {"sub/ab.cas", 6}};
  for (const auto& file : files) {
    WriteFile(dir.path() / file.name, TapeHeader::Consistent({file.crc}).Cas());
  }
  std::filesystem::create_directory(dir.path() / "d*.cas");  // a directory is no exact match
  struct Case {
    std::vector<std::string> parameters;
    SummaryRows rows;
  };
  const Case cases[] = {
      {{"a*.cas"}, {{"a*.cas", 1}}},
      // What a shell hands over for *.cas: every image once.
      {{"a*.cas", "ab.cas", "ac.cas"}, {{"a*.cas", 1}, {"ab.cas", 2}, {"ac.cas", 3}}},
      {{"*.cas"}, {{"a*.cas", 1}, {"ab.cas", 2}, {"ac.cas", 3}, {"dd.cas", 4}}},
      // No entry of these names: patterns, and '?' matches the '*' of a*.cas.
      {{"a?.cas"}, {{"a*.cas", 1}, {"ab.cas", 2}, {"ac.cas", 3}}},
      {{"A*.CAS"}, {{"a*.cas", 1}, {"ab.cas", 2}, {"ac.cas", 3}}},
      {{"sub/a?.cas"}, {{"a?.cas", 5}}},
      {{"d*.cas"}, {{"dd.cas", 4}}},
  };
  for (const Case& c : cases) {
    std::string per_file;
    for (const auto& [name, crc] : c.rows) {
      per_file += Lines({"Valid CAS file found: " + name, "Raw CRC: " + std::to_string(crc), ""});
    }
    EXPECT_EQ(RunProgram(kSorbek, c.parameters, dir.path()).out, Report(per_file, c.rows))
        << c.parameters.front();
  }
}

// UTF-8 names, as Linux keeps Hungarian ones: fields and cuts count characters, '?' matches one,
// letters match by their Unicode upper case. A name that is not UTF-8 is taken byte by byte.
TEST(PosixTest, Utf8NamesAreMeasuredAndMatchedByCharacters) {
  const auto repeated = [](const std::string& text, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i) result += text;
    return result;
  };
  const std::string o = "\xC5\x91";  // ő
  const std::string adam =
      "\xC3\x81"
      "d\xC3\xA1m.CAS";                  // Ádám.CAS: 8 characters, 10 bytes
  const std::string osz = o + "sz.cas";  // ősz.cas: 7 characters
  const std::string eva =
      "\xC3\x89"
      "va.cas";  // Éva.cas: 7 characters
  const std::string latin1 =
      "\xC1"
      "d\xE1m.cas";  // Ádám.cas in Latin-1: 8 bytes
  // Árvíztűrő tükörfúrógép, nyári játéka.cas: 40 characters.
  const std::string words[] = {"\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91 ",
                               "t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p, ", "ny\xC3\xA1ri ",
                               "j\xC3\xA1t\xC3\xA9ka.cas"};
  const std::string forty = words[0] + words[1] + words[2] + words[3];
  const std::string forty_cut = words[0] + words[1] + words[2] + "j\xC3\xA1";  // 32 characters
  const std::string long_name = repeated(o, 120) + ".cas";                     // 244 bytes
  ScopedTempDir dir;
  const std::pair<std::string, std::uint8_t> images[] = {
      {adam, 1}, {osz, 2}, {forty, 3}, {long_name, 4}, {latin1, 5}};
  for (const auto& [name, crc] : images) {
    WriteFile(dir.path() / name, TapeHeader::Consistent({crc}).Cas());
  }
  TapeHeader rejected = TapeHeader::Consistent({6});
  rejected.mark = 0;
  WriteFile(dir.path() / eva, rejected.Cas());

  struct Case {
    const char* what;
    std::string parameter;
    std::string per_file;
    std::string row_lines;
  };
  const auto found = [](const std::string& name, int crc) {
    return Lines({"Valid CAS file found: " + name, "Raw CRC: " + std::to_string(crc), ""});
  };
  const Case cases[] = {
      {"ád* finds Ádám.CAS",
       "\xC3\xA1"
       "d*",
       found(adam, 1), Lines({"File:     " + adam + " Raw CRC:        1"})},
      {"?sz.cas finds ősz.cas", "?sz.cas", found(osz, 2),
       Lines({"File:      " + osz + " Raw CRC:        2"})},
      {"*ŐSZ* finds ősz.cas and nothing else", "*\xC5\x90SZ*", found(osz, 2),
       Lines({"File:      " + osz + " Raw CRC:        2"})},
      {"forty characters: whole in its line, 32 in its row", forty, found(forty, 3),
       Lines({"File: " + forty_cut + " Raw CRC:        3"})},
      {"120 characters: 100 in its line, 32 in its row", long_name, found(repeated(o, 100), 4),
       Lines({"File: " + repeated(o, 32) + " Raw CRC:        4"})},
      {"a name that is not UTF-8 counts bytes", latin1, found(latin1, 5),
       Lines({"File:     " + latin1 + " Raw CRC:        5"})},
      {"the rejected line counts characters", eva,
       Lines({"     " + eva + " file isn't a valid CAS file. Skipped..."}), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunProgram(kSorbek, {c.parameter}, dir.path()).out,
              "\r\n" + c.per_file + SummaryAndFooter(c.row_lines))
        << c.what;
  }
}

// The order of a folder that mixes ASCII, accented and invalid UTF-8 names: the upper-case forms
// in code-point order, ties by the plain bytes; a name that is not UTF-8 by its own bytes.
TEST(PosixTest, MixedNamesComeInOneOrder) {
  const std::vector<std::string> in_order = {
      "Zebra.cas",
      "zebra.cas",
      "\xC3\x81"
      "do.cas",
      "\xC3\x81"
      "d\xC3\xA1m.cas",
      "\xC3\xA1"
      "d\xC3\xA1m.cas",
      "\xC3\x81\xFF.cas",
      "\xC3\xA1\xFF.cas",
      "\xC5\x90SZ.cas",
      "\xC5\x91sz.cas",
      "\xD6T.cas"};  // not UTF-8: its byte D6 (Latin-1 Ö) comes after C5
  ScopedTempDir dir;
  for (auto name = in_order.rbegin(); name != in_order.rend(); ++name) {
    WriteFile(dir.path() / *name, TapeHeader::Consistent({1}).Cas());
  }
  std::string per_file;
  for (const std::string& name : in_order) per_file += Lines({"Valid CAS file found: " + name});
  std::string report = RunProgram(kSorbek, {"*"}, dir.path()).out;
  // Only the lines that name the images, in the order checked.
  std::istringstream lines(report);
  std::string found;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Valid", 0) == 0) found += line + "\n";
  }
  EXPECT_EQ(found, per_file);
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

// Starts a search while the process may open no further descriptor.
std::unique_ptr<FileSearch> StartSearchWithoutDescriptors(Platform& platform,
                                                          const std::string& pattern) {
  const int lowest_free = ::dup(STDIN_FILENO);
  if (lowest_free < 0) return nullptr;
  ::close(lowest_free);
  rlimit saved;
  if (::getrlimit(RLIMIT_NOFILE, &saved) != 0) return nullptr;
  const rlimit none_left = {static_cast<rlim_t>(lowest_free), saved.rlim_max};
  if (::setrlimit(RLIMIT_NOFILE, &none_left) != 0) return nullptr;
  std::unique_ptr<FileSearch> search = platform.StartSearch(pattern);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  return search;
}

// With no descriptor left, a directory cannot be listed: the search says so instead of finding
// nothing.
TEST(PosixTest, SearchWithoutDescriptorsFails) {
#if TVC_SANITIZED
  GTEST_SKIP() << "a sanitizer's runtime opens descriptors of its own, which the limit refuses";
#endif
  ScopedTempDir dir;
  WriteFile(dir.path() / "GAME.CAS", {1});
  const std::unique_ptr<Platform> platform = Platform::Create(0, nullptr);
  const std::unique_ptr<FileSearch> search =
      StartSearchWithoutDescriptors(*platform, dir.path().string() + "/*.CAS");
  ASSERT_TRUE(search);
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
