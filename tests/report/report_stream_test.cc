#include "report/report_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "support/string_sink.h"

namespace tvc {
namespace {

using testing::StringSink;

std::string Written(void (*write)(ReportStream&)) {
  StringSink sink;
  ReportStream out(sink, [](const Status&) { FAIL(); });
  write(out);
  out.Close();
  return sink.text;
}

TEST(ReportStreamTest, RightJustifiedFieldsNeverCut) {
  EXPECT_EQ(Written([](ReportStream& o) { o.Text("GAME.CAS", 12); }), "    GAME.CAS");
  EXPECT_EQ(Written([](ReportStream& o) { o.Text("LONGERNAME.CAS", 12); }), "LONGERNAME.CAS");
  EXPECT_EQ(Written([](ReportStream& o) { o.Text("ABC", 3); }), "ABC");
  EXPECT_EQ(Written([](ReportStream& o) { o.Text("", 2); }), "  ");
}

// Names come from outside: no control character reaches the report, and a field counts the
// characters of a UTF-8 name where the system spells names in UTF-8.
TEST(ReportStreamTest, NamesShowControlCharactersAsQuestionMarks) {
  struct Case {
    const char* what;
    std::string name;
    NameEncoding encoding;
    std::size_t width;
    std::string expected;
  };
  const Case cases[] = {
      {"a forged line", "X.CAS\r\nFile:     EVIL.CAS", NameEncoding::kUtf8, 0,
       "X.CAS??File:     EVIL.CAS"},
      {"tab, escape, delete and zero", std::string("\t\x1B[2J\x7F\0A", 8), NameEncoding::kUtf8, 0,
       "??[2J??A"},
      {"every control character", std::string("\x01\x1F\x20\x7E", 4), NameEncoding::kUtf8, 6,
       "  ?? ~"},
      {"UTF-8 counts characters",
       "\xC3\x81"
       "d\xC3\xA1m.cas",
       NameEncoding::kUtf8, 12,
       "    \xC3\x81"
       "d\xC3\xA1m.cas"},
      {"a code page counts bytes",
       "\xC3\x81"
       "d\xC3\xA1m.cas",
       NameEncoding::kSingleByte, 12,
       "  \xC3\x81"
       "d\xC3\xA1m.cas"},
      {"not UTF-8 counts bytes", "J\xC1T\xC9K.CAS", NameEncoding::kUtf8, 12, "   J\xC1T\xC9K.CAS"},
      {"a control character is one character", "\xC5\x91\n", NameEncoding::kUtf8, 3, " \xC5\x91?"},
  };
  for (const Case& c : cases) {
    StringSink sink;
    ReportStream out(
        sink, [](const Status&) { FAIL(); }, c.encoding);
    out.Name(c.name, c.width);
    out.Close();
    EXPECT_EQ(sink.text, c.expected) << c.what;
  }
}

TEST(ReportStreamTest, DecimalForm) {
  struct Case {
    std::int64_t value;
    std::size_t width;
    std::string expected;
  };
  const Case cases[] = {
      {0, 0, "0"},
      {123456, 8, "  123456"},
      {-5, 8, "      -5"},
      {std::numeric_limits<std::int32_t>::min(), 8, "-2147483648"},
      {5368709120, 0, "5368709120"},  // a file over 4 GiB
  };
  for (const Case& c : cases) {
    StringSink sink;
    ReportStream out(sink, [](const Status&) { FAIL(); });
    out.Number(c.value, c.width);
    out.Close();
    EXPECT_EQ(sink.text, c.expected) << c.value;
  }
}

TEST(ReportStreamTest, LinesEndWithCrLf) {
  EXPECT_EQ(Written([](ReportStream& o) {
              o.EndLine();
              o.Line("Summary:");
            }),
            "\r\nSummary:\r\n");
}

TEST(ReportStreamTest, ConsoleGetsEveryLineAtItsEndAndAFileGetsLargePieces) {
  StringSink console(/*console=*/true);
  StringSink file(/*console=*/false);
  for (StringSink* sink : {&console, &file}) {
    ReportStream out(*sink, [](const Status&) { FAIL(); });
    for (int i = 0; i < 1000; ++i) out.Line("Raw CRC: 12345");
    if (sink == &console) {
      EXPECT_EQ(sink->writes, 1000);
    }
    out.Close();
  }
  EXPECT_EQ(file.text, console.text);
  EXPECT_EQ(file.writes, 1);
}

TEST(ReportStreamTest, AFailingWriteCallsTheHandlerOnceAndDropsTheRest) {
  StringSink sink;
  sink.FailWrites();
  int failures = 0;
  std::string reason;
  ReportStream out(sink, [&](const Status& status) {
    ++failures;
    reason = status.reason();
  });
  out.Line("first");
  out.Close();
  out.Line("second");
  out.Close();
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(reason, "No space left on device");
}

}  // namespace
}  // namespace tvc
