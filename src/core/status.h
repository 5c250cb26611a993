#pragma once

#include <string>
#include <utility>

namespace nerovale {

// The answer of an operation that can fail: success, or a failure with a message for the operator.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status{}; }
  static Status Failure(std::string message) { return Status{std::move(message)}; }

  bool ok() const noexcept { return !failed_; }
  explicit operator bool() const noexcept { return ok(); }
  const std::string& message() const noexcept { return message_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}

  bool failed_ = false;
  std::string message_;
};

}  // namespace nerovale
