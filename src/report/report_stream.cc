#include "report/report_stream.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace tvc {

namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

ReportStream::ReportStream(OutputSink& sink, FailureHandler on_failure, NameEncoding names)
    : sink_(sink),
      on_failure_(std::move(on_failure)),
      names_(names),
      line_by_line_(sink.IsConsole()) {
  buffer_.reserve(kBufferSize);
}

ReportStream& ReportStream::Text(std::string_view text, std::size_t width) {
  if (text.size() < width) AppendSpaces(width - text.size());
  Append(text);
  return *this;
}

ReportStream& ReportStream::Name(std::string_view name, std::size_t width) {
  // Control characters are ASCII, so replacing them changes neither the count of characters nor
  // whether the name is UTF-8.
  const std::size_t length = CharacterCount(name, names_);
  if (length < width) AppendSpaces(width - length);
  while (!name.empty()) {
    const std::size_t plain =
        static_cast<std::size_t>(std::find_if(name.begin(), name.end(), IsControl) - name.begin());
    Append(name.substr(0, plain));
    if (plain == name.size()) break;
    Append("?");
    name.remove_prefix(plain + 1);
  }
  return *this;
}

ReportStream& ReportStream::Number(std::int64_t value, std::size_t width) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)), width);
}

void ReportStream::EndLine() {
  Append("\r\n");
  if (line_by_line_) Flush();
}

void ReportStream::Close() { Flush(); }

void ReportStream::Append(std::string_view bytes) {
  if (failed_) return;
  if (buffer_.size() + bytes.size() > kBufferSize) Flush();
  buffer_.append(bytes);
}

void ReportStream::AppendSpaces(std::size_t count) {
  if (failed_) return;
  if (buffer_.size() + count > kBufferSize) Flush();
  buffer_.append(count, ' ');
}

void ReportStream::Flush() {
  if (failed_ || buffer_.empty()) return;
  const Status status = sink_.Write(buffer_);
  buffer_.clear();
  if (!status.ok()) {
    failed_ = true;
    on_failure_(status);
  }
}

}  // namespace tvc
