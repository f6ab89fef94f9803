// The writer of risultato.m, the file in which the section screens leave their estimates.
//
// A ResultScript is open for one calculation: opening creates the file or empties an existing
// one, each writeLine call writes one complete line and hands it to the operating system before
// returning, and close ends it. Nothing is kept in memory between lines, so a calculation that
// stops on a run-time error leaves in the file exactly the lines written before it.
//
// Every failure to open, write or close the file raises the file error, whose detail is the
// file's path.
//
// The lines of the section screens are in section_plan.hpp.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "checked.hpp"

namespace nurlo {

// One item of a line: a text written as it stands, a double or a 16-bit integer.
//
// Text items are views: the characters must stay alive for the writeLine call that uses them,
// which string literals and temporaries of the calling expression always do. Plain `int` is
// refused so that every integer written is a checked 16-bit value (see toInt16).
class ScriptItem {
public:
    ScriptItem(const char* text) : value_(std::string_view(text)) {}
    ScriptItem(std::string_view text) : value_(text) {}
    ScriptItem(const std::string& text) : value_(std::string_view(text)) {}
    ScriptItem(double number) : value_(number) {}
    ScriptItem(Int16 number) : value_(number) {}
    ScriptItem(int) = delete;

    const std::variant<std::string_view, double, Int16>& value() const noexcept { return value_; }

private:
    std::variant<std::string_view, double, Int16> value_;
};

// The text of a double that the MATLAB language reads back as the same double: the shortest
// such text, always with "." as the decimal point whatever the locale, with an exponent where
// that is shorter ("1e-07", "1.5e+300"). A negative number, negative zero included ("-0"),
// begins with "-". Non-finite values, which a calculation never produces, are written "Inf",
// "-Inf" and "NaN".
std::string formatNumber(double value);

// The decimal text of a 16-bit integer.
std::string formatNumber(Int16 value);

class ResultScript {
public:
    // Creates the file at `path`, or empties it if it exists, and keeps it open for writing.
    // Failure raises the file error, and so does a path that names anything but a regular file
    // (a FIFO, a socket, a device), at once, without waiting on it.
    explicit ResultScript(const std::filesystem::path& path);
    ~ResultScript();

    ResultScript(const ResultScript&) = delete;
    ResultScript& operator=(const ResultScript&) = delete;

    // Writes the items one after the other, with nothing between them, then a line end. The
    // whole line is handed to the operating system before the call returns. A failed write, or
    // a call after close(), raises the file error.
    void writeLine(std::initializer_list<ScriptItem> items);

    // Closes the file; a no-op when it is closed already. A failure reported by the system on
    // closing raises the file error (the script is closed all the same).
    void close();

private:
    [[noreturn]] void raiseFileError() const;

    int fd_ = -1;
    std::filesystem::path path_;
};

}  // namespace nurlo
