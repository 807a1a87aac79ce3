// Writes parameters into one command line that SplitCommandLine reads back unchanged, for
// starting a tool where the system hands over a single command line (Windows).
#ifndef TVC_TESTS_SUPPORT_COMMAND_LINE_QUOTE_H_
#define TVC_TESTS_SUPPORT_COMMAND_LINE_QUOTE_H_

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tvc::testing {

// Quotes one parameter. The text is cut into runs without double quotes, written between double
// quotes, and runs without apostrophes, written between apostrophes, taking turns. Neighbouring
// groups use different quote characters, so a closing quote is never followed by its own
// character, which would make the two a pair that the splitter drops.
inline std::string QuoteParameter(std::string_view parameter) {
  std::string quoted;
  char quote = '"';
  bool first = true;
  while (first || !parameter.empty()) {
    const std::size_t run = std::min(parameter.find(quote), parameter.size());
    // Only the very first run can be empty: every later run begins with the character that ended
    // the run before it. An empty parameter is a lone pair of double quotes.
    if (run > 0 || parameter.empty()) {
      quoted += quote;
      quoted += parameter.substr(0, run);
      quoted += quote;
    }
    parameter.remove_prefix(run);
    quote = quote == '"' ? '\'' : '"';
    first = false;
  }
  return quoted;
}

// The whole command line: the program, then the parameters, each quoted and set apart by a space.
inline std::string QuoteCommandLine(const std::string& program,
                                    const std::vector<std::string>& parameters) {
  std::string line = QuoteParameter(program);
  for (const std::string& parameter : parameters) line += ' ' + QuoteParameter(parameter);
  return line;
}

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_COMMAND_LINE_QUOTE_H_
