#include "run_charts.hpp"

#include <QAreaSeries>
#include <QChart>
#include <QLegendMarker>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace nurlo {
namespace {

// The range of the values shown.
class Range {
public:
    void add(double value) {
        if (std::isfinite(value)) {
            low_ = std::min(low_, value);
            high_ = std::max(high_, value);
        }
    }
    bool empty() const { return !(low_ <= high_); }
    // The round scale of the values; 0 to 1 without any.
    AxisScale scale(bool padded = true) const {
        return empty() ? roundScale(0.0, 1.0, padded) : roundScale(low_, high_, padded);
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

// A flat line at `value` across [from, to], or nothing where there is no value.
QList<QPointF> flat(std::optional<double> value, double from, double to) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    return {QPointF(from, *value), QPointF(to, *value)};
}

// The points of `points` divided by the unit of `scale` along the values.
QList<QPointF> inUnits(QList<QPointF> points, const AxisScale& scale) {
    for (QPointF& point : points) {
        point.setY(scale.toAxis(point.y()));
    }
    return points;
}

// Keeps only the finite points: a value beyond the doubles draws nothing.
QList<QPointF> finite(QList<QPointF> points) {
    points.removeIf(
        [](const QPointF& p) { return !std::isfinite(p.x()) || !std::isfinite(p.y()); });
    return points;
}

}  // namespace

BandChart::BandChart(const QString& name, const QString& title, const QString& up, bool envelope,
                     QWidget* parent)
    : QChartView(parent) {
    setObjectName(name);
    QChart* chart = newChart(this, title);
    upper_ = new QLineSeries(this);
    lower_ = new QLineSeries(this);
    addBand(chart, upper_, lower_, QStringLiteral("± 2 errori standard"));
    if (envelope) {
        envelopeUpper_ =
            line(chart, QStringLiteral("± 2 σ/√N"), QColor(90, 90, 90), Qt::DashLine, 1.0);
        envelopeLower_ = line(chart, QString(), QColor(90, 90, 90), Qt::DashLine, 1.0);
    }
    estimate_ = line(chart, QStringLiteral("Stima"), QColor(20, 60, 160), Qt::SolidLine, 1.5);
    // The function under the exact line, wider: where they coincide both show.
    function_ = line(chart, QStringLiteral("Funzione"), QColor(0, 170, 0), Qt::SolidLine, 4.0);
    exact_ = line(chart, QStringLiteral("Esatto discreto"), QColor(200, 0, 0), Qt::DashLine, 1.5);
    if (envelopeLower_ != nullptr) {
        // One entry in the legend for the two lines.
        const QList<QLegendMarker*> markers = chart->legend()->markers(envelopeLower_);
        for (QLegendMarker* marker : markers) {
            marker->setVisible(false);
        }
    }
    valueAxis_ = new QCategoryAxis(this);
    valueAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    valueAxis_->setTitleText(up);
    chart->addAxis(valueAxis_, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(valueAxis_);
    }
}

void BandChart::applyScale(QCategoryAxis* axis, const AxisScale& scale) {
    const QStringList now = axis->categoriesLabels();
    QStringList labels;
    for (const std::string& label : scale.labels) {
        labels << QString::fromStdString(label);
    }
    if (now != labels || axis->min() != scale.low || axis->max() != scale.high) {
        for (const QString& label : now) {
            axis->remove(label);
        }
        // The first tick is the start of the axis: its label stands at the start value.
        axis->setStartValue(scale.low);
        for (std::size_t k = 0; k < scale.ticks.size(); ++k) {
            axis->append(labels[static_cast<qsizetype>(k)], scale.ticks[k]);
        }
        axis->setRange(scale.low, scale.high);
    }
}

void BandChart::attachAll(QAbstractAxis* axis) {
    for (QAbstractSeries* series : chart()->series()) {
        series->attachAxis(axis);
    }
}

ConvergenceChart::ConvergenceChart(QWidget* parent)
    : BandChart(QStringLiteral("ConvergenceChart"), QStringLiteral("Stima al crescere delle prove"),
                QStringLiteral("Stima"), true, parent) {
    logAxis_ = new QLogValueAxis(this);
    logAxis_->setBase(10.0);
    logAxis_->setLabelFormat(QStringLiteral("%g"));
    logAxis_->setMinorTickCount(8);
    logAxis_->setTitleText(QStringLiteral("Prove (scala logaritmica)"));
    linearAxis_ = new QCategoryAxis(this);
    linearAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    linearAxis_->setTitleText(QStringLiteral("Prove"));
    chart()->addAxis(logAxis_, Qt::AlignBottom);
    attachAll(logAxis_);
    showWalkAxis();
    setMinimumSize(360, 260);
}

QAbstractAxis* ConvergenceChart::walkAxis() const {
    return logarithmic_ ? static_cast<QAbstractAxis*>(logAxis_) : linearAxis_;
}

void ConvergenceChart::setLogarithmic(bool logarithmic) {
    if (logarithmic == logarithmic_) {
        return;
    }
    QAbstractAxis* old = walkAxis();
    logarithmic_ = logarithmic;
    chart()->removeAxis(old);
    chart()->addAxis(walkAxis(), Qt::AlignBottom);
    attachAll(walkAxis());
    showWalkAxis();
}

void ConvergenceChart::showWalkAxis() {
    if (logarithmic_) {
        // From 1 to the power of ten at or above the walks: the labels are powers of ten.
        logAxis_->setRange(1.0, std::pow(10.0, std::max(1.0, std::ceil(std::log10(mostWalks_)))));
    } else {
        applyScale(linearAxis_, roundScale(0.0, std::max(2.0, mostWalks_), false));
    }
}

void ConvergenceChart::show(const RunSnapshot& snapshot) {
    const std::vector<RunningPoint>& running = snapshot.running;
    std::optional<double> exact;
    std::optional<double> function;
    if (snapshot.plan && !snapshot.plan->nodes.empty()) {
        exact = snapshot.exactAt(snapshot.plan->nodes.front());
        function = snapshot.functionAt(snapshot.plan->nodes.front());
    }
    // The envelope: the latest mean, and the spread of the values that the latest standard error
    // stands for.
    double centre = 0.0;
    double spread = std::nan("");
    if (!running.empty()) {
        centre = running.back().mean;
        spread =
            running.back().standardError * std::sqrt(static_cast<double>(running.back().walks));
    }
    // The band is drawn from the second walk on: one walk has no standard error yet. Every walk at
    // first, then more sparsely: as densely on a logarithmic axis as on a linear one.
    const std::size_t first = running.size() > 1 ? 1 : 0;
    const std::size_t stride =
        std::max<std::size_t>(1, (running.size() + kMostChartPoints - 1) / kMostChartPoints);
    std::vector<std::size_t> drawn;
    for (std::size_t k = first; k < running.size();
         k += std::clamp<std::size_t>(k / 128, 1, stride)) {
        drawn.push_back(k);
    }
    if (!running.empty() && drawn.back() != running.size() - 1) {
        drawn.push_back(running.size() - 1);
    }
    Range values;
    for (const std::size_t k : drawn) {
        values.add(running[k].mean);
        values.add(running[k].mean - 2.0 * running[k].standardError);
        values.add(running[k].mean + 2.0 * running[k].standardError);
    }
    values.add(exact.value_or(std::nan("")));
    values.add(function.value_or(std::nan("")));
    valueScale_ = values.scale();
    const AxisScale& scale = valueScale_;
    QList<QPointF> estimate;
    QList<QPointF> lower;
    QList<QPointF> upper;
    QList<QPointF> envelopeLower;
    QList<QPointF> envelopeUpper;
    const double centreUnits = scale.toAxis(centre);
    const double spreadUnits = scale.toAxis(spread);
    for (const std::size_t k : drawn) {
        const RunningPoint& point = running[k];
        const auto walks = static_cast<double>(point.walks);
        // In units before the band is added: a mean near the largest double keeps a finite band.
        const double mean = scale.toAxis(point.mean);
        const double error = scale.toAxis(point.standardError);
        estimate << QPointF(walks, mean);
        if (std::isfinite(error)) {
            lower << QPointF(walks, mean - 2.0 * error);
            upper << QPointF(walks, mean + 2.0 * error);
        }
        if (std::isfinite(spreadUnits) && point.walks > 1) {
            const double half = 2.0 * spreadUnits / std::sqrt(walks);
            envelopeLower << QPointF(walks, centreUnits - half);
            envelopeUpper << QPointF(walks, centreUnits + half);
        }
    }
    mostWalks_ = running.empty() ? 1.0 : static_cast<double>(running.back().walks);
    const double most = std::max(2.0, mostWalks_);
    estimate_->replace(finite(estimate));
    lower_->replace(finite(lower));
    upper_->replace(finite(upper));
    envelopeLower_->replace(finite(envelopeLower));
    envelopeUpper_->replace(finite(envelopeUpper));
    exact_->replace(inUnits(flat(exact, 1.0, most), scale));
    function_->replace(inUnits(flat(function, 1.0, most), scale));
    function_->setVisible(function.has_value());
    showWalkAxis();
    applyScale(valueAxis_, scale);
}

SectionChart::SectionChart(QWidget* parent)
    : BandChart(QStringLiteral("SectionChart"), QStringLiteral("Stime lungo la sezione"),
                QStringLiteral("Vincita"), false, parent) {
    lineAxis_ = new QCategoryAxis(this);
    lineAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    lineAxis_->setTitleText(QStringLiteral("Ascissa di partenza"));
    chart()->addAxis(lineAxis_, Qt::AlignBottom);
    attachAll(lineAxis_);
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
        if (count > 0 && std::isfinite(length / count) && length / count > 0.0) {
            step = length / count;
        }
    }
    const std::size_t stride =
        std::max<std::size_t>(1, (rows.size() + kMostChartPoints - 1) / kMostChartPoints);
    // Every node counts in the axes' ranges; only every stride-th (and the last) is drawn.
    Range places;
    Range values;
    for (const SectionRow& row : rows) {
        places.add(row.index * step);
        values.add(row.exact.value_or(std::nan("")));
        values.add(row.function.value_or(std::nan("")));
        if (row.estimate) {
            values.add(row.estimate->value - 2.0 * row.estimate->standardError);
            values.add(row.estimate->value + 2.0 * row.estimate->standardError);
        }
    }
    const AxisScale across = places.scale(false);  // the line from end to end
    valueScale_ = values.scale();
    const AxisScale& up = valueScale_;
    QList<QPointF> estimate;
    QList<QPointF> lower;
    QList<QPointF> upper;
    QList<QPointF> exact;
    QList<QPointF> function;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (k % stride != 0 && k + 1 != rows.size()) {
            continue;
        }
        const SectionRow& row = rows[k];
        const double place = across.toAxis(row.index * step);
        if (row.exact) {
            exact << QPointF(place, up.toAxis(*row.exact));
        }
        if (row.function) {
            function << QPointF(place, up.toAxis(*row.function));
        }
        if (row.estimate) {
            const double value = up.toAxis(row.estimate->value);
            const double error = up.toAxis(row.estimate->standardError);
            estimate << QPointF(place, value);
            lower << QPointF(place, value - 2.0 * error);
            upper << QPointF(place, value + 2.0 * error);
        }
    }
    estimate_->setPointsVisible(estimate.size() <= 200);
    estimate_->replace(finite(estimate));
    lower_->replace(finite(lower));
    upper_->replace(finite(upper));
    exact_->replace(finite(exact));
    function_->replace(finite(function));
    function_->setVisible(!function.isEmpty());
    applyScale(lineAxis_, across);
    applyScale(valueAxis_, up);
}

}  // namespace nurlo
