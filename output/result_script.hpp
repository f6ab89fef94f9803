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
// The square screens write one bare estimate per line. The L-domain screens write a short script
// in the MATLAB language around their estimates: a header that defines the exact solution along
// the section, one "z2(k)=estimate;" line per node and closing lines that plot both. The helpers
// at the end of this header hold the texts of those lines, so the screens only hand over values.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "boundary_datum.hpp"
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
    // risultato.m in the folder that holds the running executable.
    static std::filesystem::path defaultPath();

    // A script with no file open.
    ResultScript() = default;
    // Opens `path` as open() does.
    explicit ResultScript(const std::filesystem::path& path);
    ~ResultScript();

    ResultScript(const ResultScript&) = delete;
    ResultScript& operator=(const ResultScript&) = delete;

    // Creates the file at `path`, or empties it if it exists, and keeps it open for writing. A
    // file already open in this script is closed first. Failure raises the file error.
    void open(const std::filesystem::path& path);

    // Writes the items one after the other, with nothing between them, then a line end. The
    // whole line is handed to the operating system before the call returns. A failed write, or
    // a call with no file open, raises the file error.
    void writeLine(std::initializer_list<ScriptItem> items);

    // Closes the file; a no-op when none is open. A failure reported by the system on closing
    // raises the file error (the script is closed all the same).
    void close();

    bool isOpen() const noexcept { return fd_ >= 0; }
    // The path of the file opened last; empty before the first open.
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    [[noreturn]] void raiseFileError() const;

    int fd_ = -1;
    std::filesystem::path path_;
};

// --- The lines of the section screens ---------------------------------------------------------

// The axis a section runs along: X for a line parallel to the x axis (the screens of x-sections),
// Y for a line parallel to the y axis (the screens of y-sections).
enum class SectionAxis { X, Y };

// A square section screen's line: the bare estimate.
void writeBareEstimate(ResultScript& script, double estimate);

// The exact solution along the section for `datum`, as a script assignment to z of a vector the
// size of the running coordinate. On an x-section x is the row vector and y the scalar; on a
// y-section the other way round, and every power of the vector is taken element by element.
// "Nullo" has the exact solution 0; "Seno" has no closed form along a line, so its z is NaN and
// the plot draws nothing for it.
std::string_view exactSolutionText(SectionAxis axis, BoundaryDatum datum);

// The header of an L-domain section script: the fine range of the running coordinate
// ("x=0:fineStep:end;" or "y=0:fineStep:end;"), the fixed coordinate of the section
// ("y=fixed;" or "x=fixed;") and the exact solution.
void writeSectionHeader(ResultScript& script, SectionAxis axis, double fineStep, double end,
                        double fixedCoordinate, BoundaryDatum datum);

// One node of an L-domain section: "z2(index)=estimate;", index counting from 1.
void writeNodeLine(ResultScript& script, Int16 index, double estimate);

// The six closing lines of an L-domain section script: the range of the nodes
// ("x2=0:step:end;" or "y2=0:step:end;") and the plot of the exact solution and the estimates.
void writeSectionClosing(ResultScript& script, SectionAxis axis, double step, double end);

}  // namespace nurlo
