// UTF-8 as names come on POSIX systems, and the measure of a name in characters.
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace tvc {
namespace {

std::string Repeated(const std::string& text, std::size_t times) {
  std::string repeated;
  for (std::size_t i = 0; i < times; ++i) repeated += text;
  return repeated;
}

TEST(Utf8Test, Validity) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"GAME.CAS", true},
      {"\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91", true},  // Árvíztűrő
      {"\xE2\x82\xAC", true},                           // the euro sign
      {"\xF0\x9F\x8E\xAE", true},                       // a four-byte character
      {"\xF4\x8F\xBF\xBF", true},                       // U+10FFFF
      {"J\xC1T\xC9K", false},                           // Latin-1
      {"\x81", false},                                  // a continuation byte alone
      {"\xC3", false},                                  // cut short
      {"\xE2\x82", false},                              // cut short
      {"\xC0\xAF", false},                              // overlong '/'
      {"\xE0\x80\xAF", false},                          // overlong '/'
      {"\xF0\x80\x80\xAF", false},                      // overlong '/'
      {"\xED\xA0\x80", false},                          // a surrogate half
      {"\xF4\x90\x80\x80", false},                      // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},                  // five bytes
      {"\xC3\x41", false},                              // a lead without its continuation
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(Utf8Test, DecodeAndEncodeAgree) {
  for (const char32_t code_point : {U'A', U'\u00C1', U'\u0151', U'\u20AC', U'\U0001F3AE',
                                    U'\U0010FFFF', U'\u007F', U'\u0080', U'\u07FF', U'\u0800'}) {
    char bytes[4];
    const std::size_t length = EncodeUtf8(code_point, bytes);
    const std::string text(bytes, length);
    EXPECT_TRUE(IsValidUtf8(text));
    std::size_t at = 0;
    EXPECT_EQ(DecodeUtf8(text, &at), code_point);
    EXPECT_EQ(at, length);
  }
}

// Widths and cuts count characters where a name is UTF-8, and never split one.
TEST(Utf8Test, CharactersCountedAndCut) {
  const std::string o = "\xC5\x91";  // ő
  const std::string hundred_and_twenty = Repeated(o, 120);
  struct Case {
    const char* what;
    std::string text;
    NameEncoding encoding;
    std::size_t count;
    std::size_t cut_at;  // the cut to this many characters
    std::string first;   // what the cut keeps
  };
  const Case cases[] = {
      {"ASCII", "GAME.CAS", NameEncoding::kUtf8, 8, 4, "GAME"},
      {"120 two-byte letters", hundred_and_twenty, NameEncoding::kUtf8, 120, 100, Repeated(o, 100)},
      {"fewer characters than the cut, more bytes", Repeated(o, 60), NameEncoding::kUtf8, 60, 100,
       Repeated(o, 60)},
      {"mixed widths",
       "a\xC3\x81\xE2\x82\xAC\xF0\x9F\x8E\xAE"
       "b",
       NameEncoding::kUtf8, 5, 4, "a\xC3\x81\xE2\x82\xAC\xF0\x9F\x8E\xAE"},
      {"not UTF-8: bytes", "J\xC1T\xC9K.CAS", NameEncoding::kUtf8, 9, 2, "J\xC1"},
      {"a code page: bytes", hundred_and_twenty, NameEncoding::kSingleByte, 240, 100,
       Repeated(o, 50)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CharacterCount(c.text, c.encoding), c.count);
    EXPECT_EQ(FirstCharacters(c.text, c.cut_at, c.encoding), c.first);
  }
}

}  // namespace
}  // namespace tvc
