#include "runtime_error.hpp"

#include <string_view>

namespace nurlo {
namespace {

std::string_view kindName(ErrorKind kind, bool beyondDouble) {
    switch (kind) {
        case ErrorKind::TypeMismatch:
            return "type mismatch";
        case ErrorKind::Overflow:
            return beyondDouble ? "overflow: number beyond a double" : "overflow";
        case ErrorKind::SubscriptOutOfRange:
            return "subscript out of range";
        case ErrorKind::FloatingPoint:
            return "floating-point error";
        case ErrorKind::File:
            return "file error";
        case ErrorKind::OutOfMemory:
            return "out of memory";
    }
    return "unknown error";
}

std::string message(ErrorKind kind, bool beyondDouble, const std::string& detail) {
    std::string message(kindName(kind, beyondDouble));
    if (!detail.empty()) {
        message += " (" + detail + ")";
    }
    return message;
}

}  // namespace

RuntimeError::RuntimeError(ErrorKind kind, std::string detail)
    : RuntimeError(kind, std::move(detail), false) {}

RuntimeError::RuntimeError(ErrorKind kind, std::string detail, bool beyondDouble)
    : std::runtime_error(message(kind, beyondDouble, detail)),
      kind_(kind),
      detail_(std::move(detail)),
      beyondDouble_(beyondDouble) {}

RuntimeError RuntimeError::numberTooLarge() { return RuntimeError(ErrorKind::Overflow, {}, true); }

}  // namespace nurlo
