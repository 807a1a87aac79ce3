// Wildcard patterns as collectors type them, '*' for any run of characters and '?' for one, and
// the order in which a listing shows names. The POSIX search uses both; Windows's own search
// follows rules of its own.
//
// A name is read one character at a time: a code point where it is valid UTF-8, a byte where it
// is not. Letters match and sort regardless of case: code points by their Unicode simple
// upper-case mapping, bytes of a name that is not UTF-8 by ASCII's.
#ifndef TVC_PLATFORM_WILDCARD_H_
#define TVC_PLATFORM_WILDCARD_H_

#include <cstdint>
#include <string_view>

namespace tvc {

// True when `text` holds '*' or '?'.
bool HasWildcards(std::string_view text);

// Matches a whole name against a pattern: '*' matches any run of characters (also none), '?'
// exactly one, letters match regardless of case, and every other character matches itself
// ('[' and '\' included). Characters are code points when both the pattern and the name are
// valid UTF-8, bytes otherwise.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Orders names by their folded form, ties by the plain bytes, so that a listing comes out the same
// on every machine. The folded form of a valid UTF-8 name is the UTF-8 of its characters mapped
// to upper case, which orders by code point; that of any other name has its ASCII letters in
// upper case. Bytes compare as unsigned values, and a folded form that is a prefix of another
// comes first.
bool NameLess(std::string_view a, std::string_view b);

// A quick key for sorting by NameLess: the first eight bytes of the folded form, packed most
// significant first and padded with zeros. When the keys of two names differ, they order the
// names as NameLess does (no name holds a zero byte); equal keys leave the decision to NameLess.
std::uint64_t NameSortKey(std::string_view name);

}  // namespace tvc

#endif  // TVC_PLATFORM_WILDCARD_H_
