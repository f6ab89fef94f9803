#include "field_maps.hpp"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "domain_picture.hpp"

namespace nurlo {
namespace {

constexpr int kMargin = 10;
constexpr int kTitleHeight = 20;
constexpr int kScaleHeight = 34;  // the colour bar and its numbers under a map
constexpr double kZRange = 4.0;

QString number(double value) { return QString::number(value, 'g', 4); }

}  // namespace

QColor zColour(double z) {
    if (!std::isfinite(z)) {
        return QColor(150, 150, 150);
    }
    const double t = std::clamp(z / kZRange, -1.0, 1.0);
    const QColor end = t < 0.0 ? QColor(33, 102, 172) : QColor(178, 24, 43);
    const double f = std::fabs(t);
    return QColor::fromRgbF(static_cast<float>(1.0 + (end.redF() - 1.0) * f),
                            static_cast<float>(1.0 + (end.greenF() - 1.0) * f),
                            static_cast<float>(1.0 + (end.blueF() - 1.0) * f));
}

FieldMaps::FieldMaps(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FieldMaps"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void FieldMaps::placeNodes() {
    const FieldLattice& lattice = *latticeOf_;
    const auto columns = static_cast<int>(lattice.columns.size());
    const auto rows = static_cast<int>(lattice.rows.size());
    pixelColumn_.clear();
    pixelRow_.clear();
    for (const Node node : lattice.nodes) {
        const auto c = std::lower_bound(lattice.columns.begin(), lattice.columns.end(), node.x) -
                       lattice.columns.begin();
        const auto r = std::lower_bound(lattice.rows.begin(), lattice.rows.end(), node.y) -
                       lattice.rows.begin();
        pixelColumn_.push_back(static_cast<int>(c));
        pixelRow_.push_back(rows - 1 - static_cast<int>(r));  // the image's rows run downwards
    }
    for (QImage& map : maps_) {
        map = QImage(std::max(columns, 1), std::max(rows, 1), QImage::Format_ARGB32);
        map.fill(Qt::transparent);
    }
    // The exact map whole, and the colour scale of the values: the exact values' range.
    const std::vector<double>& exact = *data_.exact;
    bool any = false;
    for (const double value : exact) {
        if (std::isfinite(value)) {
            low_ = any ? std::min(low_, value) : value;
            high_ = any ? std::max(high_, value) : value;
            any = true;
        }
    }
    const double span = high_ > low_ ? high_ - low_ : 1.0;
    for (std::size_t k = 0; k < exact.size() && k < pixelColumn_.size(); ++k) {
        maps_[1].setPixelColor(pixelColumn_[k], pixelRow_[k],
                               solutionColour((exact[k] - low_) / span));
    }
}

void FieldMaps::show(const FieldSnapshot& snapshot) {
    const FieldLattice* lattice = snapshot.lattice.get();
    const bool fresh = lattice != latticeOf_ || snapshot.values.size() < painted_;
    data_ = snapshot;
    if (fresh) {
        latticeOf_ = lattice;
        painted_ = 0;
        binned_ = 0;
        bins_.fill(0);
        low_ = 0.0;
        high_ = 0.0;
        pixelColumn_.clear();
        pixelRow_.clear();
        for (QImage& map : maps_) {
            map = QImage();
        }
        if (latticeOf_ != nullptr && data_.exact) {
            placeNodes();
        }
    }
    if (latticeOf_ != nullptr) {
        const double span = high_ > low_ ? high_ - low_ : 1.0;
        for (; painted_ < data_.values.size() && painted_ < pixelColumn_.size(); ++painted_) {
            const FieldValue& value = data_.values[painted_];
            const int column = pixelColumn_[painted_];
            const int row = pixelRow_[painted_];
            maps_[0].setPixelColor(column, row,
                                   solutionColour((value.estimate.value - low_) / span));
            maps_[2].setPixelColor(column, row, zColour(value.z));
            if (std::isfinite(value.z)) {
                const double place = value.z / kBinWidth + kBins / 2.0;
                const int bin = static_cast<int>(std::clamp(std::floor(place), 0.0, kBins - 1.0));
                ++bins_[static_cast<std::size_t>(bin)];
                ++binned_;
            }
        }
    }
    update();
}

QRectF FieldMaps::panel(int index) const {
    const double width = (this->width() - 5.0 * kMargin) / 4.0;
    return {kMargin + index * (width + kMargin), static_cast<double>(kMargin), width,
            height() - 2.0 * kMargin};
}

QRectF FieldMaps::mapRect(int index) const {
    const QRectF room = panel(index).adjusted(0, kTitleHeight, 0, -kScaleHeight);
    // The maps stand in the middle of their room, each scale right under its map.
    double lx = data_.plan.problem.lx;
    double ly = data_.plan.problem.ly;
    if (!(std::isfinite(lx) && std::isfinite(ly) && lx > 0.0 && ly > 0.0)) {
        lx = 1.0;
        ly = 1.0;
    }
    const double scale = std::min(room.width() / lx, room.height() / ly);
    const double w = std::max(10.0, lx * scale);
    const double h = std::max(10.0, ly * scale);
    return {room.left() + (room.width() - w) / 2.0, room.top() + (room.height() - h) / 2.0, w, h};
}

QRectF FieldMaps::histogramRect() const {
    // As high as the maps, beside them.
    const QRectF map = mapRect(0);
    const QRectF room = panel(3);
    return {room.left() + 6, map.top(), room.width() - 12, map.height()};
}

void FieldMaps::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!data_.active) {
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("Nessun campo intero: premi «Campo intero»."));
        return;
    }
    paintMap(painter, 0, QStringLiteral("Stima"));
    paintMap(painter, 1, QStringLiteral("Esatto discreto"));
    paintMap(painter, 2, QStringLiteral("z (errori standard)"));
    paintHistogram(painter);
}

