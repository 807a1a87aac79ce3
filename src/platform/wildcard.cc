#include "platform/wildcard.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstddef>

#include "text/utf8.h"

namespace tvc {

namespace {

char32_t AsciiUpperCase(char32_t character) {
  return character >= 'a' && character <= 'z' ? character - 'a' + 'A' : character;
}

// Unicode's simple upper-case mapping: one character for one, so that a name's length in
// characters stays.
char32_t UpperCase(char32_t character) {
  if (character < 0x80) return AsciiUpperCase(character);
  return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(character)));
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether texts are read as UTF-8: when they all are. ASCII alone reads the same either way, and
// byte by byte is quicker.
bool ReadAsUtf8(std::string_view a, std::string_view b = {}) {
  return !(IsAscii(a) && IsAscii(b)) && IsValidUtf8(a) && IsValidUtf8(b);
}

// A name or a pattern, read one character at a time.
class Characters {
 public:
  Characters(std::string_view text, bool utf8) : text_(text), utf8_(utf8) {}

  std::size_t size() const { return text_.size(); }
  char byte(std::size_t at) const { return text_[at]; }

  // The character at text[*at], mapped to upper case; moves *at past it.
  char32_t UpperAt(std::size_t* at) const {
    if (utf8_) return UpperCase(DecodeUtf8(text_, at));
    return AsciiUpperCase(static_cast<unsigned char>(text_[(*at)++]));
  }

  // The offset of the character after the one at `at`.
  std::size_t After(std::size_t at) const {
    if (utf8_)
      DecodeUtf8(text_, &at);
    else
      ++at;
    return at;
  }

 private:
  std::string_view text_;
  bool utf8_;
};

// The folded form of a name (see NameLess), one byte at a time.
class FoldedBytes {
 public:
  explicit FoldedBytes(std::string_view name) : utf8_(ReadAsUtf8(name)), name_(name, utf8_) {}

  // The next byte as an unsigned value, or -1 after the last.
  int Next() {
    if (pending_at_ < pending_length_) return static_cast<unsigned char>(pending_[pending_at_++]);
    if (at_ == name_.size()) return -1;
    const char32_t upper = name_.UpperAt(&at_);
    if (!utf8_) return static_cast<int>(upper);  // a byte, folded as ASCII
    pending_length_ = EncodeUtf8(upper, pending_);
    pending_at_ = 1;
    return static_cast<unsigned char>(pending_[0]);
  }

 private:
  bool utf8_;
  Characters name_;
  std::size_t at_ = 0;
  char pending_[4];  // the rest of the current character's folded bytes
  std::size_t pending_at_ = 0;
  std::size_t pending_length_ = 0;
};

}  // namespace

bool HasWildcards(std::string_view text) { return text.find_first_of("*?") != text.npos; }

bool WildcardMatch(std::string_view pattern_text, std::string_view name_text) {
  const bool utf8 = ReadAsUtf8(pattern_text, name_text);
  const Characters pattern(pattern_text, utf8);
  const Characters name(name_text, utf8);
  // Greedy matching with one backtrack point: the last '*' seen. Linear in practice and never
  // exponential, whatever the pattern. '*' and '?' are ASCII, so in UTF-8 they are never part of
  // another character.
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern.byte(p) == '*') {
      star = p++;
      star_name = n;
      continue;
    }
    if (p < pattern.size()) {
      if (pattern.byte(p) == '?') {
        ++p;
        n = name.After(n);
        continue;
      }
      std::size_t next_p = p, next_n = n;
      if (pattern.UpperAt(&next_p) == name.UpperAt(&next_n)) {
        p = next_p;
        n = next_n;
        continue;
      }
    }
    if (star == std::string_view::npos) return false;
    p = star + 1;
    n = star_name = name.After(star_name);
  }
  while (p < pattern.size() && pattern.byte(p) == '*') ++p;
  return p == pattern.size();
}

bool NameLess(std::string_view a, std::string_view b) {
  // One pass: the first folded difference decides, then the shorter folded form, then the plain
  // bytes (compare() orders bytes as unsigned values).
  FoldedBytes folded_a(a), folded_b(b);
  for (;;) {
    const int x = folded_a.Next();
    const int y = folded_b.Next();
    if (x != y) return x < y;
    if (x < 0) break;
  }
  return a.compare(b) < 0;
}

std::uint64_t NameSortKey(std::string_view name) {
  FoldedBytes folded(name);
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const int byte = folded.Next();  // stays -1 after the end
    key = key << 8 | (byte < 0 ? 0u : static_cast<unsigned>(byte));
  }
  return key;
}

}  // namespace tvc
