// Typed results for operations that can fail.
//
// Every port call reports failure as an `Error` (a small portable code plus
// the operation and the path it concerned) and success as a value. The
// value of a `Result` is defined only when `ok()` is true.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace nc {

enum class Errc {
  NotFound,          // file, folder, key or value does not exist
  AccessDenied,      // the account may not do it, or the item is read-only
  SharingViolation,  // held open by someone else
  AlreadyExists,
  DiskFull,
  InvalidArgument,  // a malformed name or path
  NotEmpty,         // a folder or key that still has children
  NotSupported,
  IoError,  // anything else
};

const char* ErrcName(Errc code);

struct Error {
  Errc code = Errc::IoError;
  std::string op;    // "open key", "delete file", ...
  std::string path;  // what it concerned
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}      // NOLINT: implicit by design
  Result(Error error) : state_(std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The value when there is one, else `fallback`.
  T value_or(T fallback) const& { return ok() ? value() : std::move(fallback); }

  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// A result without a value.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT
  static Status Ok() { return {}; }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return error_; }

 private:
  Error error_;
  bool failed_ = false;
};

}  // namespace nc
