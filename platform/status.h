// The one error convention of the program: an operation that can fail returns a Status, or a
// Result<T> that holds either its value or the Status of its failure.
//
// A failed Status carries a diagnostic text (what failed and why, for logs, test output and
// the command line) and, when the failure came from the operating system, its errno value.
// The program's own user-facing reports are composed by the engine from fixed texts; they
// never depend on these diagnostic texts.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zelvora {

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  // `code` is the errno value of a system failure, 0 otherwise.
  static Status Error(std::string message, int code = 0) {
    Status status;
    status.failed_ = true;
    status.message_ = std::move(message);
    status.code_ = code;
    return status;
  }

  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }
  int code() const { return code_; }

 private:
  bool failed_ = false;
  std::string message_;
  int code_ = 0;
};

// Either a value or the Status of the failure that prevented it.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) {}  // NOLINT: implicit by design

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  // Preconditions: ok().
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const { return *value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace zelvora
