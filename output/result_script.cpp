#include "result_script.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>
#include <type_traits>
#include <utility>

namespace nurlo {

namespace {

constexpr std::string_view kFileName = "risultato.m";

// Appends the text of one item to `line`.
void appendItem(std::string& line, const ScriptItem& item) {
    std::visit(
        [&line](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string_view>) {
                line += value;
            } else {
                line += formatNumber(value);
            }
        },
        item.value());
}

}  // namespace

std::string formatNumber(double value) {
    // std::to_chars ignores the locale and gives the shortest text that reads back as the same
    // double; its exponent form ("1e-07") and "-0" are read by MATLAB as they stand. Its
    // spellings of the non-finite values are not MATLAB's, so those are written here.
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "Inf";
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatNumber(Int16 value) {
    char buffer[8];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::filesystem::path ResultScript::defaultPath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw RuntimeError(ErrorKind::File, std::string(kFileName));
    }
    return executable.parent_path() / kFileName;
}

ResultScript::ResultScript(const std::filesystem::path& path) { open(path); }

ResultScript::~ResultScript() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ResultScript::open(const std::filesystem::path& path) {
    close();
    path_ = path;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        raiseFileError();
    }
}

void ResultScript::writeLine(std::initializer_list<ScriptItem> items) {
    if (fd_ < 0) {
        raiseFileError();
    }
    std::string line;
    line.reserve(64);
    for (const ScriptItem& item : items) {
        appendItem(line, item);
    }
    line += '\n';

    // One write normally takes the whole line; a short write is continued where it stopped.
    const char* next = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            raiseFileError();
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

void ResultScript::close() {
    if (fd_ < 0) {
        return;
    }
    const int fd = std::exchange(fd_, -1);
    // On Linux the descriptor is released even when close reports EINTR, so that is no failure.
    if (::close(fd) != 0 && errno != EINTR) {
        raiseFileError();
    }
}

void ResultScript::raiseFileError() const { throw RuntimeError(ErrorKind::File, path_.string()); }

// --- The lines of the section screens ---------------------------------------------------------

void writeBareEstimate(ResultScript& script, double estimate) { script.writeLine({estimate}); }

std::string_view exactSolutionText(SectionAxis axis, BoundaryDatum datum) {
    const bool x = axis == SectionAxis::X;
    switch (datum) {
        // The closing lines plot z against the running coordinate for every datum, so z is
        // defined for every datum too. Without it the script stops at "plot(x,z)" in a fresh
        // session, or plots a z left over from an earlier script as if it were this solution.
        case BoundaryDatum::Nullo:
            return x ? "z=zeros(size(x));" : "z=zeros(size(y));";
        case BoundaryDatum::Seno:
            return x ? "z=NaN(size(x));" : "z=NaN(size(y));";
        case BoundaryDatum::ExpXSiny:
            return "z=exp(x).*sin(y);";
        case BoundaryDatum::XY:
            return "z=x*y;";
        case BoundaryDatum::X2MinusY2:
            return x ? "z=x.^2-y^2;" : "z=x^2-y.^2;";
        case BoundaryDatum::X3Minus3XY2:
            return x ? "z=x.^3-3*x*y^2;" : "z=x^3-3*x*y.^2;";
    }
    throw std::invalid_argument("exactSolutionText: no such boundary datum");
}

void writeSectionHeader(ResultScript& script, SectionAxis axis, double fineStep, double end,
                        double fixedCoordinate, BoundaryDatum datum) {
    const bool x = axis == SectionAxis::X;
    script.writeLine({x ? "x=0:" : "y=0:", fineStep, ":", end, ";"});
    script.writeLine({x ? "y=" : "x=", fixedCoordinate, ";"});
    script.writeLine({exactSolutionText(axis, datum)});
}

void writeNodeLine(ResultScript& script, Int16 index, double estimate) {
    script.writeLine({"z2(", index, ")=", estimate, ";"});
}

void writeSectionClosing(ResultScript& script, SectionAxis axis, double step, double end) {
    const bool x = axis == SectionAxis::X;
    script.writeLine({x ? "x2=0:" : "y2=0:", step, ":", end, ";"});
    script.writeLine({x ? "plot(x,z)" : "plot(y,z)"});
    script.writeLine({"hold on"});
    script.writeLine({x ? "plot (x2,z2,'.')" : "plot (y2,z2,'.')"});
    script.writeLine({x ? "xlabel ('Ascissa di partenza')" : "xlabel ('Ordinata di partenza')"});
    script.writeLine({"ylabel ('Vincita')"});
}

}  // namespace nurlo
