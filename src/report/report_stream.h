// The report: the one text output of a run. It owns the line end (CR LF everywhere, also in a file
// or a pipe), right-justified fields, the decimal form of numbers and how a name is shown. Output
// to a console is handed over line by line; output to a file or a pipe is gathered and written in
// large pieces.
#ifndef TVC_REPORT_REPORT_STREAM_H_
#define TVC_REPORT_REPORT_STREAM_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "text/utf8.h"

namespace tvc {

class ReportStream {
 public:
  // Called once when the sink refuses bytes. The handler normally ends the process; if it returns,
  // the stream drops everything written after the failure.
  using FailureHandler = std::function<void(const Status&)>;

  static constexpr std::size_t kBufferSize = 64 * 1024;

  // Names are measured as `names` spells them: in characters of UTF-8 where they are valid
  // UTF-8, or one byte a character.
  ReportStream(OutputSink& sink, FailureHandler on_failure,
               NameEncoding names = NameEncoding::kSingleByte);
  ReportStream(const ReportStream&) = delete;
  ReportStream& operator=(const ReportStream&) = delete;

  // Writes `text` right-justified in a field of `width`: spaces on the left when it is shorter,
  // the whole text when it is as long or longer. Nothing is ever cut.
  ReportStream& Text(std::string_view text, std::size_t width = 0);

  // Writes a name, or other bytes that come from outside the tool (a parameter, an image's
  // signature), right-justified in a field of `width` characters. Control characters (bytes 0 to
  // 31 and 127) show as '?', so that no name can end a line early, forge one or drive a terminal.
  ReportStream& Name(std::string_view name, std::size_t width = 0);

  // Writes a number in decimal: an optional "-", the digits, no leading zeros, no separators.
  // The field applies to the whole form, sign included.
  ReportStream& Number(std::int64_t value, std::size_t width = 0);

  // Ends the line with CR LF.
  void EndLine();

  // Writes `text` as a whole line.
  void Line(std::string_view text) {
    Text(text);
    EndLine();
  }

  // Hands everything still held back to standard output.
  void Close();

 private:
  void Append(std::string_view bytes);
  void AppendSpaces(std::size_t count);
  void Flush();

  OutputSink& sink_;
  FailureHandler on_failure_;
  NameEncoding names_;
  bool line_by_line_;
  bool failed_ = false;
  std::string buffer_;
};

}  // namespace tvc

#endif  // TVC_REPORT_REPORT_STREAM_H_
