// The picture of a whole field: three maps of the domain side by side, the estimates, the exact
// discrete solution at the same nodes on the same colour scale, and z = (estimate - exact) /
// standard error on a diverging scale from -4 to +4; beside them the histogram of the z values
// over the standard normal density.
//
// Each map is an image of one pixel per sample node, drawn stretched over the cells the nodes
// stand for; the nodes estimated since the last snapshot are the only pixels set anew, so a
// redraw is the drawing of three small images and a histogram, whatever the grid.
#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QWidget>

#include <array>
#include <vector>

#include "field_data.hpp"

namespace nurlo {

// The colour of z on the diverging scale: blue at -4 and below, white at 0, red at +4 and above;
// grey where there is no z.
QColor zColour(double z);

class FieldMaps : public QWidget {
    Q_OBJECT

public:
    // The histogram's bins of z: kBins of width kBinWidth from -kBins * kBinWidth / 2; values
    // beyond fall in the end bins.
    static constexpr int kBins = 32;
    static constexpr double kBinWidth = 0.25;

    explicit FieldMaps(QWidget* parent = nullptr);

    void show(const FieldSnapshot& snapshot);

    // The rectangle of map `index` (0 estimates, 1 exact, 2 z) and of the histogram.
    QRectF mapRect(int index) const;
    QRectF histogramRect() const;
    // The histogram's counts.
    const std::array<int, kBins>& histogram() const { return bins_; }

    QSize sizeHint() const override { return {1040, 380}; }
    QSize minimumSizeHint() const override { return {640, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void placeNodes();
    void paintMap(QPainter& painter, int index, const QString& title);
    void paintHistogram(QPainter& painter);
    QRectF panel(int index) const;

    FieldSnapshot data_;
    const FieldLattice* latticeOf_ = nullptr;
    std::vector<int> pixelColumn_;  // of each node of the lattice
    std::vector<int> pixelRow_;
    std::array<QImage, 3> maps_;
    std::size_t painted_ = 0;  // the nodes already in the estimates' and z images
    double low_ = 0.0;
    double high_ = 0.0;
    std::array<int, kBins> bins_{};
    int binned_ = 0;
};

}  // namespace nurlo
