// An output sink that keeps the report in memory and counts the hand-overs.
#ifndef TVC_TESTS_SUPPORT_STRING_SINK_H_
#define TVC_TESTS_SUPPORT_STRING_SINK_H_

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tvc::testing {

class StringSink final : public OutputSink {
 public:
  explicit StringSink(bool console = false) : console_(console) {}

  Status Write(std::string_view bytes) override {
    if (fail_) return Status::Error("No space left on device");
    text += bytes;
    ++writes;
    return Status::Ok();
  }
  bool IsConsole() const override { return console_; }
  void FailWrites() { fail_ = true; }

  std::string text;
  int writes = 0;

 private:
  bool console_;
  bool fail_ = false;
};

// Joins lines with the report's CR LF line end, one after each line.
inline std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace tvc::testing

#endif  // TVC_TESTS_SUPPORT_STRING_SINK_H_
