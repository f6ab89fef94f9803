#include "run_charts.hpp"

#include <QAreaSeries>
#include <QChart>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace nurlo {
namespace {

// The range of the values shown, widened a little so that nothing sits on the frame.
class Range {
public:
    void add(double value) {
        if (std::isfinite(value)) {
            low_ = std::min(low_, value);
            high_ = std::max(high_, value);
        }
    }
    void applyTo(QValueAxis* axis) const {
        if (!(low_ <= high_)) {
            axis->setRange(0.0, 1.0);
            return;
        }
        const double pad =
            high_ > low_ ? (high_ - low_) * 0.05 : std::max(std::fabs(high_), 1.0) * 0.05;
        axis->setRange(low_ - pad, high_ + pad);
    }

private:
    double low_ = std::numeric_limits<double>::infinity();
    double high_ = -std::numeric_limits<double>::infinity();
};

QLineSeries* line(QChart* chart, const QString& name, const QColor& colour, Qt::PenStyle style,
                  double width) {
    auto* series = new QLineSeries(chart);
    series->setName(name);
    series->setPen(QPen(colour, width, style));
    chart->addSeries(series);
    return series;
}

// The band between `upper` and `lower`, drawn as one shaded area.
void addBand(QChart* chart, QLineSeries* upper, QLineSeries* lower, const QString& name) {
    auto* band = new QAreaSeries(upper, lower);
    band->setName(name);
    band->setBrush(QColor(70, 130, 220, 70));
    band->setPen(QPen(QColor(70, 130, 220, 120), 0.5));
    chart->addSeries(band);
}

QChart* newChart(QChartView* view, const QString& title) {
    auto* chart = new QChart();
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing);
    return chart;
}

void attach(QChart* chart, QValueAxis* x, QValueAxis* y) {
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
}

// A flat line at `value` across [from, to], or nothing where there is no value.
QList<QPointF> flat(std::optional<double> value, double from, double to) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    return {QPointF(from, *value), QPointF(to, *value)};
}

}  // namespace

BandChart::BandChart(const QString& name, const QString& title, const QString& across,
                     const QString& up, QWidget* parent)
    : QChartView(parent) {
    setObjectName(name);
    QChart* chart = newChart(this, title);
    upper_ = new QLineSeries(this);
    lower_ = new QLineSeries(this);
    addBand(chart, upper_, lower_, QStringLiteral("± 2 errori standard"));
    estimate_ = line(chart, QStringLiteral("Stima"), QColor(20, 60, 160), Qt::SolidLine, 1.5);
    exact_ = line(chart, QStringLiteral("Esatto discreto"), QColor(200, 0, 0), Qt::DashLine, 1.5);
    function_ = line(chart, QStringLiteral("Funzione"), QColor(0, 140, 0), Qt::DotLine, 2.0);
    lineAxis_ = new QValueAxis(this);
    lineAxis_->setTitleText(across);
    valueAxis_ = new QValueAxis(this);
    valueAxis_->setTitleText(up);
    attach(chart, lineAxis_, valueAxis_);
}

ConvergenceChart::ConvergenceChart(QWidget* parent)
    : BandChart(QStringLiteral("ConvergenceChart"), QStringLiteral("Stima al crescere delle prove"),
                QStringLiteral("Prove"), QStringLiteral("Stima"), parent) {
    lineAxis_->setLabelFormat(QStringLiteral("%.0f"));
    setMinimumSize(360, 260);
}

