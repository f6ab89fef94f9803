#include "field_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include <locale.h>

namespace nurlo {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The number's text in the "C" form (decimal comma replaced), or empty when `text` is not a
// number by the grammar above.
std::string canonicalNumber(std::string_view text) {
    text = trimmed(text);
    std::string out;
    std::size_t k = 0;
    auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
    if (at(k) == '+' || at(k) == '-') {
        out += text[k++];
    }
    int digits = 0;
    while (isDigit(at(k))) {
        out += text[k++];
        ++digits;
    }
    if (at(k) == '.' || at(k) == ',') {
        out += '.';
        ++k;
        while (isDigit(at(k))) {
            out += text[k++];
            ++digits;
        }
    }
    if (digits == 0) {
        return {};
    }
    if (at(k) == 'e' || at(k) == 'E') {
        out += 'e';
        ++k;
        if (at(k) == '+' || at(k) == '-') {
            out += text[k++];
        }
        if (!isDigit(at(k))) {
            return {};
        }
        while (isDigit(at(k))) {
            out += text[k++];
        }
    }
    return k == text.size() ? out : std::string{};
}

// The value of a field's text, infinite beyond the range of a double: the type-mismatch error for
// a non-number. Underflow gives the nearest representable value.
double numberFromText(std::string_view text) {
    const std::string number = canonicalNumber(text);
    if (number.empty()) {
        throw RuntimeError(ErrorKind::TypeMismatch);
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtod_l(number.c_str(), nullptr, cLocale);
}

}  // namespace

double lengthFromText(std::string_view text) {
    const double value = numberFromText(text);
    if (std::isinf(value)) {
        throw RuntimeError::numberTooLarge();
    }
    return value;
}

Int16 countFromText(std::string_view text) {
    // An infinite value is beyond the 16-bit range like any other.
    const double value = numberFromText(text);
    // nearbyint rounds in the current mode, to nearest with halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < kInt16Min || rounded > kInt16Max) {
        throw RuntimeError(ErrorKind::Overflow);
    }
    return static_cast<Int16>(rounded);
}

std::string estimateText(double value) {
    if (value == 0.0) {
        return "0";
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

}  // namespace nurlo
