// Hostile situations for the built tools: a report that cannot be written, matches that are not
// regular files, a huge sparse image, images cut at every offset, odd names, long patterns and
// very many matches. Every case states the whole expected report and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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

// What sets the two tools apart in a report.
struct Tool {
  std::string name;
  std::string path;
  std::string extension;
  bool ttp;

  std::vector<std::uint8_t> Image(const TapeHeader& header) const {
    return ttp ? header.Ttp() : header.Cas();
  }
  // A clean image: for TTP the stored size counts the signature, as a complete TTP image has it.
  std::vector<std::uint8_t> CleanImage(std::vector<std::uint8_t> data) const {
    TapeHeader header = TapeHeader::Consistent(std::move(data));
    if (ttp) header.stored_size = static_cast<std::uint16_t>(header.stored_size + 4);
    return Image(header);
  }
  // The lines that open the report of a valid image.
  std::string Found(const std::string& file) const {
    const std::string found = Lines({"Valid CAS file found: " + file});
    return ttp ? Lines({"TTP0", "Valid TTP file found: " + file}) + found : found;
  }
  std::string DiagnosticPrefix() const { return name + ": cannot write the report: "; }
};

const Tool kSorbek = {"sorbek", SORBEK_PATH, ".CAS", false};
const Tool kRavnik = {"ravnik", RAVNIK_PATH, ".TTP", true};
const Tool* const kTools[] = {&kSorbek, &kRavnik};

// Runs a tool as a user's shell does after `limit`, a ulimit command; without one, directly.
ProcessResult RunUnderLimit(const std::string& limit, const Tool& tool,
                            const std::vector<std::string>& arguments, const fs::path& directory,
                            const RunOptions& options) {
  if (limit.empty()) return RunProgram(tool.path, arguments, directory, options);
  std::vector<std::string> shell_arguments = {"-c", limit + " && exec \"$0\" \"$@\"", tool.path};
  shell_arguments.insert(shell_arguments.end(), arguments.begin(), arguments.end());
  return RunProgram("/bin/sh", shell_arguments, directory, options);
}

std::string Rejected(const std::string& file) {
  return Lines({Padded(file, 12) + " file isn't a valid CAS file. Skipped..."});
}

std::string OpenError(const std::string& file) {
  return Lines({"Input file (" + file + ") open error. Skipped..."});
}

std::string SearchError(const std::string& parameter, const std::string& reason) {
  return Lines(
      {"Input file (" + parameter.substr(0, 100) + ") search error: " + reason + ". Skipped..."});
}

// Compares long reports without printing megabytes: on a difference, the offset and the text
// around it.
::testing::AssertionResult SameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const std::size_t from = at < 80 ? 0 : at - 80;
  return ::testing::AssertionFailure()
         << "reports differ at byte " << at << " (lengths " << actual.size() << " and "
         << expected.size() << ")\n  actual:   ..."
         << ::testing::PrintToString(actual.substr(from, 160)) << "\n  expected: ..."
         << ::testing::PrintToString(expected.substr(from, 160));
}

// The header lines of long mode for an image's block and stored-size fields.
struct LongLine {
  std::size_t needs;  // the file length from which the line is written
  std::string text;
};

std::string Hex4(unsigned value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", value);
  return digits;
}

std::string Value16(const std::string& label, unsigned value) {
  return label + Hex4(value) + " (" + std::to_string(value) + ")";
}

// A program file that starts by itself, as TapeHeader makes it. Each line comes once its last
// byte is in the file: counted from the CAS mark, the copy protection is at 1, the block fields
// end at 3 and 5 (2 and 4 in a TTP header, which has no copy-protection byte), the file type is
// at 129, the stored size ends at 131 and the autorun byte is at 132.
std::vector<LongLine> LongLines(const Tool& tool, unsigned full_blocks, unsigned last_block,
                                unsigned stored_size) {
  const std::size_t mark = tool.ttp ? 4 : 0;
  const std::size_t fields = tool.ttp ? mark : mark + 1;
  std::vector<LongLine> lines;
  if (!tool.ttp) lines.push_back({2, "- Copy protection: $00 ($00=not protected)"});
  const unsigned block_size = (full_blocks * 128 + last_block) & 0xFFFF;
  lines.push_back({fields + 3, Value16("- Full ($80) blocks in the file:   $", full_blocks)});
  lines.push_back({fields + 5, Value16("- Last block size in the file:     $", last_block)});
  lines.push_back({fields + 5, Value16("- Size of the blocks (calculated): $", block_size)});
  lines.push_back({mark + 130, "- File type: Program file."});
  lines.push_back({mark + 132, Value16("- Size of the file: $", stored_size)});
  lines.push_back({mark + 133, "- Autostarted file."});
  return lines;
}

