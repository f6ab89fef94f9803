// The run-time errors of a calculation.
//
// Every failure a calculation can meet (a field that is not a number, a 16-bit overflow, a grid
// index off the grid, a floating-point fault, the result file, a grid too large for memory) is
// thrown as one RuntimeError carrying its kind and, where it helps, a detail (a path). The words
// the person at the keyboard reads are the screens' (errorReportText in conventions/messages);
// what() is a short English text for logs and debuggers.
#pragma once

#include <stdexcept>
#include <string>

namespace nurlo {

enum class ErrorKind {
    TypeMismatch,
    Overflow,
    SubscriptOutOfRange,
    FloatingPoint,
    File,
    OutOfMemory,
};

class RuntimeError : public std::runtime_error {
public:
    // `detail` adds what the person needs to find the cause (a path); it may be empty.
    explicit RuntimeError(ErrorKind kind, std::string detail = {});

    // The overflow error of a number too large for a double (a length, not a count).
    static RuntimeError numberTooLarge();

    ErrorKind kind() const noexcept { return kind_; }
    const std::string& detail() const noexcept { return detail_; }
    // An overflow of a number beyond a double, not of the 16-bit range of the counts: its report
    // speaks of the number's size.
    bool beyondDouble() const noexcept { return beyondDouble_; }

private:
    RuntimeError(ErrorKind kind, std::string detail, bool beyondDouble);

    ErrorKind kind_;
    std::string detail_;
    bool beyondDouble_ = false;
};

}  // namespace nurlo
