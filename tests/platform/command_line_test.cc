#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/command_line_quote.h"

namespace tvc {
namespace {

TEST(SplitCommandLineTest, Cases) {
  using Parameters = std::vector<std::string>;
  struct Case {
    std::string line;
    Parameters expected;
  };
  const Case cases[] = {
      {R"(sorbek a.cas "my file.cas")", {"a.cas", "my file.cas"}},
      {"sorbek it's a.cas", {"its a.cas"}},
      {R"(sorbek a""b)", {"ab"}},
      {R"(sorbek "say ""hi""")", {"say hi"}},
      {R"(sorbek '"q"')", {R"("q")"}},
      {R"(sorbek "")", {""}},
      {"sorbek", {}},
      {"", {}},
      {"   ", {}},
      // Tabs and every other control character separate; runs of them count once.
      {"sorbek\t-l \x01\x1F a.cas\r\n", {"-l", "a.cas"}},
      // Bytes above 127 are ordinary characters.
      {"sorbek caf\xE9.cas", {"caf\xE9.cas"}},
      // The program's name follows the same rules and is dropped.
      {R"("C:\Program Files\sorbek.exe" *.cas)", {"*.cas"}},
      // A quote left open runs to the end of the line.
      {R"(sorbek "a b   )", {"a b   "}},
      // Quotes inside a parameter join its pieces.
      {R"(sorbek dir\"my games"\*.cas x)", {R"(dir\my games\*.cas)", "x"}},
      // Never cut at 255 characters.
      {"sorbek " + std::string(300, 'x'), {std::string(300, 'x')}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

// The test runner on Windows hands the tools their parameters through one command line; every
// parameter must come back as it was, whatever quotes and separators it holds.
TEST(SplitCommandLineTest, ReadsBackQuotedParameters) {
  const std::vector<std::string> parameters = {
      "",          "\"",          "'",
      "a.cas",     "my file.cas", "it's",
      R"("q")",    R"("")",       "''",
      R"("'"')",   R"(a""b)",     "'a'' b'",
      "tab\there", "\x01\x1F",    R"(dir\*.cas)",
      "-l",        "caf\xE9",     std::string(300, 'x'),
  };
  for (const std::string& parameter : parameters) {
    EXPECT_EQ(SplitCommandLine(testing::QuoteCommandLine("sorbek", {parameter})),
              std::vector<std::string>{parameter})
        << parameter;
  }
  EXPECT_EQ(SplitCommandLine(testing::QuoteCommandLine(R"(C:\my tools\sorbek.exe)", parameters)),
            parameters);
}

}  // namespace
}  // namespace tvc