std::string LinesUpTo(const std::vector<LongLine>& lines, std::size_t length) {
  std::string text;
  for (const LongLine& line : lines) {
    if (line.needs <= length) text += line.text + "\r\n";
  }
  return text;
}

class FaultTest : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteFile(dir_.path() / name, bytes);
  }
  fs::path Path(const std::string& name) const { return dir_.path() / name; }

  ScopedTempDir dir_;
};

// ---------------------------------------------------------------------------------------------
// Standard outputs that refuse the report, or take it slowly.

TEST_F(FaultTest, HostileStandardOutputs) {
  // Enough images for a report of about 90 KB, more than the 64 KiB that are gathered before the
  // first write, so that most failures strike in the middle of the run.
  constexpr int kImages = 2000;
  for (const Tool* tool : kTools) {
    for (int i = 0; i < kImages; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "G%04d%s", i, tool->extension.c_str());
      Put(name, tool->CleanImage({1, 2, 3}));
    }
  }
  const auto to_file = [](const std::string& path) {
    RunOptions options;
    options.stdout_path = path;
    return options;
  };
  const auto with_output = [](StandardOutput kind) {
    RunOptions options;
    options.stdout_kind = kind;
    return options;
  };

  struct Case {
    const char* what;
    bool with_images;
    RunOptions options;
    std::string limit;  // a shell's ulimit command to run the tool under; empty: none
    int exit_status;
    std::string reason;  // after "<tool>: cannot write the report: "; empty: no diagnostic
  };
  const Case cases[] = {
      {"usage text to /dev/full", false, to_file("/dev/full"), "", 101, "No space left on device"},
      {"report to /dev/full", true, to_file("/dev/full"), "", 101, "No space left on device"},
      {"standard output closed", true, with_output(StandardOutput::kClosed), "", 101,
       "Bad file descriptor"},
      {"usage text, standard output closed", false, with_output(StandardOutput::kClosed), "", 101,
       "Bad file descriptor"},
      // A closed pipe ends the tool quietly, as it ends cat.
      {"pipe without a reader", true, with_output(StandardOutput::kPipeWithoutReader), "",
       128 + SIGPIPE, ""},
      // The first 64 KiB reach the file, the next write fails part of the way: 137 blocks of 512
      // bytes are 70,144 bytes.
      {"file size limit reached", true, to_file((dir_.path() / "report.txt").string()),
       "ulimit -f 137", 101, "File too large"},
      // A pipe that its reader set non-blocking and drains slowly: the tool waits, and the whole
      // report arrives.
      {"non-blocking pipe, slow reader", true, with_output(StandardOutput::kNonBlockingSlowReader),
       "", 0, ""},
  };
  for (const Tool* tool : kTools) {
    const std::vector<std::string> arguments = {"*" + tool->extension};
    const std::string whole_report = RunProgram(tool->path, arguments, dir_.path()).out;
    for (const Case& c : cases) {
      SCOPED_TRACE(tool->name + ", " + c.what);
      const ProcessResult result =
          RunUnderLimit(c.limit, *tool, c.with_images ? arguments : std::vector<std::string>{},
                        dir_.path(), c.options);
      EXPECT_EQ(result.exit_status, c.exit_status);
      EXPECT_EQ(result.err, c.reason.empty() ? "" : tool->DiagnosticPrefix() + c.reason + "\n");
      EXPECT_TRUE(SameText(result.out, c.exit_status == 0 ? whole_report : ""));
    }
    // What reached the file is the report's beginning, and no summary claims a finished run.
    const std::string partial = ReadWhole(dir_.path() / "report.txt");
    EXPECT_GE(partial.size(), 65536u);
    EXPECT_LT(partial.size(), whole_report.size());
    EXPECT_EQ(partial, whole_report.substr(0, partial.size()));
    EXPECT_EQ(partial.find("Summary:"), std::string::npos);
  }
}

