#include "text/utf8.h"

namespace tvc {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence that `lead` begins, or 0 when no sequence begins with it.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;  // a continuation byte, an overlong two-byte lead (C0, C1) or beyond U+10FFFF
}

// The number of code points in `text`, or -1 when it is not valid UTF-8.
std::ptrdiff_t CodePoints(std::string_view text) {
  std::ptrdiff_t count = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    ++count;
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || text.size() - at < length) return -1;
    for (std::size_t i = 1; i < length; ++i) {
      if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return -1;
    }
    // The second byte rules out the forms that the lead alone cannot: overlong three- and
    // four-byte forms, surrogate halves, and code points beyond U+10FFFF.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
      return -1;
    }
    at += length;
  }
  return count;
}

}  // namespace

bool IsValidUtf8(std::string_view text) { return CodePoints(text) >= 0; }

char32_t DecodeUtf8(std::string_view text, std::size_t* at) {
  const auto lead = static_cast<unsigned char>(text[*at]);
  const std::size_t length = SequenceLength(lead);
  char32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    code_point = code_point << 6 | (static_cast<unsigned char>(text[*at + i]) & 0x3F);
  }
  *at += length;
  return code_point;
}

std::size_t EncodeUtf8(char32_t code_point, char bytes[4]) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  if (code_point < 0x80) {
    bytes[0] = byte(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    bytes[0] = byte(0xC0 | code_point >> 6);
    bytes[1] = byte(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < 0x10000) {
    bytes[0] = byte(0xE0 | code_point >> 12);
    bytes[1] = byte(0x80 | (code_point >> 6 & 0x3F));
    bytes[2] = byte(0x80 | (code_point & 0x3F));
    return 3;
  }
  bytes[0] = byte(0xF0 | code_point >> 18);
  bytes[1] = byte(0x80 | (code_point >> 12 & 0x3F));
  bytes[2] = byte(0x80 | (code_point >> 6 & 0x3F));
  bytes[3] = byte(0x80 | (code_point & 0x3F));
  return 4;
}

std::size_t CharacterCount(std::string_view text, NameEncoding encoding) {
  if (encoding != NameEncoding::kUtf8) return text.size();
  const std::ptrdiff_t code_points = CodePoints(text);
  return code_points < 0 ? text.size() : static_cast<std::size_t>(code_points);
}

std::string_view FirstCharacters(std::string_view text, std::size_t count, NameEncoding encoding) {
  if (text.size() <= count) return text;  // no text has more characters than bytes
  if (encoding != NameEncoding::kUtf8 || !IsValidUtf8(text)) return text.substr(0, count);
  std::size_t end = 0;
  for (std::size_t characters = 0; characters < count && end < text.size(); ++characters) {
    end += SequenceLength(static_cast<unsigned char>(text[end]));
  }
  return text.substr(0, end);
}

}  // namespace tvc
