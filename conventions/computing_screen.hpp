// What every computing screen shares: its window and standard controls, the conversion of its
// fields, the busy and normal colours, the missing-datum message and the run-time error report.
//
// A screen derives from ComputingScreen, lays out its controls in its constructor and implements
// calculate(), the straight-line procedure of one click on "Calcola!". A run-time error raised
// anywhere in it is reported, the screen returns to the normal colour, and the program goes on
// with every field as it was: resources of the click (grid, result file) are released by their
// owners on the way out.
//
// The long steps of a click, the fill and the walks, run off the interface thread: the window
// stays painted, the progress bar "ProgressBar1" shows how far they have got, and input is held
// back until the click ends. Esc stops them: the click ends as on a run-time error, but without
// a message, and the progress bar says "Interrotto".
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "boundary_datum.hpp"
#include "held_input.hpp"
#include "progress.hpp"
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
    // The row under the buttons: the check box "Salti esatti (più veloce)" under "Calcola!" and
    // the progress bar under "Torna al menù", as wide as it. Called after the buttons and the
    // note. Where the row would cover the note it goes below the note, and the window grows to
    // hold it.
    void addFastWalksAndProgress();
    // Keyboard focus moves through `widgets` in order, then to the fast-walks check box; the
    // first has the focus when the screen opens.
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
    // The grid may take at most the memory the context reports available; the fill runs in the
    // background.
    std::optional<FilledGrid> newFilledGrid(Int16 nx, Int16 ny, double lx, double ly);

    // The estimate of `walks` walks from one node.
    using EstimateAt = std::function<Estimate(Node)>;
    // The walks of a click, in the background: `lines(estimateAt)` asks for the estimates it
    // needs, `nodes` of them in all, and writes them out.
    void estimateEach(const FilledGrid& filled, const WalkDomain& domain, Int16 walks,
                      std::int64_t nodes, const std::function<void(const EstimateAt&)>& lines);
    // The estimate at one node, in the background.
    Estimate estimate(const FilledGrid& filled, const WalkDomain& domain, Node start, Int16 walks);
    // Shows the estimate in a point screen's "Risultato" field, its standard error as the tooltip.
    static void showEstimate(QLineEdit* field, const Estimate& estimate);

    ScreenContext& context() { return context_; }

    void closeEvent(QCloseEvent* event) override;

private:
    enum class Outcome { Completed, Interrupted, Failed };

    QString captionOf(const QLineEdit* field) const;
    QPushButton* addButton(const char* name, const QString& caption, const QRect& twips);
    void reportError(const QString& text);
    // A long step of the click begins: `units` of work in the background.
    void beginStage(Stage stage, std::int64_t units);
    void inBackground(const std::function<void()>& work);
    void showProgress();
    void showOutcome(Outcome outcome);

    ScreenContext& context_;
    double dpi_;
    int heightTwips_;
    QRect calculateButtonTwips_;
    QRect backButtonTwips_;
    QRect noteTwips_;
    QComboBox* datumList_ = nullptr;
    QCheckBox* fastWalks_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QString failedField_;

    // The click under way, if any.
    bool calculating_ = false;
    Progress* progress_ = nullptr;
    HeldInput* heldInput_ = nullptr;
    QElapsedTimer stageClock_;
};

// The background colours of a computing screen.
QColor busyColour();
QColor normalColour();

}  // namespace nurlo
