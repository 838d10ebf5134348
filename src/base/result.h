// Status values and Result<T>: how every layer reports failure without exceptions.
//
// A Status is OK or carries a code and a message meant for people (the file name and
// what was wrong with it). Callers must look at it; the engine never throws.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace hurt {

enum class StatusCode {
  kOk = 0,
  kNotFound,     // a file, record, key or field that is not there
  kCorruption,   // a file whose bytes do not make sense
  kIoError,      // the operating system refused a read, write or other call
  kBusy,         // a lock or an exclusive open held by someone else
  kInvalid,      // a bad argument: value too wide, expression that does not compile
  kUnsupported,  // a valid request this build cannot do
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string msg) { return Status(StatusCode::kNotFound, std::move(msg)); }
  static Status Corruption(std::string msg) { return Status(StatusCode::kCorruption, std::move(msg)); }
  static Status IoError(std::string msg) { return Status(StatusCode::kIoError, std::move(msg)); }
  static Status Busy(std::string msg) { return Status(StatusCode::kBusy, std::move(msg)); }
  static Status Invalid(std::string msg) { return Status(StatusCode::kInvalid, std::move(msg)); }
  static Status Unsupported(std::string msg) { return Status(StatusCode::kUnsupported, std::move(msg)); }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  const std::string& message() const { return message_; }
  bool IsNotFound() const { return code_ == StatusCode::kNotFound; }
  bool IsCorruption() const { return code_ == StatusCode::kCorruption; }
  bool IsBusy() const { return code_ == StatusCode::kBusy; }
  bool IsInvalid() const { return code_ == StatusCode::kInvalid; }

  // "Corruption: as.ntx: page 3 has 900 keys" — for logs and command-line tools.
  std::string ToString() const;

  // Adds context in front of the message: s.Prefixed("as.dbf") gives "as.dbf: <message>".
  Status Prefixed(const std::string& context) const;

 private:
  Status(StatusCode code, std::string msg) : code_(code), message_(std::move(msg)) {}
  StatusCode code_ = StatusCode::kOk;
  std::string message_;
};

// A value or the Status that explains why there is none.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : data_(std::move(value)) {}                       // NOLINT: implicit by design
  Result(Status status) : data_(std::move(status)) { assert(!std::get<Status>(data_).ok()); }  // NOLINT

  bool ok() const { return std::holds_alternative<T>(data_); }
  const Status& status() const {
    static const Status kOk;
    return ok() ? kOk : std::get<Status>(data_);
  }
  T& value() & { return std::get<T>(data_); }
  const T& value() const& { return std::get<T>(data_); }
  T&& value() && { return std::get<T>(std::move(data_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T value_or(T fallback) const { return ok() ? std::get<T>(data_) : std::move(fallback); }

 private:
  std::variant<T, Status> data_;
};

}  // namespace hurt

// Returns the status from the enclosing function when it is not OK.
#define HURT_RETURN_IF_ERROR(expr)            \
  do {                                        \
    ::hurt::Status hurt_status_ = (expr);     \
    if (!hurt_status_.ok()) return hurt_status_; \
  } while (0)
