#include "jump_walk.hpp"

#include <cmath>
#include <numbers>
#include <utility>

namespace nurlo {
namespace {

// One odd k of the exit law's series: the angle theta = k pi / (2r) and the weight
// 1 / cosh(alpha_k r).
struct SeriesTerm {
    double theta;
    double weight;
};

// The terms of the series for radius r that matter in double precision, in the order of k.
//
// alpha = acosh(1 + x) with x = 2 sin^2(theta / 2) is computed as log1p(x + sqrt(x (2 + x))):
// acosh(2 - cos theta) would lose most of its digits where theta is small (large r). The weight
// 1 / cosh(alpha r) = 2 e / (1 + e^2) with e = exp(-alpha r) cannot overflow. The weights fall with
// k (alpha grows with theta < pi), so the series stops at the first one below 1e-20, when all the
// remaining ones together are far below the last bit of the sum (the first is about 0.4).
std::vector<SeriesTerm> seriesTerms(int radius) {
    std::vector<SeriesTerm> terms;
    const double r = radius;
    for (int k = 1; k < 2 * radius; k += 2) {
        const double theta = k * std::numbers::pi / (2.0 * r);
        const double half = std::sin(theta / 2.0);
        const double x = 2.0 * half * half;
        const double alpha = std::log1p(x + std::sqrt(x * (2.0 + x)));
        const double e = std::exp(-alpha * r);
        const double weight = 2.0 * e / (1.0 + e * e);
        if (weight < 1e-20) {
            break;
        }
        terms.push_back({theta, weight});
    }
    return terms;
}

double seriesSum(const std::vector<SeriesTerm>& terms, int radius, int offset) {
    double sum = 0.0;
    for (const SeriesTerm& term : terms) {
        sum += std::cos(term.theta * offset) * term.weight;
    }
    return sum / (2.0 * radius);
}

// Vose's alias table for the weights w (all >= 0, not all 0), in cells packed as in JumpTables:
// the threshold of the coin below which a cell keeps its own index, then its alias.
void appendAliasTable(const std::vector<double>& w, int coinBits, int aliasBits,
                      std::vector<std::uint64_t>& cells) {
    const std::size_t n = w.size();
    double total = 0.0;
    for (const double weight : w) {
        total += weight;
    }
    // Each cell's share of the mass times n: cells under 1 are topped up by one alias.
    std::vector<double> scaled(n);
    std::vector<std::size_t> small;
    std::vector<std::size_t> large;
    for (std::size_t i = 0; i < n; ++i) {
        scaled[i] = w[i] * static_cast<double>(n) / total;
        (scaled[i] < 1.0 ? small : large).push_back(i);
    }
    std::vector<double> keep(n, 1.0);
    std::vector<std::size_t> alias(n);
    for (std::size_t i = 0; i < n; ++i) {
        alias[i] = i;
    }
    while (!small.empty() && !large.empty()) {
        const std::size_t less = small.back();
        small.pop_back();
        const std::size_t more = large.back();
        keep[less] = scaled[less];
        alias[less] = more;
        scaled[more] = (scaled[more] + scaled[less]) - 1.0;
        if (scaled[more] < 1.0) {
            large.pop_back();
            small.push_back(more);
        }
    }
    // What is left in either list is 1 up to rounding: such a cell always keeps its own index.
    const double full = std::ldexp(1.0, coinBits);
    for (std::size_t i = 0; i < n; ++i) {
        const double threshold = std::fmin(std::fmax(std::round(keep[i] * full), 0.0), full);
        cells.push_back((static_cast<std::uint64_t>(threshold) << aliasBits) |
                        static_cast<std::uint64_t>(alias[i]));
    }
}

}  // namespace

double JumpTables::exitProbability(int radius, int offset) {
    if (radius < 1 || offset <= -radius || offset >= radius) {
        return 0.0;
    }
    return seriesSum(seriesTerms(radius), radius, offset);
}

JumpTables::JumpTables() {
    cells_.reserve(2 * static_cast<std::size_t>(kMaxRadius) - 2);
    for (int radius = 2; radius <= kMaxRadius; radius *= 2) {
        // The law of |y| on one side: y = 0 once, every other |y| for both signs.
        const std::vector<SeriesTerm> terms = seriesTerms(radius);
        std::vector<double> weights(static_cast<std::size_t>(radius));
        for (int y = 0; y < radius; ++y) {
            const double q = seriesSum(terms, radius, y);
            weights[static_cast<std::size_t>(y)] = y == 0 ? q : 2.0 * q;
        }
        appendAliasTable(weights, kCoinBits, kAliasBits, cells_);
    }
}

const JumpTables& JumpTables::shared() {
    static const JumpTables tables;
    return tables;
}

}  // namespace nurlo
