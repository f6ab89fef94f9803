// What every computing screen shares: its window and standard controls, the busy and normal
// colours, the missing-datum message, the run-time error report and the progress bar.
//
// A screen derives from ComputingScreen, lays out its controls in its constructor and implements
// calculate(), the straight-line procedure of one click on "Calcola!": it reads its fields and
// hands their values to the click's Calculation (calculation.hpp), which creates and fills the
// grid and runs the walks. A run-time error raised anywhere in it is reported, the screen returns
// to the normal colour, and the program goes on with every field as it was: resources of the
// click (grid, result file) are released by their owners on the way out.
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
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "boundary_datum.hpp"
#include "calculation.hpp"
#include "held_input.hpp"
#include "progress.hpp"
#include "screen_context.hpp"
#include "twips.hpp"

namespace nurlo {

// The fields of the L-shaped domain, which both L-domain screens have.
struct LDomainFields {
    const QLineEdit* cornerA;     // "Parametro a (nel sistema discretizzato)"
    const QLineEdit* cornerB;     // "Parametro b (nel sistema discretizzato)"
    const QLineEdit* lengthX;     // "Dimensioni x"
    const QLineEdit* lengthY;     // "Dimensioni y"
    const QLineEdit* walks;       // "N prove"
    const QLineEdit* divisionsX;  // "N° suddivisioni x"
    const QLineEdit* divisionsY;  // "N° suddivisioni y"
};

// What they give: the problem but its datum (which fillGrid takes from the list), N, and the
// screen's own counts read among them.
struct LDomainReading {
    Problem problem;
    Int16 walks = 0;
    std::vector<Int16> own;  // the screen's own fields, in the order given
};

class ComputingScreen : public QWidget {
    Q_OBJECT

public:
    // A window titled "Form<number>" with a client area of the given size in twips.
    ComputingScreen(int formNumber, int widthTwips, int heightTwips, ScreenContext& context);

    // Runs one calculation as a click on "Calcola!" does.
    void calculateNow();
    // Runs one calculation as calculateNow does, asking for the whole field (Calculation::
    // wholeField): a point screen estimates the field of its domain instead of its start node.
    void calculateWholeFieldNow();
    // Whether a click of this screen is under way.
    bool calculating() const { return calculating_; }

    // Who follows the clicks of this screen from now on; nullptr, the default, for nobody. The
    // observer must outlive the screen's clicks.
    void setObserver(CalculationObserver* observer) { observer_ = observer; }

signals:
    void backToMenu();
    // "Grafico…": the person asks for the view of this screen's runs.
    void viewRequested();
    // A click has ended and what the person did meanwhile has been handed on.
    void calculationEnded();

protected:
    // One click: read the fields, fill the grid and run the walks through `click`, and show or
    // write the result.
    virtual void calculate(Calculation& click) = 0;

    // Layout, positions in twips. The widgets carry `name` as their object name.
    QLabel* addLabel(const char* name, const QString& caption, const TwipsRect& place);
    QLineEdit* addField(const char* name, const QLabel* label, const TwipsRect& place);
    // The "Risultato" field of a point screen: written by the screen, never read.
    QLineEdit* addResultField(const char* name, const TwipsRect& place);
    // The controls of fixed size, by their top left corner.
    QComboBox* addDatumList(DomainFamily family, TwipsPoint at);
    QPushButton* addCalculateButton(TwipsPoint at);
    QPushButton* addBackButton(TwipsPoint at);
    QLabel* addResultNote(TwipsPoint at);
    // The row under the buttons: the check box "Salti esatti (più veloce)" under "Calcola!" and
    // the progress bar under "Torna al menù", as wide as it, and under the check box the button
    // "Grafico…" (Alt+G) that asks for the view of the screen's runs. Called after the buttons
    // and the note. Where the row would cover the note it goes below the note; the window grows
    // to hold what does not fit.
    void addFastWalksAndProgress();
    // Keyboard focus moves through `widgets` in order, then to "Grafico…" and to the fast-walks
    // check box; the first has the focus when the screen opens.
    void setFocusOrder(std::initializer_list<QWidget*> widgets);

    // The conventions of a click.
    void setBusyColour();
    void setNormalColour();
    double readLength(const QLineEdit* field);
    Int16 readCount(const QLineEdit* field);
    // The fields of an L-domain screen in the order a click reads them: a, b, Lx, Ly, then the
    // screen's own counts `own` (the start node, or the section's index), then N, nx and ny.
    LDomainReading readLDomain(const LDomainFields& fields,
                               std::initializer_list<const QLineEdit*> own);
    // The grid of the click: created for the problem's counts with every value 0, then filled in
    // the background for the datum selected in "Dato al bordo" (the problem's own datum is not
    // read). With no datum selected the grid is created all the same, the missing-datum message
    // is shown instead of the fill, and the answer is false: the caller then ends its click.
    bool fillGrid(const Problem& problem);

    // Shows the estimate in a point screen's "Risultato" field, its standard error as the tooltip.
    static void showEstimate(QLineEdit* field, const Estimate& estimate);

    ScreenContext& context() { return context_; }

    void closeEvent(QCloseEvent* event) override;

private:
    void runClick(bool wholeField);
    QString captionOf(const QLineEdit* field) const;
    QPushButton* addButton(const char* name, const QString& caption, const TwipsRect& place);
    void reportError(const QString& text);
    // The long steps of a click: in the background while the window stays alive.
    void inBackground(const std::function<void()>& work);
    void showProgress();
    void showOutcome(Outcome outcome);

    ScreenContext& context_;
    double dpi_;
    int heightTwips_;
    TwipsRect calculateButtonTwips_;
    TwipsRect backButtonTwips_;
    TwipsRect noteTwips_;
    QComboBox* datumList_ = nullptr;
    DomainFamily datumFamily_ = DomainFamily::Square;
    QCheckBox* fastWalks_ = nullptr;
    QPushButton* viewButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    CalculationObserver* observer_ = nullptr;

    // The click under way, if any.
    bool calculating_ = false;
    Calculation* click_ = nullptr;
    HeldInput* heldInput_ = nullptr;
    // The stage the bar last showed, and how long it has run.
    Stage shownStage_ = Stage::Idle;
    std::int64_t shownTotal_ = 0;
    QElapsedTimer stageClock_;
};

// The background colours of a computing screen.
QColor busyColour();
QColor normalColour();

}  // namespace nurlo
