// The outcome of one platform operation: success, or failure with the system's reason.
#ifndef TVC_PLATFORM_STATUS_H_
#define TVC_PLATFORM_STATUS_H_

#include <string>
#include <utility>

namespace tvc {

class Status {
 public:
  static Status Ok() { return Status(); }
  static Status Error(std::string reason) { return Status(std::move(reason)); }

  bool ok() const { return !failed_; }
  // The system's own words for the failure, e.g. "Input/output error"; empty on success.
  const std::string& reason() const { return reason_; }

 private:
  Status() = default;
  explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}

  bool failed_ = false;
  std::string reason_;
};

}  // namespace tvc

#endif  // TVC_PLATFORM_STATUS_H_
