// Splitting one command line into parameters, for platforms that hand a program its command line
// as a single text (Windows).
#ifndef TVC_PLATFORM_COMMAND_LINE_H_
#define TVC_PLATFORM_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tvc {

// Splits `command_line` into parameters and drops the first, the program's name as typed:
// - separators are the characters 1 to 32 (space, tab and every other control character);
// - double quotes and single quotes group characters, separators included; inside quotes of one
//   kind the other kind is an ordinary character;
// - a doubled quote character (outside quotes of the other kind) is dropped as a pair and
//   changes nothing else; a single one is dropped and opens or closes quotes of its kind;
// - quotes left open run to the end of the line; parameters are never cut.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace tvc

#endif  // TVC_PLATFORM_COMMAND_LINE_H_
