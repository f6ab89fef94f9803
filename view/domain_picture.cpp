#include "domain_picture.hpp"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

namespace nurlo {
namespace {

constexpr int kMargin = 12;
constexpr int kScalesWidth = 150;   // the two colour scales at the right
constexpr int kNotesHeight = 44;    // the lines of notes under the grid
constexpr double kCountMark = 5.0;  // the side of a node's end-count mark, in pixels

QColor between(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

template <std::size_t N>
QColor onMap(const std::array<QColor, N>& stops, double t) {
    if (!std::isfinite(t)) {
        return QColor(128, 128, 128);
    }
    const double place = std::clamp(t, 0.0, 1.0) * static_cast<double>(N - 1);
    const auto low = std::min(static_cast<std::size_t>(place), N - 2);
    return between(stops[low], stops[low + 1], place - static_cast<double>(low));
}

// The walks' colours, one for each traced walk.
const std::array<QColor, 3> kWalkColours = {QColor(0, 0, 0), QColor(200, 0, 160),
                                            QColor(230, 90, 0)};

QString number(double value) { return QString::number(value, 'g', 4); }

}  // namespace

bool beyondCorner(const WalkDomain& domain, Node node) {
    return node.x > domain.a() && node.y > domain.b();
}

bool sameSide(const WalkDomain& domain, std::optional<Node> start, Node node) {
    const bool startBeyond = start.has_value() && beyondCorner(domain, *start);
    // The two segments bound both parts.
    const bool onSegment = (node.x == domain.a() && node.y >= domain.b()) ||
                           (node.y == domain.b() && node.x >= domain.a());
    return beyondCorner(domain, node) == startBeyond || onSegment;
}

double colourPlace(double value, double low, double high) {
    // Halved first: the span of values near the largest doubles would overflow.
    const double span = high / 2.0 - low / 2.0;
    if (!(span > 0.0)) {
        return 0.5;
    }
    return (value / 2.0 - low / 2.0) / span;
}

QColor solutionColour(double t) {
    static const std::array<QColor, 5> kStops = {QColor(68, 1, 84), QColor(59, 82, 139),
                                                 QColor(33, 145, 140), QColor(94, 201, 98),
                                                 QColor(253, 231, 37)};
    return onMap(kStops, t);
}

QColor countColour(double t) {
    static const std::array<QColor, 3> kStops = {QColor(255, 245, 170), QColor(240, 120, 40),
                                                 QColor(150, 0, 20)};
    return onMap(kStops, t);
}

DomainPicture::DomainPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DomainPicture"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void DomainPicture::show(const RunSnapshot& snapshot) {
    if (snapshot.exact.get() != solutionOf_ ||
        !(snapshot.plan && data_.plan && snapshot.plan->nodes == data_.plan->nodes)) {
        solution_ = QImage();
        solutionOf_ = snapshot.exact.get();
        low_ = 0.0;
        high_ = 0.0;
        if (solutionOf_ != nullptr && snapshot.plan) {
            // The colours span the values of the start's part of the domain; the other part, walled
            // off from it and hatched over, does not count.
            const ExactField& exact = *solutionOf_;
            const WalkDomain& domain = snapshot.plan->problem.domain;
            const std::optional<Node> start = snapshot.plan->nodes.empty()
                                                  ? std::nullopt
                                                  : std::optional(snapshot.plan->nodes.front());
            bool any = false;
            for (std::size_t c = 0; c < exact.columns.size(); ++c) {
                for (std::size_t r = 0; r < exact.rows.size(); ++r) {
                    const Node node{static_cast<Int16>(exact.columns[c]),
                                    static_cast<Int16>(exact.rows[r])};
                    const double value = exact.values[c * exact.rows.size() + r];
                    if (sameSide(domain, start, node) && std::isfinite(value)) {
                        low_ = any ? std::min(low_, value) : value;
                        high_ = any ? std::max(high_, value) : value;
                        any = true;
                    }
                }
            }
        }
    }
    data_ = snapshot;
    countsHigh_ = 0;  // the painting of the ends sets it, as they are binned to pixels
    update();
}

QRectF DomainPicture::gridRect() const {
    const QRectF room(kMargin, kMargin, std::max(10, width() - 2 * kMargin - kScalesWidth),
                      std::max(10, height() - 2 * kMargin - kNotesHeight));
    double lx = 1.0;
    double ly = 1.0;
    if (data_.plan && std::isfinite(data_.plan->problem.lx) &&
        std::isfinite(data_.plan->problem.ly) && data_.plan->problem.lx > 0.0 &&
        data_.plan->problem.ly > 0.0) {
        lx = data_.plan->problem.lx;
        ly = data_.plan->problem.ly;
    }
    const double scale = std::min(room.width() / lx, room.height() / ly);
    const double w = std::max(10.0, lx * scale);
    const double h = std::max(10.0, ly * scale);
    return {room.left() + (room.width() - w) / 2.0, room.top() + (room.height() - h) / 2.0, w, h};
}

QPointF DomainPicture::nodePoint(Node node) const {
    const QRectF grid = gridRect();
    const double nx = data_.plan ? std::max<int>(1, data_.plan->problem.domain.nx()) : 1;
    const double ny = data_.plan ? std::max<int>(1, data_.plan->problem.domain.ny()) : 1;
    return {grid.left() + grid.width() * node.x / nx, grid.bottom() - grid.height() * node.y / ny};
}

void DomainPicture::resizeEvent(QResizeEvent* event) {
    solution_ = QImage();
    QWidget::resizeEvent(event);
}

void DomainPicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!data_.plan) {
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("Nessun calcolo: premi «Calcola!» nella sua finestra."));
        return;
    }
    const QRectF grid = gridRect();
    paintSolution(painter, grid.toAlignedRect());
    paintOtherSide(painter);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(grid);
    paintEndCounts(painter);
    paintTraces(painter);
    // The start node.
    if (!data_.plan->nodes.empty()) {
        const QPointF start = nodePoint(data_.plan->nodes.front());
        painter.setPen(QPen(Qt::black, 2.0));
        painter.setBrush(Qt::white);
        painter.drawEllipse(start, 5.0, 5.0);
    }
    paintScales(painter);
}

