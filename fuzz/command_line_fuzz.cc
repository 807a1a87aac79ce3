// Fuzzes the command-line splitter. Whatever the line, the parameters must survive a round trip:
// quoted back into a command line by the rules of the splitter, they split into themselves. A
// line without quotes splits at its separators and nowhere else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

// A parameter in double quotes, where every character but the double quote stands for itself; a
// double quote leaves the quotes, stands in single quotes, and enters them again.
std::string Quote(std::string_view parameter) {
  std::string quoted = "\"";
  for (const char c : parameter) {
    if (c == '"') {
      quoted += "\"'\"'\"";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::vector<std::string> SplitAtSeparators(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : line) {
    if (!IsSeparator(c)) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> parameters = tvc::SplitCommandLine(line);

  std::size_t characters = 0;
  for (const std::string& parameter : parameters) characters += parameter.size();
  Require(characters <= line.size());

  std::string rebuilt = "program";
  for (const std::string& parameter : parameters) rebuilt += " " + Quote(parameter);
  Require(tvc::SplitCommandLine(rebuilt) == parameters);

  if (line.find_first_of("\"'") == std::string_view::npos) {
    Require(parameters == SplitAtSeparators(line));
  }
  return 0;
}