// The system refuses memory: one line on standard error and status 102, never an abort. The
// names of 40,000 matches need some 10 MB while they are gathered and sorted; the tool itself
// starts in less than 6 MB of address space.
TEST_F(FaultTest, OutOfMemoryEndsWithStatus102) {
#if TVC_SANITIZED
  GTEST_SKIP() << "a sanitizer's runtime needs more address space than any limit leaves";
#endif
  for (int i = 0; i < 40000; ++i) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%05d.CAS", i);
    const int fd = ::open(Path(std::string(240, 'n') + suffix).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  for (const Tool* tool : kTools) {
    SCOPED_TRACE(tool->name);
    const ProcessResult result =
        RunUnderLimit("ulimit -v 16384", *tool, {"-l", "*.CAS"}, dir_.path(), {});
    EXPECT_EQ(result.exit_status, 102);
    EXPECT_EQ(result.err, tool->name + ": out of memory\n");
  }
}

// ---------------------------------------------------------------------------------------------
// Matches that are not regular files: never read, never waited for.

TEST_F(FaultTest, MatchesThatAreNotRegularFiles) {
  // The line a match gets: none, the open error, or a search error with the system's reason.
  struct Line {
    enum { kNone, kOpenError, kSearchError } kind;
    std::string reason;
  };
  const Line none = {Line::kNone, ""};
  const Line open_error = {Line::kOpenError, ""};
  struct Case {
    const char* stem;
    std::function<void(const fs::path&)> make;
    Line when_searched;  // listed by a wildcard, then opened
    Line when_named;     // named exactly on the command line
  };
  const auto link_to = [](fs::path target) {
    return [target](const fs::path& path) { fs::create_symlink(target, path); };
  };
  const Case cases[] = {
      {"A_FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, open_error,
       open_error},
      {"B_DIRECTORY", [](const fs::path& p) { fs::create_directory(p); }, none, none},
      {"C_LINK_TO_DIRECTORY", link_to("subdir"), none, none},
      // A dangling link is listed by name, but the exact name finds nothing behind it.
      {"D_DANGLING_LINK", link_to("nowhere"), open_error, none},
      {"E_LINK_TO_FIFO", link_to("fifo"), open_error, open_error},
      {"F_SOCKET",
       [](const fs::path& p) {
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address = {};
         address.sun_family = AF_UNIX;
         ASSERT_LT(p.string().size(), sizeof address.sun_path);
         std::strcpy(address.sun_path, p.c_str());
         ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         ::close(fd);
       },
       open_error, open_error},
      {"G_LINK_TO_DEVICE", link_to("/dev/zero"), open_error, open_error},
      {"H_LINK_LOOP",
       [](const fs::path& p) { fs::create_symlink(p.filename(), p); },
       open_error,
       {Line::kSearchError, "Too many levels of symbolic links"}},
  };
  const auto expected_line = [](const Line& line, const std::string& name) {
    switch (line.kind) {
      case Line::kOpenError:
        return OpenError(name);
      case Line::kSearchError:
        return SearchError(name, line.reason);
      case Line::kNone:
        break;
    }
    return std::string();
  };
  for (const Tool* tool : kTools) {
    SCOPED_TRACE(tool->name);
    const ScopedTempDir dir;
    fs::create_directory(dir.path() / "subdir");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0644), 0);
    std::vector<std::string> names;
    std::string searched, named;
    for (const Case& c : cases) {
      const std::string name = c.stem + tool->extension;
      c.make(dir.path() / name);
      names.push_back(name);
      searched += expected_line(c.when_searched, name);
      named += expected_line(c.when_named, name);
    }
    // A good image after all of them: the run goes on.
    const std::string good = "Z_GOOD" + tool->extension;
    WriteFile(dir.path() / good, tool->CleanImage({7}));
    names.push_back(good);
    const std::string good_report = tool->Found(good) + Lines({"Raw CRC: 7", ""});

    const ProcessResult by_search = RunProgram(tool->path, {"*" + tool->extension}, dir.path());
    EXPECT_EQ(by_search.exit_status, 0);
    EXPECT_EQ(by_search.err, "");
    EXPECT_EQ(by_search.out, Report(searched + good_report, {{good, 7}}));

    const ProcessResult by_name = RunProgram(tool->path, names, dir.path());
    EXPECT_EQ(by_name.exit_status, 0);
    EXPECT_EQ(by_name.out, Report(named + good_report, {{good, 7}}));
  }
}

