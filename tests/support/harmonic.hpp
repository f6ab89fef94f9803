// An independent reference for the estimator: the discrete harmonic function on a grid domain.
//
// Solves "every free node equals the mean of its four neighbours" by successive over-relaxation
// until no node moves by more than 1e-13, with the nodes that stop a walk held at the grid's
// values. It knows nothing of walks: which nodes are fixed is given by a predicate.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

namespace nurlo::test {

class HarmonicSolution {
public:
    // `fixed(i, j)` tells the border nodes; `value(i, j)` their values.
    HarmonicSolution(int nx, int ny, const std::function<bool(int, int)>& fixed,
                     const std::function<double(int, int)>& value)
        : nx_(nx), ny_(ny), u_(static_cast<std::size_t>((nx + 1) * (ny + 1)), 0.0) {
        std::vector<bool> isFixed(u_.size());
        for (int i = 0; i <= nx; ++i) {
            for (int j = 0; j <= ny; ++j) {
                isFixed[index(i, j)] = fixed(i, j);
                if (isFixed[index(i, j)]) {
                    u_[index(i, j)] = value(i, j);
                }
            }
        }
        const double omega = 2.0 / (1.0 + std::sin(3.141592653589793 / (nx > ny ? nx : ny)));
        for (int sweep = 0; sweep < 100000; ++sweep) {
            double largest = 0.0;
            for (int i = 1; i < nx; ++i) {
                for (int j = 1; j < ny; ++j) {
                    if (isFixed[index(i, j)]) {
                        continue;
                    }
                    const double mean =
                        0.25 * (at(i - 1, j) + at(i + 1, j) + at(i, j - 1) + at(i, j + 1));
                    const double change = omega * (mean - at(i, j));
                    u_[index(i, j)] += change;
                    largest = std::fmax(largest, std::fabs(change));
                }
            }
            if (largest < 1e-13) {
                break;
            }
        }
    }

    double at(int i, int j) const { return u_[index(i, j)]; }

private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i * (ny_ + 1) + j); }

    int nx_;
    int ny_;
    std::vector<double> u_;
};

}  // namespace nurlo::test
