// The view of a computing screen's runs: a window, titled "Grafico Form<n>", that shows the
// screen's last calculation and follows the next ones live.
//
// A point screen's view (Form2, Form5) shows the domain with the walks, where they ended and the
// exact discrete solution (DomainPicture), the running estimate (ConvergenceChart) and the
// numbers; a section screen's view the estimates along the line (SectionChart) and a summary.
// The numbers are a read-only text the person can select. Ctrl+C copies the selection, or with
// nothing selected the view's data as tab-separated text; "Salva immagine…" saves the view as
// PNG.
//
// A point view also has "Campo intero", which asks the screen for its whole field: then the
// view shows the field's maps and numbers (FieldMaps) in place of the point run, and copies the
// field's nodes, until a click of "Calcola!" brings the point run back.
//
// The view follows a screen's clicks as their observer: it hears of each click's plan, records the
// walks (its WalkRecorder) as each chunk of them is done and takes each estimate. All that goes
// into its RunData from the click's threads; a timer on the interface thread redraws from a
// snapshot a few times a second, only when something changed, so the window shows the walks as
// they come and stays responsive however fast they go.
//
// While it is open, the view also solves the exact discrete problem of each click, its yardstick,
// on a thread of its own that starts with the click's plan and runs beside the walks at the
// lowest priority, on a copy of the grid: the walks never wait for it, the estimate is shown as
// soon as they end, and the exact values join the view when they arrive. Esc (a click that ends
// interrupted), closing the view and the next click stop it; the next click and the view's end
// wait for it to stop.
//
// The view's own input (copy, selecting the numbers, "Salva immagine…", resizing, closing) is not
// held during a click: nothing of it touches the click.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <QFileDialog>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "calculation_observer.hpp"
#include "field_data.hpp"
#include "run_data.hpp"
#include "screen_row.hpp"

namespace nurlo {

class ExactSolution;

// The most columns and rows of nodes at which the view samples the exact solution for its picture.
inline constexpr int kExactSamples = 512;

// What the view draws of an exact solution: a section's whole line; a point click's start node
// and a lattice of samples for the picture. Answers `progress`'s stop request.
ExactField exactFieldFor(const ExactSolution& solution, const CalculationPlan& plan,
                         const Progress* progress);

class DomainPicture;
class FieldMaps;
class ConvergenceChart;
class SectionChart;

class RunView : public QWidget, public CalculationObserver, public WalkRecorder {
    Q_OBJECT

public:
    // How often the view redraws while data come in.
    static constexpr int kRefreshMilliseconds = 200;

    // The view of the screen of the table's row `screen` (its title, point or section).
    // `availableMemory` tells the bytes an exact solve may take (the program's memory gauge);
    // without it no exact solution is computed.
    explicit RunView(const ScreenRow& screen, std::function<std::size_t()> availableMemory = {},
                     QWidget* parent = nullptr);
    ~RunView() override;

    RunData& data() { return data_; }
    FieldData& fieldData() { return field_; }
    // Whether the view shows a whole field (the last click was one) rather than the point run.
    bool showsField() const { return showingField_; }
    // What the view shows now: the data as they stood at its last redraw.
    const RunSnapshot& shown() const { return shown_; }
    bool isPointView() const { return point_; }

    // Shows under the view where the screen writes its result file.
    void showResultPath(const QString& path);

    // Redraws from the data now, if they changed since the last time. The numbers wait while
    // some of them are selected.
    void refresh();
    // The data as the copy puts them on the clipboard.
    QString copiedText();
    // Copies the selection of the numbers, or with none the view's data, to the clipboard; before
    // any click, with nothing to copy, the clipboard is left as it is.
    void copy();
    // Saves the view as a PNG image at `path`; false where that fails.
    bool saveImage(const QString& path);
    // The picture that saveImage writes.
    QImage image();
    // "Salva immagine…": opens the dialog that asks where (or brings it forward) and returns it;
    // the image is saved when the person accepts it. The dialog does not block: the view and the
    // click go on meanwhile.
    QFileDialog* askWhereToSave();

    // CalculationObserver: the click's plan, estimates and end.
    void planned(const CalculationPlan& plan, const BoundaryGrid& grid,
                 Progress& progress) override;
    void estimated(std::size_t index, Node node, const Estimate& estimate) override;
    void ended(Outcome outcome) override;
    // FieldObserver: a whole field's exact values and nodes, from the click's thread.
    void fieldExact(const FieldLattice& lattice, std::span<const double> exact) override {
        field_.setExact(lattice, exact);
    }
    void fieldEstimated(std::size_t /*index*/, const FieldValue& value) override {
        field_.estimated(value);
    }
    // Only a point view draws the walks and where they end; a section view records nothing.
    WalkRecorder* recorder() override { return point_ ? this : nullptr; }

    // WalkRecorder: the walks of the click, from its threads.
    int tracesWanted() const override { return data_.tracesWanted(); }
    void traced(WalkTrace trace) override { data_.traced(std::move(trace)); }
    void ended(Node start, std::span<const WalkEnd> ends) override;

signals:
    // The window was closed.
    void closed();
    // "Campo intero" (a point view's): the person asks for the whole field of the screen's
    // current fields.
    void wholeFieldRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the field's page or the point run's.
    void showField(bool field);
    // The exact discrete solution of the click planned, into the data; on the solving thread.
    void solveExactFor(const CalculationPlan& plan, const BoundaryGrid& grid, Progress& progress);
    // The numbers as they now stand, unless the person has some of them selected.
    void showNumbers();
    // Starts the solve of `plan` on the solving thread (after a stopExact(true)), on a copy of
    // the click's grid.
    void startExact(const CalculationPlan& plan, const BoundaryGrid& clickGrid);
    // Asks the solve under way, if any, to stop; with `wait`, also waits for its thread to end.
    void stopExact(bool wait);

    bool point_;
    std::function<std::size_t()> availableMemory_;
    std::atomic<bool> open_{false};
    RunData data_;
    FieldData field_;
    bool showingField_ = false;
    std::uint64_t shownFieldVersion_ = 0;
    RunSnapshot shown_;
    QString numbersText_;
    std::uint64_t shownVersion_ = 0;
    // The first walks of a click are drawn at once, not at the next tick of the timer.
    std::atomic<bool> firstWalksPosted_{false};
    QWidget* content_ = nullptr;
    QWidget* pointPage_ = nullptr;
    DomainPicture* picture_ = nullptr;
    FieldMaps* fieldMaps_ = nullptr;
    QPushButton* wholeField_ = nullptr;
    ConvergenceChart* convergence_ = nullptr;
    SectionChart* section_ = nullptr;
    QPlainTextEdit* numbers_ = nullptr;
    QPushButton* save_ = nullptr;
    QPointer<QFileDialog> saveDialog_;
    QLabel* resultPath_ = nullptr;
    QTimer timer_;
    // The solving thread and the progress it answers to; started and stopped under the mutex.
    std::mutex exactMutex_;
    std::thread exactThread_;
    std::shared_ptr<Progress> exactProgress_;
};

}  // namespace nurlo