// ---------------------------------------------------------------------------------------------
// A search that the system refuses is no empty search: one line says why, and the run goes on.

TEST_F(FaultTest, SearchFailuresAreReported) {
  Put("GAME.CAS", kSorbek.CleanImage({5}));
  fs::create_symlink("loop", Path("loop"));
  fs::create_symlink("LOOP.CAS", Path("LOOP.CAS"));
  Put("locked/INSIDE.CAS", kSorbek.CleanImage({6}));
  fs::permissions(Path("locked"), fs::perms::none);
  struct Case {
    const char* what;
    std::string pattern;
    std::string reason;
    bool unprivileged;  // root reads any directory: the case runs as an ordinary user
  };
  const Case cases[] = {
      {"a loop of symbolic links as the directory part", "loop/*.CAS",
       "Too many levels of symbolic links", false},
      {"a loop of symbolic links as the name", "LOOP.CAS", "Too many levels of symbolic links",
       false},
      {"a name of 256 bytes", std::string(252, 'n') + ".CAS", "File name too long", false},
      {"an unreadable directory", "locked/*.CAS", "Permission denied", true},
      {"a name in a directory that cannot be searched", "locked/INSIDE.CAS", "Permission denied",
       true},
  };
  // The ordinary user may not reach the build tree (a clone in a private directory): a copy of
  // the tool beside the images serves.
  const fs::path copy = Path("bin/sorbek");
  fs::create_directory(Path("bin"));
  fs::copy_file(kSorbek.path, copy);
  bool could_not_drop_privileges = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunOptions options;
    options.unprivileged = c.unprivileged;
    const ProcessResult result = RunProgram(c.unprivileged ? copy.string() : kSorbek.path,
                                            {c.pattern, "GAME.CAS"}, dir_.path(), options);
    if (c.unprivileged && result.exit_status == kCouldNotStart) {
      could_not_drop_privileges = true;
      continue;
    }
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, Report(SearchError(c.pattern, c.reason) + kSorbek.Found("GAME.CAS") +
                                     Lines({"Raw CRC: 5", ""}),
                                 {{"GAME.CAS", 5}}));
  }
  fs::permissions(Path("locked"), fs::perms::owner_all);  // for the clean-up
  if (could_not_drop_privileges) GTEST_SKIP() << "cannot run as an unprivileged user here";
}

// ---------------------------------------------------------------------------------------------
// Files that are not in the system's memory are read ahead by worker threads; the report is the
// same to the byte as when every file is in memory.

// Asks the system to drop the file's pages from its memory; false when they stay (a file system
// that lives in memory, such as tmpfs).
bool DropFromMemory(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  bool dropped = true;
  if (void* map = ::mmap(nullptr, 1, PROT_READ, MAP_SHARED, fd, 0); map != MAP_FAILED) {
    unsigned char resident = 0;
    dropped = ::mincore(map, 1, &resident) == 0 && (resident & 1) == 0;
    ::munmap(map, 1);
  }
  ::close(fd);
  return dropped;
}

