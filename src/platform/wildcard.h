// Wildcard patterns as collectors type them: '*' for any run of characters, '?' for one.
#ifndef TVC_PLATFORM_WILDCARD_H_
#define TVC_PLATFORM_WILDCARD_H_

#include <cstdint>
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

// A quick key for sorting by NameLess: the first eight bytes of `name` with ASCII letters folded to
// upper case, packed most significant first and padded with zeros. When the keys of two names
// differ, they order the names as NameLess does (no name holds a zero byte); equal keys leave the
// decision to NameLess.
std::uint64_t NameSortKey(std::string_view name);

}  // namespace tvc

#endif  // TVC_PLATFORM_WILDCARD_H_
