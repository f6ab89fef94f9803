#include "result_script.hpp"

#include <fcntl.h>
#include <sys/stat.h>
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

ResultScript::ResultScript(const std::filesystem::path& path) : path_(path) {
    // Only a regular file (or a link to one) is written. Opening a FIFO would wait for a reader,
    // and a device or a socket is no place for a script. So the path is looked at before it is
    // opened; it is opened without waiting, in case a FIFO took its place meanwhile, and looked
    // at once more once open.
    struct stat found {};
    if (::stat(path_.c_str(), &found) == 0 && !S_ISREG(found.st_mode)) {
        raiseFileError();
    }
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd_ < 0) {
        raiseFileError();
    }
    struct stat opened {};
    const int flags = ::fcntl(fd_, F_GETFL);
    if (::fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode) || flags < 0 ||
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(std::exchange(fd_, -1));
        raiseFileError();
    }
}

ResultScript::~ResultScript() {
    if (fd_ >= 0) {
        ::close(fd_);
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

}  // namespace nurlo
