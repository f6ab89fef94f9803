#include "axis_ticks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace nurlo {
namespace {

// The value K x 10^q written out, in fixed or in scientific notation.
std::string label(std::int64_t multiple, int power, bool fixed) {
    if (multiple == 0) {
        return "0";
    }
    const std::string sign = multiple < 0 ? "-" : "";
    std::string digits = std::to_string(multiple < 0 ? -multiple : multiple);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++power;
    }
    const int count = static_cast<int>(digits.size());
    if (fixed) {
        if (power >= 0) {
            return sign + digits + std::string(static_cast<std::size_t>(power), '0');
        }
        const int point = count + power;  // digits before the decimal point
        if (point > 0) {
            const auto at = static_cast<std::size_t>(point);
            return sign + digits.substr(0, at) + "." + digits.substr(at);
        }
        return sign + "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    }
    std::string mantissa = digits.substr(0, 1);
    if (count > 1) {
        mantissa += "." + digits.substr(1);
    }
    return sign + mantissa + "e" + std::to_string(power + count - 1);
}

}  // namespace

AxisScale roundScale(double low, double high, bool padded, int mostTicks) {
    if (!(std::isfinite(low) && std::isfinite(high) && low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    AxisScale scale;
    // Everyday data are plotted as they are; others in a unit near their size.
    const double size = std::max(std::fabs(low), std::fabs(high));
    int unitPower = 0;
    if (size > 0.0) {
        const int magnitude = static_cast<int>(std::floor(std::log10(size)));
        if (magnitude < -4 || magnitude > 5) {
            unitPower = std::clamp(magnitude, -307, 307);
        }
    }
    scale.unit = std::pow(10.0, unitPower);
    double lo = low / scale.unit;
    double hi = high / scale.unit;
    const double largest = std::max(std::fabs(lo), std::fabs(hi));
    if (largest == 0.0) {
        lo = -1.0;
        hi = 1.0;
    } else if (hi - lo <= largest * 1e-9) {
        // Flat: differences in the last digits are no scale to read.
        const double middle = lo / 2.0 + hi / 2.0;
        lo = middle - largest * 0.05;
        hi = middle + largest * 0.05;
    } else if (padded) {
        const double pad = (hi - lo) * 0.05;
        lo -= pad;
        hi += pad;
    }
    const double raw = (hi - lo) / std::max(1, mostTicks - 1);
    int power = static_cast<int>(std::floor(std::log10(raw)));
    const double fraction = raw / std::pow(10.0, power);
    std::int64_t factor = fraction <= 1.0 ? 1 : fraction <= 2.0 ? 2 : fraction <= 5.0 ? 5 : 10;
    if (factor == 10) {
        factor = 1;
        ++power;
    }
    const double step = static_cast<double>(factor) * std::pow(10.0, power);
    // A data end a rounding away from a tick stays on it.
    const auto first = static_cast<std::int64_t>(std::floor(lo / step + 1e-9));
    const auto last = static_cast<std::int64_t>(std::ceil(hi / step - 1e-9));
    scale.low = static_cast<double>(first) * step;
    scale.high = static_cast<double>(last) * step;
    const bool fixed = power + unitPower >= -4 &&
                       std::max(std::fabs(scale.low), std::fabs(scale.high)) * scale.unit < 1e6;
    for (std::int64_t k = first; k <= last; ++k) {
        scale.ticks.push_back(static_cast<double>(k) * step);
        scale.labels.push_back(label(k * factor, power + unitPower, fixed));
    }
    return scale;
}

}  // namespace nurlo
