// Fuzzes the wildcard matcher against a plain dynamic-programming matcher, and the name order
// (NameLess and its quick sort key) against a definition by folded copies of the names.
//
// Input: a pattern and a name separated by the first zero byte; without one, the input is split
// in the middle.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wildcard.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// matched[i][j]: the first i pattern characters match the first j name characters.
bool ReferenceMatch(std::string_view pattern, std::string_view name) {
  std::vector<std::vector<bool>> matched(pattern.size() + 1,
                                         std::vector<bool>(name.size() + 1, false));
  matched[0][0] = true;
  for (std::size_t i = 1; i <= pattern.size(); ++i) {
    const char p = pattern[i - 1];
    matched[i][0] = matched[i - 1][0] && p == '*';
    for (std::size_t j = 1; j <= name.size(); ++j) {
      if (p == '*') {
        matched[i][j] = matched[i - 1][j] || matched[i][j - 1];
      } else {
        matched[i][j] = matched[i - 1][j - 1] && (p == '?' || Fold(p) == Fold(name[j - 1]));
      }
    }
  }
  return matched[pattern.size()][name.size()];
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
  return folded;
}

// Folded copies first, ties by the plain bytes; both compared as unsigned bytes.
bool ReferenceLess(std::string_view a, std::string_view b) {
  const int folded = Folded(a).compare(Folded(b));
  return folded != 0 ? folded < 0 : a.compare(b) < 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t zero = input.find('\0');
  const std::size_t split = zero != std::string_view::npos ? zero : size / 2;
  const std::string_view pattern = input.substr(0, split);
  const std::string_view name = input.substr(std::min(size, split + (zero == split ? 1 : 0)));

  Require(tvc::WildcardMatch(pattern, name) == ReferenceMatch(pattern, name));

  Require(tvc::NameLess(pattern, name) == ReferenceLess(pattern, name));
  Require(tvc::NameLess(name, pattern) == ReferenceLess(name, pattern));
  // The key is made for names, which hold no zero byte: the pattern part never holds one, the
  // name part may.
  if (name.find('\0') == std::string_view::npos) {
    const std::uint64_t key_a = tvc::NameSortKey(pattern);
    const std::uint64_t key_b = tvc::NameSortKey(name);
    if (key_a != key_b) Require((key_a < key_b) == tvc::NameLess(pattern, name));
  }
  return 0;
}
