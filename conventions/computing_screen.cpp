#include "computing_screen.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <new>

#include "busy_run.hpp"
#include "caption_button.hpp"
#include "field_text.hpp"
#include "progress_text.hpp"
#include "twips.hpp"

namespace nurlo {

QColor busyColour() { return QColor(255, 0, 0); }

QColor normalColour() { return QApplication::palette().color(QPalette::Button); }

ComputingScreen::ComputingScreen(int formNumber, int widthTwips, int heightTwips,
                                 ScreenContext& context)
    : context_(context), dpi_(screenDpi()), heightTwips_(heightTwips) {
    setObjectName(QStringLiteral("Form%1").arg(formNumber));
    setWindowTitle(objectName());
    resize(twipsSize(widthTwips, heightTwips, dpi_));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, normalColour());
    setPalette(palette);
}

QLabel* ComputingScreen::addLabel(const char* name, const QString& caption, int left, int top,
                                  int width, int height) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsRect(left, top, width, height, dpi_));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A caption longer than its box is cut at the bottom; the whole text shows as the tooltip.
    if (label->heightForWidth(label->width()) > label->height()) {
        label->setToolTip(caption);
    }
    return label;
}

QLineEdit* ComputingScreen::addField(const char* name, const QLabel* label, int left, int top,
                                     int width, int height) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(twipsRect(left, top, width, height, dpi_));
    if (label != nullptr) {
        field->setProperty("caption", label->text());
    }
    return field;
}

QLineEdit* ComputingScreen::addResultField(const char* name, int left, int top, int width,
                                           int height) {
    QLineEdit* field = addField(name, nullptr, left, top, width, height);
    field->setReadOnly(true);
    return field;
}

QComboBox* ComputingScreen::addDatumList(DomainFamily family, int left, int top) {
    datumList_ = new QComboBox(this);
    datumList_->setObjectName(QStringLiteral("Combo1"));
    datumList_->setGeometry(twipsRect(left, top, 2000, 315, dpi_));
    for (int k = 0; k < datumCount(family); ++k) {
        datumList_->addItem(QString::fromUtf8(kDatumTexts[static_cast<std::size_t>(k)].data()));
    }
    datumList_->setCurrentIndex(-1);
    return datumList_;
}

QPushButton* ComputingScreen::addButton(const char* name, const QString& caption,
                                        const QRect& twips) {
    auto* button = new CaptionButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(twips.left(), twips.top(), twips.width(), twips.height(), dpi_));
    return button;
}

QPushButton* ComputingScreen::addCalculateButton(int left, int top) {
    calculateButtonTwips_ = QRect(left, top, 3735, 1095);
    QPushButton* button = addButton("Command1", QStringLiteral("Calcola!"), calculateButtonTwips_);
    QFont font = button->font();
    font.setPointSizeF(13.5);
    font.setBold(true);
    button->setFont(font);
    connect(button, &QPushButton::clicked, this, &ComputingScreen::calculateNow);
    return button;
}

QPushButton* ComputingScreen::addBackButton(int left, int top) {
    backButtonTwips_ = QRect(left, top, 2655, 1095);
    QPushButton* button = addButton("Command2", QStringLiteral("Torna al menù"), backButtonTwips_);
    connect(button, &QPushButton::clicked, this, &ComputingScreen::backToMenu);
    return button;
}

QLabel* ComputingScreen::addResultNote(int left, int top) {
    noteTwips_ = QRect(left, top, 7815, 615);
    return addLabel(
        "Label3",
        QStringLiteral(
            "Nota: il programma scrive il risultato nel file di testo che si trova nella "
            "cartella in cui il programma è in esecuzione, di nome risultato.m"),
        left, top, 7815, 615);
}