void DomainPicture::paintOtherSide(QPainter& painter) {
    // The L's inner segments x = a (y >= b) and y = b (x >= a) wall the nodes beyond the corner
    // off from the rest. Only segments inside the rectangle wall anything off: with the corner on
    // or before an outer line, or beyond the rectangle, the walks roam the whole of it.
    const WalkDomain& domain = data_.plan->problem.domain;
    const int a = domain.a();
    const int b = domain.b();
    const bool walled = (a > 0 && a < domain.nx() && b < domain.ny()) ||
                        (b > 0 && b < domain.ny() && a < domain.nx());
    if (!walled) {
        return;
    }
    const QRectF grid = gridRect();
    const QPointF corner =
        nodePoint({static_cast<Int16>(std::max(0, a)), static_cast<Int16>(std::max(0, b))});
    const QRectF beyond(QPointF(corner.x(), grid.top()), QPointF(grid.right(), corner.y()));
    // The part the start node is not in is hatched: the block beyond the corner, or, for a start
    // inside that block, the L around it.
    QPainterPath other;
    if (data_.plan->nodes.empty() || !beyondCorner(domain, data_.plan->nodes.front())) {
        other.addRect(beyond);
    } else {
        other.addRect(grid);
        QPainterPath block;
        block.addRect(beyond);
        other = other.subtracted(block);
    }
    painter.fillPath(other, QColor(235, 235, 235, 215));
    painter.fillPath(other, QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawLine(QPointF(corner.x(), grid.top()), corner);
    painter.drawLine(corner, QPointF(grid.right(), corner.y()));
}

void DomainPicture::paintSolution(QPainter& painter, const QRect& target) {
    if (data_.exactState != ExactState::Computed || solutionOf_ == nullptr) {
        painter.fillRect(target, QColor(225, 225, 225));
        return;
    }
    if (solution_.size() != target.size()) {
        // Each pixel shows the sampled node nearest to it.
        solution_ = QImage(target.size(), QImage::Format_RGB32);
        const ExactField& exact = *solutionOf_;
        const int w = std::max(1, target.width() - 1);
        const int h = std::max(1, target.height() - 1);
        for (int px = 0; px < target.width(); ++px) {
            const auto i = static_cast<Int16>(std::lround(static_cast<double>(px) * exact.nx / w));
            for (int py = 0; py < target.height(); ++py) {
                const auto j =
                    static_cast<Int16>(std::lround(static_cast<double>(h - py) * exact.ny / h));
                const double value = exact.nearest({i, j});
                solution_.setPixel(px, py, solutionColour(colourPlace(value, low_, high_)).rgb());
            }
        }
    }
    painter.drawImage(target.topLeft(), solution_);
}

void DomainPicture::paintEndCounts(QPainter& painter) {
    if (data_.endCounts.empty()) {
        return;
    }
    const QRectF grid = gridRect();
    const int columns = std::max(2, static_cast<int>(grid.width() / kCountMark) + 1);
    const int rows = std::max(2, static_cast<int>(grid.height() / kCountMark) + 1);
    const std::vector<PixelCount> bins =
        binToPixels(data_.endCounts, data_.plan->problem.domain.nx(),
                    data_.plan->problem.domain.ny(), columns, rows);
    std::int64_t high = 0;
    for (const PixelCount& bin : bins) {
        high = std::max(high, bin.count);
    }
    countsHigh_ = high;
    painter.setPen(QPen(QColor(60, 0, 0), 0.5));
    for (const PixelCount& bin : bins) {
        const double x = grid.left() + grid.width() * bin.column / (columns - 1);
        const double y = grid.bottom() - grid.height() * bin.row / (rows - 1);
        painter.setBrush(countColour(static_cast<double>(bin.count) / static_cast<double>(high)));
        painter.drawRect(QRectF(x - kCountMark / 2, y - kCountMark / 2, kCountMark, kCountMark));
    }
}

void DomainPicture::paintTraces(QPainter& painter) {
    // A walk of 10^5 steps takes a while to stroke, and the traces of a click change only as
    // they come: they are drawn once into a layer of their own and the layer is painted.
    if (traces_.size() != size() || tracesShown_ != data_.traces.size() ||
        tracesRun_ != data_.run) {
        traces_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        traces_.fill(Qt::transparent);
        tracesShown_ = data_.traces.size();
        tracesRun_ = data_.run;
        QPainter layer(&traces_);
        layer.setRenderHint(QPainter::Antialiasing);
        // The first walk is drawn last, on top of the others.
        for (std::size_t w = std::min(data_.traces.size(), kWalkColours.size()); w-- > 0;) {
            paintTrace(layer, data_.traces[w], kWalkColours[w]);
        }
    }
    painter.drawImage(0, 0, traces_);
}

void DomainPicture::paintTrace(QPainter& painter, const WalkTrace& trace, QColor colour) const {
    if (!trace.path.empty()) {
        // Steps within one pixel of each other add nothing to the line.
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(trace.path.size()));
        QPoint last(-1, -1);
        for (const Node node : trace.path) {
            const QPointF point = nodePoint(node);
            if (point.toPoint() != last) {
                line << point;
                last = point.toPoint();
            }
        }
        line << nodePoint(trace.path.back());
        // Lattice steps run along the axes: a thin line without antialiasing draws them as
        // well, and strokes a walk of 10^5 steps many times faster.
        colour.setAlpha(170);
        QPen pen(colour, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
        pen.setCosmetic(true);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(line);
        painter.restore();
    }
    for (const JumpMove& move : trace.moves) {
        const QPointF low = nodePoint({static_cast<Int16>(move.centre.x - move.radius),
                                       static_cast<Int16>(move.centre.y - move.radius)});
        const QPointF high = nodePoint({static_cast<Int16>(move.centre.x + move.radius),
                                        static_cast<Int16>(move.centre.y + move.radius)});
        colour.setAlpha(200);
        painter.setPen(QPen(colour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(low, high).normalized());
        painter.setBrush(colour);
        painter.drawEllipse(nodePoint(move.exit), 2.5, 2.5);
    }
}

void DomainPicture::paintScales(QPainter& painter) {
    const QRectF grid = gridRect();
    const double left = width() - kScalesWidth + 8;
    const double top = grid.top() + 18;
    const double barHeight = std::max(40.0, grid.height() - 36);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const auto bar = [&](double x, const QString& title, auto colourAt, const QString& low,
                         const QString& high) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 4, grid.top(), 70, 16), Qt::AlignLeft, title);
        for (int k = 0; k < static_cast<int>(barHeight); ++k) {
            painter.setPen(colourAt(1.0 - k / barHeight));
            painter.drawLine(QPointF(x, top + k), QPointF(x + 14, top + k));
        }
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(x, top, 14, barHeight));
        painter.drawText(QRectF(x + 17, top - 6, 60, 14), Qt::AlignLeft, high);
        painter.drawText(QRectF(x + 17, top + barHeight - 8, 60, 14), Qt::AlignLeft, low);
    };
    if (data_.exactState == ExactState::Computed && solutionOf_ != nullptr) {
        bar(left, QStringLiteral("Esatto"), solutionColour, number(low_), number(high_));
    }
    if (countsHigh_ > 0) {
        bar(left + 72, QStringLiteral("Arrivi"), countColour, QStringLiteral("0"),
            QString::number(countsHigh_));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Notes under the grid: the exact solution's state, and walks whose trace was cut.
    QStringList notes;
    switch (data_.exactState) {
        case ExactState::Pending:
            notes << QStringLiteral("Soluzione esatta in calcolo…");
            break;
        case ExactState::TooLarge:
            notes << QString::fromUtf8(kExactTooLargeText);
            break;
        case ExactState::Missing:
            notes << QStringLiteral("Soluzione esatta non calcolata");
            break;
        case ExactState::Computed:
            break;
    }
    QStringList walks;
    for (std::size_t w = 0; w < data_.traces.size(); ++w) {
        if (data_.traces[w].cut) {
            walks << QString::number(w + 1);
        }
    }
    if (!walks.isEmpty()) {
        notes << QStringLiteral("Cammini %1: disegnati i primi 10⁵ passi").arg(walks.join(", "));
    }
    if (!data_.traces.empty()) {
        notes << (data_.plan->walk == WalkKind::Jump
                      ? QStringLiteral("Primi cammini: quadrati attraversati e punti d'uscita")
                      : QStringLiteral("Primi cammini: percorso passo per passo"));
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(kMargin, grid.bottom() + 4, width() - 2 * kMargin, kNotesHeight),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     notes.join(QStringLiteral("\n")));
}

}  // namespace nurlo
