// Error-as-value type shared by the launcher's configuration code.
//
// `Result<T>` is `std::expected<T, Error>` wherever the standard library has
// it. Toolchains without it (clang 14, used for the fuzzing build) get
// `detail::FallbackResult<T>`, which offers the subset of the std::expected
// API this project relies on. Code written against that subset compiles unchanged with either:
// construct failures only through `fail(...)`.
#ifndef LAUNCHER_INIT_RESULT_H_
#define LAUNCHER_INIT_RESULT_H_

#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <version>

#if defined(__cpp_lib_expected)
#include <expected>
#define LAUNCHER_HAS_STD_EXPECTED 1
#else
#define LAUNCHER_HAS_STD_EXPECTED 0
#endif

namespace launcher {

// A failure, ready to show to a person: `message` is complete, including any position information,
// and needs no further context to be understood.
struct Error {
  std::string message;

  friend bool operator==(const Error&, const Error&) = default;
};

namespace detail {

// What `fail` yields when std::expected is unavailable; converts into any FallbackResult<T> as its
// error state.
struct Failure {
  Error error;
};

// Holds either a T or an Error. Accessing the side that is not held is a contract violation and
// aborts the process (std::expected would throw, which this project never lets escape, so no caller
// may rely on either).
template <class T>
class FallbackResult {
  static_assert(!std::is_same_v<T, Error>, "a result cannot hold an Error as its value");

 public:
  FallbackResult(const T& value) : state_(std::in_place_index<0>, value) {}
  FallbackResult(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
  FallbackResult(Failure failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

  bool has_value() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return has_value(); }

  // REQUIRES: has_value().
  T& value() & { return *get_if_value_or_abort(); }
  const T& value() const& { return *get_if_value_or_abort(); }
  T&& value() && { return std::move(*get_if_value_or_abort()); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return get_if_value_or_abort(); }
  const T* operator->() const { return get_if_value_or_abort(); }

  // REQUIRES: !has_value().
  Error& error() & { return *get_if_error_or_abort(); }
  const Error& error() const& { return *get_if_error_or_abort(); }
  Error&& error() && { return std::move(*get_if_error_or_abort()); }

 private:
  T* get_if_value_or_abort() const {
    auto* p = std::get_if<0>(&state_);
    if (p == nullptr) std::abort();
    return const_cast<T*>(p);
  }
  Error* get_if_error_or_abort() const {
    auto* p = std::get_if<1>(&state_);
    if (p == nullptr) std::abort();
    return const_cast<Error*>(p);
  }

  std::variant<T, Error> state_;
};

}  // namespace detail

#if LAUNCHER_HAS_STD_EXPECTED
template <class T>
using Result = std::expected<T, Error>;

// The failed state of any Result<T>: `return fail(Error{...});`.
inline std::unexpected<Error> fail(Error error) { return std::unexpected<Error>(std::move(error)); }
#else
template <class T>
using Result = detail::FallbackResult<T>;

// The failed state of any Result<T>: `return fail(Error{...});`.
inline detail::Failure fail(Error error) { return detail::Failure{std::move(error)}; }
#endif

}  // namespace launcher

#endif  // LAUNCHER_INIT_RESULT_H_