TEST_F(FaultTest, FilesReadAheadGiveTheSameReport) {
  // Several windows of images of every kind: clean, rejected, cut in the header and in the data,
  // beside a FIFO, a file of the skipped name, a link that leads nowhere and a failed search.
  const std::vector<std::uint8_t> data = CountingBytes(3000, 1);
  std::vector<fs::path> files;
  for (int i = 0; i < 400; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "I%03d.CAS", i);
    TapeHeader header =
        TapeHeader::Consistent(std::vector<std::uint8_t>(data.begin(), data.begin() + 100 + i * 7));
    if (i % 9 == 4) header.mark = 0x12;
    std::vector<std::uint8_t> image = header.Cas();
    if (i % 13 == 6) image.resize(100);
    if (i % 17 == 8) image.resize(image.size() - 50);
    Put(name, image);
    files.push_back(Path(name));
  }
  ASSERT_EQ(::mkfifo(Path("I150.FIFO.CAS").c_str(), 0644), 0);
  Put("STDERR.TXT", kSorbek.CleanImage({1}));
  fs::create_symlink("nowhere", Path("I250.LINK.CAS"));
  fs::create_symlink("loop", Path("loop"));
  const std::vector<std::string> arguments = {"-l", "I1*.CAS", "STDERR.TXT", "loop/*.CAS",
                                              "I*.CAS"};
  const ProcessResult in_memory = RunProgram(kSorbek.path, arguments, dir_.path());
  ASSERT_EQ(in_memory.exit_status, 0);
  ASSERT_NE(in_memory.out.find("search error"), std::string::npos);

  for (const int every : {1, 2}) {
    SCOPED_TRACE(every == 1 ? "no file in memory" : "every other file in memory");
    bool dropped = true;
    for (std::size_t i = 0; i < files.size(); i += every) dropped = DropFromMemory(files[i]);
    if (!dropped) GTEST_SKIP() << "this file system keeps its files in memory";
    const ProcessResult read_ahead = RunProgram(kSorbek.path, arguments, dir_.path());
    EXPECT_EQ(read_ahead.exit_status, 0);
    EXPECT_EQ(read_ahead.err, "");
    EXPECT_TRUE(SameText(read_ahead.out, in_memory.out));
  }
}

// ---------------------------------------------------------------------------------------------
// A sparse file of 5 GiB whose header says the image is 200 bytes long: only the first block is
// read, and the true length is printed.

TEST_F(FaultTest, HugeSparseFileIsMeasuredButNotRead) {
  constexpr std::int64_t kLength = std::int64_t{5} << 30;
  for (const Tool* tool : kTools) {
    SCOPED_TRACE(tool->name);
    const std::string name = "HUGE" + tool->extension;
    TapeHeader header = TapeHeader::Consistent(CountingBytes(56, 1));  // 144 + 56 = 200
    Put(name, tool->Image(header));
    fs::resize_file(Path(name), static_cast<std::uintmax_t>(kLength));

    const ProcessResult result = RunProgram(tool->path, {name}, dir_.path());
    EXPECT_EQ(result.exit_status, 0);
    const std::string length = std::to_string(kLength);
    EXPECT_EQ(
        result.out,
        Report(tool->Found(name) +
                   Lines({"! PC file size is different than the file size calculated from "
                          "the value stored in CAS file.",
                          "! PC Filesize: " + length, "! Stored file size +144: 200",
                          "File length calculated from block size is different than the "
                          "size stored in CAS file.",
                          "! PC Filesize: " + length,
                          tool->ttp ? "! Stored block size +4: 204" : "! Stored block size: 200",
                          "Raw CRC: 1596", ""}),
               {{name, 1596}}));
    // One block of the image and the program's own start-up, nowhere near the file's length.
    if (result.bytes_read >= 0) {
      EXPECT_LT(result.bytes_read, 1 << 20);
    }
    fs::remove(Path(name));
  }
}

// ---------------------------------------------------------------------------------------------
// Images cut at every offset from 0 to 160 and in the middle of their data, each followed by a
// sound image: no crash, the rules for images that end early, and the next image still checked.

