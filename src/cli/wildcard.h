// Wildcard patterns as collectors type them: '*' for any run of characters, '?' for one.
#ifndef TVC_CLI_WILDCARD_H_
#define TVC_CLI_WILDCARD_H_

#include <string_view>

namespace tvc {

// True when `text` holds '*' or '?'.
bool HasWildcards(std::string_view text);

// Matches a whole name against a pattern: '*' matches any run of characters (also none), '?'
// exactly one, ASCII letters match regardless of case, and every other byte matches itself
// ('[' and '\' included).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Orders names by their bytes with ASCII letters folded to upper case, ties by the plain bytes,
// so that a listing comes out the same on every machine.
bool NameLess(std::string_view a, std::string_view b);

}  // namespace tvc

#endif  // TVC_CLI_WILDCARD_H_