void ConvergenceChart::show(const RunSnapshot& snapshot) {
    const std::vector<RunningPoint>& running = snapshot.running;
    QList<QPointF> estimate;
    QList<QPointF> lower;
    QList<QPointF> upper;
    Range values;
    // The band is drawn from the second walk on: one walk has no standard error yet.
    const std::size_t first = running.size() > 1 ? 1 : 0;
    const std::size_t stride = std::max<std::size_t>(
        1, (running.size() - first + kMostChartPoints - 1) / kMostChartPoints);
    for (std::size_t k = first; k < running.size(); k += stride) {
        const RunningPoint& point = running[k];
        const auto walks = static_cast<double>(point.walks);
        estimate << QPointF(walks, point.mean);
        lower << QPointF(walks, point.lower());
        upper << QPointF(walks, point.upper());
        values.add(point.lower());
        values.add(point.upper());
    }
    if (!running.empty() && (running.size() - 1 - first) % stride != 0) {
        const RunningPoint& last = running.back();
        estimate << QPointF(static_cast<double>(last.walks), last.mean);
        lower << QPointF(static_cast<double>(last.walks), last.lower());
        upper << QPointF(static_cast<double>(last.walks), last.upper());
    }
    const double most = running.empty() ? 1.0 : static_cast<double>(running.back().walks);
    std::optional<double> exact;
    std::optional<double> function;
    if (snapshot.plan && !snapshot.plan->nodes.empty()) {
        exact = snapshot.exactAt(snapshot.plan->nodes.front());
        function = snapshot.functionAt(snapshot.plan->nodes.front());
    }
    values.add(exact.value_or(std::nan("")));
    values.add(function.value_or(std::nan("")));
    estimate_->replace(estimate);
    lower_->replace(lower);
    upper_->replace(upper);
    exact_->replace(flat(exact, 1.0, std::max(2.0, most)));
    function_->replace(flat(function, 1.0, std::max(2.0, most)));
    function_->setVisible(function.has_value());
    lineAxis_->setRange(1.0, std::max(2.0, most));
    values.applyTo(valueAxis_);
}

SectionChart::SectionChart(QWidget* parent)
    : BandChart(QStringLiteral("SectionChart"), QStringLiteral("Stime lungo la sezione"),
                QStringLiteral("Ascissa di partenza"), QStringLiteral("Vincita"), parent) {
    estimate_->setPointsVisible(true);
    setMinimumSize(420, 300);
}

void SectionChart::show(const RunSnapshot& snapshot) {
    const std::vector<SectionRow> rows = sectionRows(snapshot);
    const bool alongX =
        !snapshot.plan || !snapshot.plan->axis || *snapshot.plan->axis == SectionAxis::X;
    lineAxis_->setTitleText(alongX ? QStringLiteral("Ascissa di partenza")
                                   : QStringLiteral("Ordinata di partenza"));
    // A node's place on the line: its index times the step along the line.
    double step = 1.0;
    if (snapshot.plan) {
        const double length = alongX ? snapshot.plan->problem.lx : snapshot.plan->problem.ly;
        const int count =
            alongX ? snapshot.plan->problem.domain.nx() : snapshot.plan->problem.domain.ny();
        if (count > 0 && std::isfinite(length / count)) {
            step = length / count;
        }
    }
    const std::size_t stride =
        std::max<std::size_t>(1, (rows.size() + kMostChartPoints - 1) / kMostChartPoints);
    QList<QPointF> estimate;
    QList<QPointF> lower;
    QList<QPointF> upper;
    QList<QPointF> exact;
    QList<QPointF> function;
    Range places;
    Range values;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const SectionRow& row = rows[k];
        const double place = row.index * step;
        // Every node counts in the axes' ranges; only every stride-th (and the last) is drawn.
        const bool drawn = k % stride == 0 || k + 1 == rows.size();
        places.add(place);
        if (row.exact) {
            if (drawn) {
                exact << QPointF(place, *row.exact);
            }
            values.add(*row.exact);
        }
        if (row.function) {
            if (drawn) {
                function << QPointF(place, *row.function);
            }
            values.add(*row.function);
        }
        if (row.estimate && drawn) {
            const double se = row.estimate->standardError;
            estimate << QPointF(place, row.estimate->value);
            lower << QPointF(place, row.estimate->value - 2.0 * se);
            upper << QPointF(place, row.estimate->value + 2.0 * se);
            values.add(row.estimate->value - 2.0 * se);
            values.add(row.estimate->value + 2.0 * se);
        }
    }
    estimate_->setPointsVisible(estimate.size() <= 200);
    estimate_->replace(estimate);
    lower_->replace(lower);
    upper_->replace(upper);
    exact_->replace(exact);
    function_->replace(function);
    function_->setVisible(!function.isEmpty());
    places.applyTo(lineAxis_);
    values.applyTo(valueAxis_);
}

}  // namespace nurlo