void ComputingScreen::addFastWalksAndProgress() {
    constexpr int kRowBelowButton = 1215;
    constexpr int kRowHeight = 285;
    constexpr int kGap = 120;
    constexpr int kBottomMargin = 180;
    int top = calculateButtonTwips_.top() + kRowBelowButton;
    const QRect row(backButtonTwips_.left(), top, backButtonTwips_.width(), kRowHeight);
    if (row.intersects(noteTwips_)) {
        top = noteTwips_.bottom() + 1 + kGap;
    }
    if (top + kRowHeight + kBottomMargin > heightTwips_) {
        heightTwips_ = top + kRowHeight + kBottomMargin;
        resize(width(), twipsToPixels(heightTwips_, dpi_));
    }
    fastWalks_ = new QCheckBox(QStringLiteral("Salti esatti (più veloce)"), this);
    fastWalks_->setObjectName(QStringLiteral("Check1"));
    fastWalks_->setGeometry(twipsRect(calculateButtonTwips_.left(), top,
                                      calculateButtonTwips_.width(), kRowHeight, dpi_));
    fastWalks_->setToolTip(QStringLiteral(
        "Ogni cammino salta attraverso i quadrati vuoti della griglia e arriva al bordo con la "
        "stessa legge del cammino passo per passo, in molto meno tempo."));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setGeometry(
        twipsRect(backButtonTwips_.left(), top, backButtonTwips_.width(), kRowHeight, dpi_));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(true);
    progressBar_->setAlignment(Qt::AlignCenter);
    progressBar_->setFormat(QString());
}

void ComputingScreen::setFocusOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    if (fastWalks_ != nullptr && previous != nullptr) {
        setTabOrder(previous, fastWalks_);
    }
    if (widgets.size() > 0) {
        (*widgets.begin())->setFocus();
    }
}

void ComputingScreen::calculateNow() {
    if (calculating_) {
        return;
    }
    failedField_.clear();
    calculating_ = true;
    Progress progress;
    HeldInput heldInput(progress);
    progress_ = &progress;
    heldInput_ = &heldInput;
    showOutcome(Outcome::Completed);
    Outcome outcome = Outcome::Completed;
    try {
        calculate();
    } catch (const Interrupted&) {
        // Asked for with Esc: the click ends as on an error, without a message.
        outcome = Outcome::Interrupted;
        setNormalColour();
    } catch (const RuntimeError& error) {
        outcome = Outcome::Failed;
        reportError(errorReportText(error, failedField_));
    } catch (const std::bad_alloc&) {
        outcome = Outcome::Failed;
        reportError(errorReportText(RuntimeError(ErrorKind::OutOfMemory), {}));
    } catch (const std::exception& error) {
        // Not one of the calculation's own errors, but no reason to lose what is typed on every
        // screen either: it is reported like them.
        outcome = Outcome::Failed;
        reportError(QStringLiteral("Errore imprevisto: %1").arg(QString::fromUtf8(error.what())));
    }
    showOutcome(outcome);
    progress_ = nullptr;
    heldInput_ = nullptr;
    calculating_ = false;
    // What the person did meanwhile reaches the screen now, after any report.
    heldInput.deliver();
}

void ComputingScreen::reportError(const QString& text) {
    context_.messages.reportError(this, text);
    setNormalColour();
}

void ComputingScreen::beginStage(Stage stage, std::int64_t units) {
    progress_->begin(stage, units);
    stageClock_.start();
    showProgress();
}

void ComputingScreen::inBackground(const std::function<void()>& work) {
    runKeepingWindowAlive(work, *heldInput_, [this] { showProgress(); });
}

void ComputingScreen::showProgress() {
    if (progressBar_ == nullptr || progress_ == nullptr) {
        return;
    }
    const std::int64_t done = progress_->done();
    const std::int64_t total = progress_->total();
    progressBar_->setValue(percentDone(done, total));
    progressBar_->setFormat(progressText(progress_->stage(), done, total,
                                         static_cast<double>(stageClock_.elapsed()) / 1000.0));
}

