// Failures carry the classic run-time error number and its English
// description; the Automation layer reports them as 0x800A0000 + number.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

namespace nelvo {

namespace error {
inline constexpr std::int32_t overflow = 6;
inline constexpr std::int32_t out_of_memory = 7;
inline constexpr std::int32_t type_mismatch = 13;
inline constexpr std::int32_t bad_file_name = 52;
inline constexpr std::int32_t file_not_found = 53;
inline constexpr std::int32_t device_io = 57;
inline constexpr std::int32_t bad_record_number = 63;
inline constexpr std::int32_t too_many_files = 67;
inline constexpr std::int32_t permission_denied = 70;
inline constexpr std::int32_t path_file_access = 75;
inline constexpr std::int32_t path_not_found = 76;
}  // namespace error

struct RuntimeError {
    std::int32_t number;
    std::string_view description() const;
    friend bool operator==(const RuntimeError&, const RuntimeError&) = default;
};

// Success, or the run-time error that prevented it. Reads as Result does:
// ok() and true on success.
class [[nodiscard]] Status {
public:
    Status() noexcept = default;  // success
    Status(RuntimeError e) noexcept : error_(e), failed_(true) {}

    bool ok() const noexcept { return !failed_; }
    explicit operator bool() const noexcept { return ok(); }
    // The error; number 0 on success.
    RuntimeError error() const noexcept { return error_; }
    friend bool operator==(const Status&, const Status&) = default;

private:
    RuntimeError error_{0};
    bool failed_ = false;
};

// A value or the run-time error that prevented it.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(RuntimeError e) : v_(e) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    RuntimeError error() const { return std::get<1>(v_); }

private:
    std::variant<T, RuntimeError> v_;
};

}  // namespace nelvo
