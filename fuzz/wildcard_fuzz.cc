// Fuzzes the wildcard matcher against a plain dynamic-programming matcher, and the name order
// (NameLess and its quick sort key) against a definition by folded copies of the names. The
// reference reads UTF-8 with utf8proc's own decoder, so the matcher's decoder is checked too.
//
// Input: a pattern and a name separated by the first zero byte; without one, the input is split
// in the middle.
#include <utf8proc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wildcard.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The code points of `text`, or nothing when it is not valid UTF-8.
std::optional<std::vector<char32_t>> CodePoints(std::string_view text) {
  std::vector<char32_t> code_points;
  auto at = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  auto left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t code_point;
    const utf8proc_ssize_t length = utf8proc_iterate(at, left, &code_point);
    if (length <= 0) return std::nullopt;
    code_points.push_back(static_cast<char32_t>(code_point));
    at += length;
    left -= length;
  }
  return code_points;
}

// The bytes of `text`, each a character of its own.
std::vector<char32_t> Bytes(std::string_view text) {
  std::vector<char32_t> bytes;
  for (const char c : text) bytes.push_back(static_cast<unsigned char>(c));
  return bytes;
}

char32_t FoldByte(char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

char32_t FoldCodePoint(char32_t c) {
  return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c)));
}

// matched[i][j]: the first i pattern characters match the first j name characters. Characters
// are code points when both texts are UTF-8, bytes otherwise.
bool ReferenceMatch(std::string_view pattern_text, std::string_view name_text) {
  auto pattern = CodePoints(pattern_text);
  auto name = CodePoints(name_text);
  const bool utf8 = pattern && name;
  if (!utf8) {
    pattern = Bytes(pattern_text);
    name = Bytes(name_text);
  }
  const auto fold = utf8 ? FoldCodePoint : FoldByte;
  std::vector<std::vector<bool>> matched(pattern->size() + 1,
                                         std::vector<bool>(name->size() + 1, false));
  matched[0][0] = true;
  for (std::size_t i = 1; i <= pattern->size(); ++i) {
    const char32_t p = (*pattern)[i - 1];
    matched[i][0] = matched[i - 1][0] && p == '*';
    for (std::size_t j = 1; j <= name->size(); ++j) {
      if (p == '*') {
        matched[i][j] = matched[i - 1][j] || matched[i][j - 1];
      } else {
        matched[i][j] = matched[i - 1][j - 1] && (p == '?' || fold(p) == fold((*name)[j - 1]));
      }
    }
  }
  return matched[pattern->size()][name->size()];
}

// A valid UTF-8 name with every code point in upper case; any other name with its ASCII letters
// in upper case.
std::string Folded(std::string_view text) {
  std::string folded;
  if (const auto code_points = CodePoints(text)) {
    for (const char32_t c : *code_points) {
      utf8proc_uint8_t bytes[4];
      const auto length =
          utf8proc_encode_char(static_cast<utf8proc_int32_t>(FoldCodePoint(c)), bytes);
      folded.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    }
  } else {
    for (const char c : text) folded += static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  }
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