void ComputingScreen::showOutcome(Outcome outcome) {
    if (progressBar_ == nullptr || progress_ == nullptr) {
        return;
    }
    switch (outcome) {
        case Outcome::Completed:
            // A click that ran no walk (a missing datum) leaves the bar empty.
            if (progress_->stage() == Stage::Walks) {
                progressBar_->setValue(100);
                progressBar_->setFormat(kCompletedText);
            } else {
                progressBar_->setValue(0);
                progressBar_->setFormat(QString());
            }
            return;
        case Outcome::Interrupted:
            progressBar_->setFormat(kInterruptedText);
            return;
        case Outcome::Failed:
            progressBar_->setFormat(kFailedText);
            return;
    }
}

void ComputingScreen::setBusyColour() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, busyColour());
    setPalette(palette);
    repaint();
}

void ComputingScreen::setNormalColour() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, normalColour());
    setPalette(palette);
    repaint();
}

QString ComputingScreen::captionOf(const QLineEdit* field) const {
    return field->property("caption").toString();
}

double ComputingScreen::readLength(const QLineEdit* field) {
    try {
        return lengthFromText(field->text().toStdString());
    } catch (const RuntimeError&) {
        failedField_ = captionOf(field);
        throw;
    }
}

Int16 ComputingScreen::readCount(const QLineEdit* field) {
    try {
        return countFromText(field->text().toStdString());
    } catch (const RuntimeError&) {
        failedField_ = captionOf(field);
        throw;
    }
}

std::optional<FilledGrid> ComputingScreen::newFilledGrid(Int16 nx, Int16 ny, double lx, double ly) {
    BoundaryGrid grid(nx, ny, context_.availableMemory());
    const int index = datumList_ != nullptr ? datumList_->currentIndex() : -1;
    if (index < 0) {
        context_.messages.inform(this, kMissingDatumText);
        return std::nullopt;
    }
    const auto datum = static_cast<BoundaryDatum>(index);
    beginStage(Stage::Fill, std::int64_t{nx} + 1);
    inBackground([&] { fillBoundary(grid, datum, lx, ly, progress_); });
    return FilledGrid{std::move(grid), datum};
}

void ComputingScreen::estimateEach(const FilledGrid& filled, const WalkDomain& domain, Int16 walks,
                                   std::int64_t nodes,
                                   const std::function<void(const EstimateAt&)>& lines) {
    beginStage(Stage::Walks, walks > 0 ? nodes * walks : 0);
    const bool jumps = fastWalks_ != nullptr && fastWalks_->isChecked();
    const WalkEstimator estimator(filled.grid, domain,
                                  {.pool = &context_.pool,
                                   .progress = progress_,
                                   .walk = jumps ? WalkKind::Jump : WalkKind::Lattice});
    inBackground([&] {
        std::visit(
            [&](auto& source) {
                lines([&](Node node) { return estimator.run(node, walks, source); });
            },
            context_.source);
    });
}

Estimate ComputingScreen::estimate(const FilledGrid& filled, const WalkDomain& domain, Node start,
                                   Int16 walks) {
    Estimate result;
    estimateEach(filled, domain, walks, 1,
                 [&](const EstimateAt& estimateAt) { result = estimateAt(start); });
    return result;
}

void ComputingScreen::showEstimate(QLineEdit* field, const Estimate& estimate) {
    field->setText(QString::fromStdString(estimateText(estimate.value)));
    field->setToolTip(QStringLiteral("errore standard %1 (N = %2)")
                          .arg(QString::fromStdString(estimateText(estimate.standardError)))
                          .arg(estimate.walks));
}

void ComputingScreen::closeEvent(QCloseEvent* event) {
    // The title bar's close button returns to the menu, as "Torna al menù" does. During a click
    // it is held like a click on that button and carried out when the click ends (the background
    // work holds it before it gets here; this is a close while a message of the click is shown).
    event->ignore();
    if (calculating_) {
        heldInput_->holdClose(windowHandle());
    } else {
        emit backToMenu();
    }
}

}  // namespace nurlo
