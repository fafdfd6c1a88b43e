#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace lorvane {

/// A failure: one message and the chain of its causes, outermost first.
///
/// Context is added on the way up by wrapping (`Error::wrap`), never by editing an inner
/// message, so every message stays the exact text its layer produced.
class Error {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}

  /// `context` over `inner`: the inner message becomes the first cause.
  static Error wrap(std::string context, Error inner) {
    Error outer(std::move(context));
    outer.causes_.reserve(inner.causes_.size() + 1);
    outer.causes_.push_back(std::move(inner.message_));
    for (auto& cause : inner.causes_) outer.causes_.push_back(std::move(cause));
    return outer;
  }

  const std::string& message() const { return message_; }
  const std::vector<std::string>& causes() const { return causes_; }

  friend bool operator==(const Error&, const Error&) = default;

 private:
  std::string message_;
  std::vector<std::string> causes_;
};

/// The text of an operating-system failure as a cause: "{strerror} (os error {errno})".
std::string os_error_text(int errnum);

/// An `Error` whose message is `context` and whose single cause is the OS failure `errnum`.
Error os_error(std::string context, int errnum);

/// Either a value or an `Error`. Checked with `ok()`; `value()`/`error()` require the
/// matching state.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  Error& error() & {
    assert(!ok());
    return std::get<1>(state_);
  }
  const Error& error() const& {
    assert(!ok());
    return std::get<1>(state_);
  }
  Error&& error() && {
    assert(!ok());
    return std::get<1>(std::move(state_));
  }

 private:
  std::variant<T, Error> state_;
};

/// Success without a value, or an `Error`.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }

  Error& error() & {
    assert(!ok());
    return error_;
  }
  const Error& error() const& {
    assert(!ok());
    return error_;
  }
  Error&& error() && {
    assert(!ok());
    return std::move(error_);
  }

 private:
  Error error_{std::string()};
  bool failed_ = false;
};

using Status = Result<void>;

}  // namespace lorvane
