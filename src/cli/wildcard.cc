#include "cli/wildcard.h"

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
  const auto folded_less = [](char x, char y) { return FoldCase(x) < FoldCase(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
    return false;
  }
  const auto byte_less = [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byte_less);
}

}  // namespace tvc
