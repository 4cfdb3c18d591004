// The one way the platform's internals report a failure to their callers:
// a value, or a Failure that says what went wrong and where. The Win32
// edge turns a Failure into SetLastError and FALSE/NULL; the host and the
// tools print its text.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Failure {
    Failure(std::string message_, std::string where_ = {})
        : message(std::move(message_))
        , where(std::move(where_))
    {
    }

    // What is wrong, in one line: "the section table runs past the end of
    // the file".
    std::string message;
    // What it concerns: a file, "file:line", an option, a backend; empty
    // when the message says it all.
    std::string where;

    // "where: message", or the message alone.
    std::string text() const { return where.empty() ? message : where + ": " + message; }
};

// A failure that concerns where, with the message built from the rest.
inline Failure failure_at(std::string where, std::string message)
{
    return Failure {std::move(message), std::move(where)};
}

template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Failure failure)
        : state_(std::in_place_index<1>, std::move(failure))
    {
    }

    bool ok() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    // Asking a failed result for its value is a fault of the caller's, so it
    // stops the program rather than hand out a value that is not there.
    T& value() &
    {
        check(ok());
        return *std::get_if<0>(&state_);
    }
    const T& value() const&
    {
        check(ok());
        return *std::get_if<0>(&state_);
    }
    T&& value() &&
    {
        check(ok());
        return std::move(*std::get_if<0>(&state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Failure& failure() const
    {
        check(!ok());
        return *std::get_if<1>(&state_);
    }

private:
    static void check(bool condition)
    {
        if (!condition) std::abort();
    }

    std::variant<T, Failure> state_;
};

// A step that gives nothing back but may fail. Default-constructed, it
// succeeded.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : failure_(std::move(failure))
    {
    }

    bool ok() const noexcept { return !failure_; }
    explicit operator bool() const noexcept { return ok(); }

    const Failure& failure() const
    {
        if (!failure_) std::abort();
        return *failure_;
    }

private:
    std::optional<Failure> failure_;
};

}  // namespace platform
