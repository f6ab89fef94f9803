// The two charts of the view: the running estimate of a point click against the number of walks,
// and the estimates along a section's line, each with its band of two standard errors, the exact
// discrete solution and, for a harmonic datum, the function's own value.
#pragma once

#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

#include "run_data.hpp"

namespace nurlo {

// At most this many points reach a chart's series: more would cost drawing time and show nothing
// more on a screen.
inline constexpr std::size_t kMostChartPoints = 1500;

// A chart of estimates with their band of two standard errors, the exact discrete solution and
// the function: the series and axes both charts share, built the same way.
class BandChart : public QChartView {
    Q_OBJECT

public:
    QLineSeries* estimateSeries() const { return estimate_; }
    QLineSeries* exactSeries() const { return exact_; }
    QLineSeries* functionSeries() const { return function_; }
    QLineSeries* lowerSeries() const { return lower_; }
    QLineSeries* upperSeries() const { return upper_; }
    QValueAxis* lineAxis() const { return lineAxis_; }
    QValueAxis* valueAxis() const { return valueAxis_; }

protected:
    // A chart named `name`, titled `title`, with the axes captioned `across` and `up`.
    BandChart(const QString& name, const QString& title, const QString& across, const QString& up,
              QWidget* parent);

    QLineSeries* estimate_;
    QLineSeries* lower_;
    QLineSeries* upper_;
    QLineSeries* exact_;
    QLineSeries* function_;
    QValueAxis* lineAxis_;
    QValueAxis* valueAxis_;
};

// The running estimate of a point click against the number of walks.
class ConvergenceChart : public BandChart {
    Q_OBJECT

public:
    explicit ConvergenceChart(QWidget* parent = nullptr);
    void show(const RunSnapshot& snapshot);
};

// The estimates along a section's line, node by node.
class SectionChart : public BandChart {
    Q_OBJECT

public:
    explicit SectionChart(QWidget* parent = nullptr);
    void show(const RunSnapshot& snapshot);
};

}  // namespace nurlo