TEST_F(FaultTest, ImagesCutAtEveryOffset) {
  const std::vector<std::uint8_t> data = CountingBytes(1000, 1);
  const TapeHeader full_header = TapeHeader::Consistent(data);  // block size 1144
  for (const Tool* tool : kTools) {
    const std::size_t mark = tool->ttp ? 4 : 0;
    const std::vector<std::uint8_t> full = tool->Image(full_header);
    const std::vector<LongLine> cut_lines = LongLines(*tool, 1144 / 128, 1144 % 128, 1000);
    const std::vector<LongLine> next_lines =
        LongLines(*tool, 1, 19, tool->ttp ? 7 : 3);  // the three-byte image after each cut one

    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length <= 160; ++length) lengths.push_back(length);
    lengths.push_back(mark + 144 + 500);

    const ScopedTempDir dir;
    for (const std::size_t length : lengths) {
      char stem[16];
      std::snprintf(stem, sizeof stem, "T%03zu", length);
      WriteFile(dir.path() / (stem + tool->extension),
                std::vector<std::uint8_t>(full.begin(), full.begin() + length));
      WriteFile(dir.path() / (stem + ("_NEXT" + tool->extension)), tool->CleanImage({1, 2, 3}));
    }

    for (const bool long_mode : {false, true}) {
      SCOPED_TRACE(tool->name + (long_mode ? " -l" : ""));
      std::string expected;
      SummaryRows rows;
      for (const std::size_t length : lengths) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "T%03zu", length);
        const std::string cut = stem + tool->extension;
        const std::string next = stem + ("_NEXT" + tool->extension);
        const std::string at = std::to_string(length);

        if (tool->ttp && length >= 4) expected += Lines({"TTP0", "Valid TTP file found: " + cut});
        if (length <= mark) {
          expected += Rejected(cut);
        } else {
          expected += Lines({"Valid CAS file found: " + cut});
          if (long_mode) expected += LinesUpTo(cut_lines, length);
          if (length < mark + 144) {
            expected += Lines(
                {"! Unexpected end of file at offset " + at + ". Image left out of the summary.",
                 ""});
          } else {
            std::int32_t sum = 0;
            for (std::size_t i = 0; i < length - mark - 144; ++i) sum += data[i];
            expected += Lines({
                "! Unexpected end of file at offset " + at + ". Raw CRC of the data present.",
                "! PC file size is different than the file size calculated from the value stored "
                "in CAS file.",
                "! PC Filesize: " + at,
                "! Stored file size +144: 1144",
                "File length calculated from block size is different than the size stored in CAS "
                "file.",
                "! PC Filesize: " + at,
                tool->ttp ? "! Stored block size +4: 1148" : "! Stored block size: 1144",
                "Raw CRC: " + std::to_string(sum),
                "",
            });
            rows.push_back({cut, sum});
          }
        }
        expected += tool->Found(next);
        if (long_mode) expected += LinesUpTo(next_lines, 1000);
        expected += Lines({"Raw CRC: 6", ""});
        rows.push_back({next, 6});
      }

      std::vector<std::string> arguments = {"*" + tool->extension};
      if (long_mode) arguments.insert(arguments.begin(), "-l");
      const ProcessResult result = RunProgram(tool->path, arguments, dir.path());
      EXPECT_EQ(result.exit_status, 0);
      EXPECT_EQ(result.err, "");
      EXPECT_TRUE(SameText(result.out, Report(expected, rows)));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Names with spaces, quotes, bytes above 127 and control characters: the files are found and
// opened by their real bytes, and the report shows each control character as '?', so that no
// name can forge a line or drive a terminal.

