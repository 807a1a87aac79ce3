#include "platform/command_line.h"

#include <cstddef>

namespace tvc {

namespace {

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Reads one parameter that starts at line[*at] and leaves *at on the separator or end after it.
std::string ReadParameter(std::string_view line, std::size_t* at) {
  std::string parameter;
  char open_quote = 0;
  std::size_t i = *at;
  while (i < line.size() && (open_quote != 0 || !IsSeparator(line[i]))) {
    const char c = line[i];
    if (IsQuote(c) && (open_quote == 0 || open_quote == c)) {
      if (i + 1 < line.size() && line[i + 1] == c) {
        i += 2;  // a doubled quote vanishes and leaves the quoting as it was
        continue;
      }
      open_quote = open_quote == 0 ? c : 0;
    } else {
      parameter.push_back(c);
    }
    ++i;
  }
  *at = i;
  return parameter;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> parameters;
  std::size_t at = 0;
  for (;;) {
    while (at < command_line.size() && IsSeparator(command_line[at])) ++at;
    if (at == command_line.size()) break;
    parameters.push_back(ReadParameter(command_line, &at));
  }
  if (!parameters.empty()) parameters.erase(parameters.begin());
  return parameters;
}

}  // namespace tvc
