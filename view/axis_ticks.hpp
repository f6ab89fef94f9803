// The scale of a chart's value axis: ends and ticks at round numbers (1, 2 or 5 times a power of
// ten) that fit the data, whatever their size, and the ticks' labels as a person reads them.
//
// The data may be as small as 1e-300 or as large as 1e308, where the chart's own arithmetic
// (the span of the axis, the place of a point) would lose its way or overflow. So the chart plots
// each value divided by a unit, a power of ten chosen with the scale (1 for everyday data), and
// the ticks are given in that unit; their labels are the true values, written digit by digit from
// the tick's integer multiple of the step, so that no rounding shows ("0.3", never
// "0.30000000000000004" nor "-0.00"). Fixed notation serves from 1e-4 up to a million; beyond
// either, the labels are in scientific notation ("2.5e-15", "3.2e20").
#pragma once

#include <string>
#include <vector>

namespace nurlo {

struct AxisScale {
    double unit = 1.0;  // the chart plots value / unit
    double low = 0.0;   // the axis's ends, in units
    double high = 1.0;
    std::vector<double> ticks;        // in units, from low to high
    std::vector<std::string> labels;  // the ticks' true values

    double toAxis(double value) const { return value / unit; }
};

// The scale of the data from `low` to `high` (finite, low <= high; without data, give 0 and 1),
// with about `mostTicks` ticks or fewer. With `padded` the data keep a little room from the ends;
// the ends are always ticks. Flat data (all one value, or differing only in their last digits)
// get a range of 5 % of their size around them, or -1..1 around 0.
AxisScale roundScale(double low, double high, bool padded = true, int mostTicks = 7);

}  // namespace nurlo
