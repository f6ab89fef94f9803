// What every computing screen shares: its window and standard controls, the conversion of its
// fields, the busy and normal colours, the missing-datum message and the run-time error report.
//
// A screen derives from ComputingScreen, lays out its controls in its constructor and implements
// calculate(), the straight-line procedure of one click on "Calcola!". A run-time error raised
// anywhere in it is reported, the screen returns to the normal colour, and the program goes on
// with every field as it was: resources of the click (grid, result file) are released by their
// owners on the way out.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <optional>

#include "boundary_datum.hpp"
#include "screen_context.hpp"
#include "walk_estimator.hpp"

namespace nurlo {

// A click's grid, filled for the datum selected when it was created.
struct FilledGrid {
    BoundaryGrid grid;
    BoundaryDatum datum;
};

class ComputingScreen : public QWidget {
    Q_OBJECT

public:
    // A window titled "Form<number>" with a client area of the given size in twips.
    ComputingScreen(int formNumber, int widthTwips, int heightTwips, ScreenContext& context);

    // Runs one calculation as a click on "Calcola!" does.
    void calculateNow();

signals:
    void backToMenu();

protected:
    virtual void calculate() = 0;

    // Layout, positions in twips. The widgets carry `name` as their object name.
    QLabel* addLabel(const char* name, const QString& caption, int left, int top, int width,
                     int height);
    QLineEdit* addField(const char* name, const QLabel* label, int left, int top, int width,
                        int height);
    // The "Risultato" field of a point screen: written by the screen, never read.
    QLineEdit* addResultField(const char* name, int left, int top, int width, int height);
    QComboBox* addDatumList(DomainFamily family, int left, int top);
    QPushButton* addCalculateButton(int left, int top);
    QPushButton* addBackButton(int left, int top);
    QLabel* addResultNote(int left, int top);
    // Keyboard focus moves through `widgets` in order; the first has the focus when the screen
    // opens.
    void setFocusOrder(std::initializer_list<QWidget*> widgets);

    // The conventions of a click.
    void setBusyColour();
    void setNormalColour();
    double readLength(const QLineEdit* field);
    Int16 readCount(const QLineEdit* field);
    // The grid of a click: created for nx x ny with every value 0, then filled for the datum
    // selected in "Dato al bordo" with the lengths lx and ly. With no datum selected the grid is
    // created all the same, the missing-datum message is shown instead of the fill, and nothing
    // is returned: the caller then ends its click.
    std::optional<FilledGrid> newFilledGrid(Int16 nx, Int16 ny, double lx, double ly);
    Estimate estimate(const BoundaryGrid& grid, const WalkDomain& domain, Node start, Int16 walks);
    // Shows the estimate in a point screen's "Risultato" field, its standard error as the tooltip.
    static void showEstimate(QLineEdit* field, const Estimate& estimate);

    ScreenContext& context() { return context_; }

    void closeEvent(QCloseEvent* event) override;

private:
    QString captionOf(const QLineEdit* field) const;

    ScreenContext& context_;
    double dpi_;
    QComboBox* datumList_ = nullptr;
    QString failedField_;
    bool calculating_ = false;
};

// The background colours of a computing screen.
QColor busyColour();
QColor normalColour();

}  // namespace nurlo
