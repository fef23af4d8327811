// The error type of new code: a value or a message for the user. Failures are caught near where
// they arise and travel up as a Result; the front end shows the message (a box, standard error).
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace base {

struct Error {
    std::string Message;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}     // NOLINT: implicit by design
    Result(Error error) : v_(std::move(error)) {} // NOLINT: implicit by design

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    const std::string& error() const { return std::get<1>(v_).Message; }

private:
    std::variant<T, Error> v_;
};

// A result without a value: success, or a message.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error.Message)), ok_(false) {} // NOLINT
    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool ok_ = true;
};

using Status = Result<void>;

inline Error Fail(std::string message) {
    return Error{std::move(message)};
}

} // namespace base