TEST_F(FaultTest, OddNamesAreFoundAndShownSafely) {
  // In the order of the search: letters folded to upper case, then bytes.
  const std::vector<std::string> names = {
      " LEADING SPACE.CAS",
      "A NAME OF FORTY CHARACTERS, CUT IN ROWS.CAS",
      "BELL\a.CAS",
      "CARRIAGE\rRETURN.CAS",
      "DELETE\x7F.CAS",
      "ESCAPE\x1B[2J\x1B[31mRED.CAS",
      "it's \"quoted\".cas",
      "J\xC1T\xC9K.CAS",  // Latin-1: not UTF-8 at all
      "LINE\nFEED.CAS",
      "STAR*AND?QUERY.CAS",
      "TAB\tHERE.CAS",
      "X.CAS\r\nFile:     EVIL.CAS Raw CRC:  999.cas",
      "\xC3\x81RV\xC3\x8DZT\xC5\xB0R\xC5\x90.CAS",  // UTF-8
  };
  const auto shown = [](std::string name) {
    for (char& c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return name;
  };
  std::string per_file;
  SummaryRows rows;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto crc = static_cast<std::int32_t>(i + 1);
    Put(names[i], kSorbek.CleanImage({static_cast<std::uint8_t>(crc)}));
    per_file +=
        Lines({"Valid CAS file found: " + shown(names[i]), "Raw CRC: " + std::to_string(crc), ""});
    rows.push_back({shown(names[i]).substr(0, 32), crc});
  }
  const std::string expected = Report(per_file, rows);

  const ProcessResult by_search = RunProgram(kSorbek.path, {"*.cas"}, dir_.path());
  EXPECT_EQ(by_search.exit_status, 0);
  EXPECT_TRUE(SameText(by_search.out, expected));
  // Named one by one: each name, '*' and '?' included, is that one file.
  const ProcessResult by_name = RunProgram(kSorbek.path, names, dir_.path());
  EXPECT_EQ(by_name.exit_status, 0);
  EXPECT_TRUE(SameText(by_name.out, expected));
  // The lines that name a parameter or an unopened file show it safely too; a name that is not
  // there stays silent.
  fs::create_symlink("LOOP\n", Path("LOOP\n"));
  ASSERT_EQ(::mkfifo(Path("PIPE\r.CAS").c_str(), 0644), 0);
  const ProcessResult errors =
      RunProgram(kSorbek.path, {"LOOP\n", "GONE\r\n\x1B[2J.CAS", "PIPE\r.CAS"}, dir_.path());
  EXPECT_EQ(errors.out, Report(SearchError("LOOP?", "Too many levels of symbolic links") +
                                   OpenError("PIPE?.CAS"),
                               {}));
}

// ---------------------------------------------------------------------------------------------
// Patterns of 1,000 characters.

TEST_F(FaultTest, PatternsOfAThousandCharacters) {
  Put("GAME.CAS", kSorbek.CleanImage({5}));
  Put(std::string(250, 'A'), kSorbek.CleanImage({6}));
  std::string stars_then_a;
  while (stars_then_a.size() < 1000) stars_then_a += "*A";

  struct Case {
    const char* what;
    std::string pattern;
    bool finds_game;
    bool too_long;  // the system refuses the name: a search error
  };
  const Case cases[] = {
      // The exact name is too long to look up, but as a pattern it finds the image.
      {"stars, then the name", std::string(992, '*') + "GAME.CAS", true, false},
      {"a directory part of 992 characters",
       [] {
         std::string pattern;
         while (pattern.size() < 992) pattern += "./";
         return pattern + "GAME.CA?";
       }(),
       true, false},
      // More letters than any name holds; the matcher must give up without exponential search.
      {"stars and letters", stars_then_a, false, false},
      {"question marks", std::string(1000, '?'), false, false},
      // Longer than a name may be: the lookup fails and says why.
      {"a plain name", std::string(1000, 'x'), false, true},
      {"a directory of 991 characters", std::string(991, 'd') + "/GAME.CAS", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.pattern.size(), 1000u);
    const ProcessResult result = RunProgram(kSorbek.path, {c.pattern}, dir_.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    const std::string per_file = c.too_long ? SearchError(c.pattern, "File name too long")
                                 : c.finds_game
                                     ? Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 5", ""})
                                     : "";
    EXPECT_EQ(result.out,
              Report(per_file, c.finds_game ? SummaryRows{{"GAME.CAS", 5}} : SummaryRows{}));
  }
}

// ---------------------------------------------------------------------------------------------
// 100,000 matches of one pattern: every image is checked and every one has its summary row.

TEST_F(FaultTest, AHundredThousandMatches) {
  constexpr int kImages = 100000;
  const std::vector<std::uint8_t> image = kSorbek.CleanImage({1, 2, 3});
  std::string per_file;
  SummaryRows rows;
  rows.reserve(kImages);
  for (int i = 0; i < kImages; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "F%06d.CAS", i);
    const int fd = ::open(Path(name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << name;
    ASSERT_EQ(::write(fd, image.data(), image.size()), static_cast<ssize_t>(image.size()));
    ::close(fd);
    per_file += "Valid CAS file found: ";
    per_file += name;
    per_file += "\r\nRaw CRC: 6\r\n\r\n";
    rows.push_back({name, 6});
  }
  const ProcessResult result = RunProgram(kSorbek.path, {"*.CAS"}, dir_.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(SameText(result.out, Report(per_file, rows)));
}

}  // namespace
}  // namespace tvc::testing
