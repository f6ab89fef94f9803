// The run-time errors of a calculation.
//
// Every failure a calculation can meet (a field that is not a number, a 16-bit overflow, a grid
// index off the grid, a floating-point fault, the result file, a grid too large for memory) is
// thrown as one RuntimeError carrying its kind and a short Italian text that the error report
// shows to the person at the keyboard.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace nurlo {

enum class ErrorKind {
    TypeMismatch,
    Overflow,
    SubscriptOutOfRange,
    FloatingPoint,
    File,
    OutOfMemory,
};

// The Italian name of an error kind, as the error report shows it.
std::string_view italianText(ErrorKind kind);

class RuntimeError : public std::runtime_error {
public:
    // `detail` adds what the person needs to find the cause (a path, a field's caption); it may
    // be empty.
    explicit RuntimeError(ErrorKind kind, std::string detail = {});

    // The overflow error of a number too large for a double (a length, not a count): its words
    // speak of the number's size, not of the 16-bit range.
    static RuntimeError numberTooLarge();

    ErrorKind kind() const noexcept { return kind_; }
    const std::string& detail() const noexcept { return detail_; }

private:
    RuntimeError(ErrorKind kind, std::string_view text, std::string detail);

    ErrorKind kind_;
    std::string detail_;
};

}  // namespace nurlo
