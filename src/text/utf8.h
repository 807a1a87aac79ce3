// UTF-8 as names come on POSIX systems, and the measure of a name in characters. Bytes that do not
// form UTF-8 are no error here: such a text is taken one byte a character, as on Windows.
#ifndef TVC_TEXT_UTF8_H_
#define TVC_TEXT_UTF8_H_

#include <cstddef>
#include <string_view>

namespace tvc {

// How the system spells file names.
enum class NameEncoding {
  kUtf8,        // POSIX: UTF-8 where a name is valid UTF-8, one byte a character where it is not
  kSingleByte,  // Windows: the system's code page, one byte a character
};

// Whether `text` is well-formed UTF-8: every sequence complete, in its shortest form, no
// surrogate halves and nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The code point that begins at text[*at], which must be valid UTF-8; moves *at past it.
char32_t DecodeUtf8(std::string_view text, std::size_t* at);

// Writes the UTF-8 form of `code_point` (at most U+10FFFF) to `bytes` and returns its length.
std::size_t EncodeUtf8(char32_t code_point, char bytes[4]);

// The number of characters in `text`: code points when `encoding` is kUtf8 and `text` is valid
// UTF-8, bytes otherwise.
std::size_t CharacterCount(std::string_view text, NameEncoding encoding);

// The first `count` characters of `text`, counted as CharacterCount counts them, so that a cut
// never splits a character.
std::string_view FirstCharacters(std::string_view text, std::size_t count, NameEncoding encoding);

}  // namespace tvc

#endif  // TVC_TEXT_UTF8_H_
