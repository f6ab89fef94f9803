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
// The click's threads write into the view's RunData (as its WalkRecorder, and through
// data()); a timer on the interface thread redraws from a snapshot a few times a second, only
// when something changed, so the window stays responsive however fast the walks go.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "run_data.hpp"

namespace nurlo {

class DomainPicture;
class ConvergenceChart;
class SectionChart;

class RunView : public QWidget, public WalkRecorder {
    Q_OBJECT

public:
    // How often the view redraws while data come in.
    static constexpr int kRefreshMilliseconds = 200;

    explicit RunView(int formNumber, QWidget* parent = nullptr);
    ~RunView() override;

    RunData& data() { return data_; }
    bool isPointView() const { return point_; }

    // Redraws from the data now, if they changed since the last time.
    void refresh();
    // The data as the copy puts them on the clipboard.
    QString copiedText();
    // Copies the selection of the numbers, or with none the view's data, to the clipboard.
    void copy();
    // Saves the view as a PNG image at `path`; false where that fails.
    bool saveImage(const QString& path);
    // The picture that saveImage writes.
    QImage image();

    // WalkRecorder: the walks of the click, from its threads.
    int tracesWanted() const override { return data_.tracesWanted(); }
    void traced(WalkTrace trace) override { data_.traced(std::move(trace)); }
    void ended(Node start, std::span<const WalkEnd> ends) override { data_.ended(start, ends); }

signals:
    // The window was closed.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void askAndSaveImage();

    bool point_;
    RunData data_;
    RunSnapshot shown_;
    std::uint64_t shownVersion_ = 0;
    QWidget* content_ = nullptr;
    DomainPicture* picture_ = nullptr;
    ConvergenceChart* convergence_ = nullptr;
    SectionChart* section_ = nullptr;
    QPlainTextEdit* numbers_ = nullptr;
    QPushButton* save_ = nullptr;
    QTimer timer_;
};

}  // namespace nurlo