void FieldMaps::paintMap(QPainter& painter, int index, const QString& title) {
    const QRectF grid = mapRect(index);
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(panel(index).left(), panel(index).top(), panel(index).width(), kTitleHeight),
        Qt::AlignCenter, title);
    const WalkDomain& domain = data_.plan.problem.domain;
    const double nx = std::max<int>(1, domain.nx());
    const double ny = std::max<int>(1, domain.ny());
    const auto x = [&](double i) { return grid.left() + grid.width() * i / nx; };
    const auto y = [&](double j) { return grid.bottom() - grid.height() * j / ny; };
    painter.fillRect(grid, QColor(240, 240, 240));
    if (latticeOf_ != nullptr && !maps_[static_cast<std::size_t>(index)].isNull()) {
        // The image spans the cells of its nodes: half a step beyond the first and last.
        const std::vector<int>& columns = latticeOf_->columns;
        const std::vector<int>& rows = latticeOf_->rows;
        const auto halfStep = [](const std::vector<int>& indexes) {
            return indexes.size() < 2 ? 0.5
                                      : (indexes.back() - indexes.front()) /
                                            (2.0 * static_cast<double>(indexes.size() - 1));
        };
        if (!columns.empty() && !rows.empty()) {
            const double hx = halfStep(columns);
            const double hy = halfStep(rows);
            const QRectF target(QPointF(x(columns.front() - hx), y(rows.back() + hy)),
                                QPointF(x(columns.back() + hx), y(rows.front() - hy)));
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(target, maps_[static_cast<std::size_t>(index)]);
        }
    }
    // The border, and the L's two segments.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(grid);
    if (domain.a() < domain.nx() && domain.b() < domain.ny()) {
        const double a = std::max(0, domain.a());
        const double b = std::max(0, domain.b());
        QPainterPath segments;
        if (domain.a() >= 0) {
            segments.moveTo(x(a), y(ny));
            segments.lineTo(x(a), y(b));
        } else {
            segments.moveTo(x(0), y(b));
        }
        if (domain.b() >= 0) {
            segments.lineTo(x(nx), y(b));
        }
        painter.drawPath(segments);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The colour scale under the map.
    const QRectF bar(grid.left(), grid.bottom() + 8, grid.width(), 10);
    const int steps = std::max(2, static_cast<int>(bar.width()));
    for (int k = 0; k < steps; ++k) {
        const double t = static_cast<double>(k) / (steps - 1);
        painter.fillRect(QRectF(bar.left() + bar.width() * k / steps, bar.top(),
                                bar.width() / steps + 1.0, bar.height()),
                         index == 2 ? zColour((2.0 * t - 1.0) * kZRange) : solutionColour(t));
    }
    painter.setPen(Qt::black);
    const QRectF labels(bar.left(), bar.bottom() + 1, bar.width(), 14);
    if (index == 2) {
        painter.drawText(labels, Qt::AlignLeft, QStringLiteral("−4"));
        painter.drawText(labels, Qt::AlignHCenter, QStringLiteral("0"));
        painter.drawText(labels, Qt::AlignRight, QStringLiteral("+4"));
    } else if (data_.exact) {
        painter.drawText(labels, Qt::AlignLeft, number(low_));
        painter.drawText(labels, Qt::AlignRight, number(high_));
    }
}

void FieldMaps::paintHistogram(QPainter& painter) {
    const QRectF box = histogramRect();
    painter.setPen(Qt::black);
    painter.drawText(QRectF(panel(3).left(), panel(3).top(), panel(3).width(), kTitleHeight),
                     Qt::AlignCenter, QStringLiteral("Istogramma di z"));
    const double half = kBins * kBinWidth / 2.0;
    const auto x = [&](double z) { return box.left() + box.width() * (z + half) / (2.0 * half); };
    // The densities: the bars' count / (n width), and the normal's top 1/sqrt(2 pi).
    const double peak = 1.0 / std::sqrt(2.0 * std::numbers::pi);
    double top = peak;
    for (const int count : bins_) {
        if (binned_ > 0) {
            top = std::max(top, count / (binned_ * kBinWidth));
        }
    }
    top *= 1.1;
    const auto y = [&](double density) { return box.bottom() - box.height() * density / top; };
    if (binned_ > 0) {
        for (int k = 0; k < kBins; ++k) {
            const double density = bins_[static_cast<std::size_t>(k)] / (binned_ * kBinWidth);
            const double z0 = -half + k * kBinWidth;
            painter.fillRect(QRectF(QPointF(x(z0), y(density)), QPointF(x(z0 + kBinWidth), y(0))),
                             zColour(z0 + kBinWidth / 2.0).darker(115));
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath normal;
    for (int k = 0; k <= 200; ++k) {
        const double z = -half + 2.0 * half * k / 200.0;
        const QPointF point(x(z), y(peak * std::exp(-z * z / 2.0)));
        if (k == 0) {
            normal.moveTo(point);
        } else {
            normal.lineTo(point);
        }
    }
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawPath(normal);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.bottom()));
    for (int z = -4; z <= 4; z += 2) {
        painter.drawLine(QPointF(x(z), box.bottom()), QPointF(x(z), box.bottom() + 4));
        painter.drawText(QRectF(x(z) - 15, box.bottom() + 5, 30, 14), Qt::AlignHCenter,
                         QString::number(z));
    }
    painter.drawText(QRectF(box.left(), box.top(), box.width(), 16), Qt::AlignRight,
                     QStringLiteral("normale standard"));
}

}  // namespace nurlo
