// The two charts of the view: the running estimate of a point click against the number of walks,
// and the estimates along a section's line, each with its band of two standard errors, the exact
// discrete solution and, for a harmonic datum, the function's own value.
//
// The value axes, and the section's line, read in round numbers that fit the data however small
// or large (axis_ticks.hpp): each value is plotted divided by the axis's unit, and the ticks are
// labelled with the true values. The exact line is drawn over the function's, so that both show
// where they coincide.
#pragma once

#include <QCategoryAxis>
#include <QChartView>
#include <QLineSeries>
#include <QLogValueAxis>

#include "axis_ticks.hpp"
#include "run_data.hpp"

namespace nurlo {

// At most about this many points reach a chart's series: more would cost drawing time and show
// nothing more on a screen.
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
    // The value axis, and the scale it was last given (its unit and round ticks).
    QCategoryAxis* valueAxis() const { return valueAxis_; }
    const AxisScale& valueScale() const { return valueScale_; }

protected:
    // A chart named `name`, titled `title`, with the value axis captioned `up`; `envelope` adds
    // the two lines of an envelope of the band.
    BandChart(const QString& name, const QString& title, const QString& up, bool envelope,
              QWidget* parent);

    // Puts `scale` on `axis`: its ends, and its ticks with their labels.
    static void applyScale(QCategoryAxis* axis, const AxisScale& scale);
    // Attaches every series to `axis`, and to the value axis.
    void attachAll(QAbstractAxis* axis);

    QLineSeries* estimate_;
    QLineSeries* lower_;
    QLineSeries* upper_;
    QLineSeries* envelopeLower_ = nullptr;
    QLineSeries* envelopeUpper_ = nullptr;
    QLineSeries* function_;
    QLineSeries* exact_;
    QCategoryAxis* valueAxis_;
    AxisScale valueScale_;
};

// The running estimate of a point click against the number of walks, on a logarithmic walk axis
// unless asked otherwise; with the envelope mean ± 2 s / sqrt(N) of the latest mean and spread s,
// the shape that the band narrows along.
class ConvergenceChart : public BandChart {
    Q_OBJECT

public:
    explicit ConvergenceChart(QWidget* parent = nullptr);
    void show(const RunSnapshot& snapshot);

    // The walk axis: logarithmic (the default) or linear.
    void setLogarithmic(bool logarithmic);
    bool logarithmic() const { return logarithmic_; }
    QAbstractAxis* walkAxis() const;
    QLineSeries* envelopeLowerSeries() const { return envelopeLower_; }
    QLineSeries* envelopeUpperSeries() const { return envelopeUpper_; }

private:
    void showWalkAxis();

    QLogValueAxis* logAxis_;
    QCategoryAxis* linearAxis_;
    bool logarithmic_ = true;
    double mostWalks_ = 1.0;
};

// The estimates along a section's line, node by node.
class SectionChart : public BandChart {
    Q_OBJECT

public:
    explicit SectionChart(QWidget* parent = nullptr);
    void show(const RunSnapshot& snapshot);
    QCategoryAxis* lineAxis() const { return lineAxis_; }

private:
    QCategoryAxis* lineAxis_;
};

}  // namespace nurlo
