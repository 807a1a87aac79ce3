#include "platform/wildcard.h"

#include <algorithm>
#include <cstddef>

namespace tvc {

namespace {

unsigned char FoldCase(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

bool HasWildcards(std::string_view text) { return text.find_first_of("*?") != text.npos; }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point: the last '*' seen. Linear in practice and never
  // exponential, whatever the pattern.
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool NameLess(std::string_view a, std::string_view b) {
  // One pass: the first folded difference decides, then the shorter name, then the plain bytes
  // (compare() orders bytes as unsigned values).
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = FoldCase(a[i]);
    const unsigned char y = FoldCase(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a.compare(b) < 0;
}

std::uint64_t NameSortKey(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i) key = key << 8 | (i < name.size() ? FoldCase(name[i]) : 0u);
  return key;
}

}  // namespace tvc
