// The picture of a point click's grid: the domain to scale, coloured by the exact discrete
// solution with its colour scale, the start node, the border coloured by how many walks ended on
// each of its nodes with the counts' scale, and the first walks of the click.
//
// The picture is drawn from a RunSnapshot handed to it; it keeps no other state. Where there are
// more nodes than pixels, the solution is sampled at the pixels and the end counts are added up
// pixel by pixel (binToPixels).
#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QWidget>

#include "run_data.hpp"

namespace nurlo {

// The colour of t in [0, 1] on the solution's colour map (dark blue, through teal and green, to
// yellow) and on the counts' map (pale yellow to dark red).
QColor solutionColour(double t);
QColor countColour(double t);

// Where `value` lies on the colour scale from `low` to `high`, as t in [0, 1] for values within;
// the middle, 0.5, for a scale of no span. Any finite values give a finite t.
double colourPlace(double value, double low, double high);

// Whether `node` lies beyond the inner corner of the L (x > a and y > b): in the block that the
// L's two segments wall off from the rest of the rectangle, where they lie inside it.
bool beyondCorner(const WalkDomain& domain, Node node);
// Whether a walk from `start` can reach `node`, or stop there: the start's part of the domain
// (with no start, the part outside the block).
bool sameSide(const WalkDomain& domain, std::optional<Node> start, Node node);

class DomainPicture : public QWidget {
    Q_OBJECT

public:
    explicit DomainPicture(QWidget* parent = nullptr);

    void show(const RunSnapshot& snapshot);

    // Where the grid is drawn, in the widget's pixels; and where node (i, j) lands in it.
    QRectF gridRect() const;
    // The values that the ends of the solution's colour scale stand for.
    std::pair<double, double> solutionRange() const { return {low_, high_}; }
    QPointF nodePoint(Node node) const;

    QSize sizeHint() const override { return {520, 440}; }
    QSize minimumSizeHint() const override { return {320, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintSolution(QPainter& painter, const QRect& target);
    // Hatches the part of the domain that the walks from the start node cannot reach.
    void paintOtherSide(QPainter& painter);
    void paintEndCounts(QPainter& painter);
    void paintTraces(QPainter& painter);
    void paintTrace(QPainter& painter, const WalkTrace& trace, QColor colour) const;
    void paintScales(QPainter& painter);

    RunSnapshot data_;
    QImage solution_;  // cached for the size and solution it was drawn for
    QImage traces_;    // cached for the size, click and number of traces it was drawn for
    std::size_t tracesShown_ = 0;
    std::uint64_t tracesRun_ = 0;
    const ExactField* solutionOf_ = nullptr;
    double low_ = 0.0;
    double high_ = 0.0;
    std::int64_t countsHigh_ = 0;
};

}  // namespace nurlo
