#include "computing_screen.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <cmath>
#include <optional>

#include "busy_run.hpp"
#include "caption_button.hpp"
#include "field_text.hpp"
#include "messages.hpp"
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

QLabel* ComputingScreen::addLabel(const char* name, const QString& caption,
                                  const TwipsRect& place) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsRect(place, dpi_));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A caption longer than its box is cut at the bottom; the whole text shows as the tooltip.
    if (label->heightForWidth(label->width()) > label->height()) {
        label->setToolTip(caption);
    }
    return label;
}

QLineEdit* ComputingScreen::addField(const char* name, const QLabel* label,
                                     const TwipsRect& place) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(twipsRect(place, dpi_));
    if (label != nullptr) {
        field->setProperty("caption", label->text());
    }
    return field;
}

QLineEdit* ComputingScreen::addResultField(const char* name, const TwipsRect& place) {
    QLineEdit* field = addField(name, nullptr, place);
    field->setReadOnly(true);
    return field;
}

QComboBox* ComputingScreen::addDatumList(DomainFamily family, TwipsPoint at) {
    datumList_ = new QComboBox(this);
    datumList_->setObjectName(QStringLiteral("Combo1"));
    datumList_->setGeometry(twipsRect({at.left, at.top, 2000, 315}, dpi_));
    datumFamily_ = family;
    // The square's data come first in the table, so a family's list is its first rows.
    for (int k = 0; k < datumCount(family); ++k) {
        const std::string_view text = kBoundaryData[static_cast<std::size_t>(k)].listText;
        datumList_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    datumList_->setCurrentIndex(-1);
    return datumList_;
}

QPushButton* ComputingScreen::addButton(const char* name, const QString& caption,
                                        const TwipsRect& place) {
    auto* button = new CaptionButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(place, dpi_));
    return button;
}

QPushButton* ComputingScreen::addCalculateButton(TwipsPoint at) {
    calculateButtonTwips_ = {at.left, at.top, 3735, 1095};
    QPushButton* button = addButton("Command1", QStringLiteral("Calcola!"), calculateButtonTwips_);
    QFont font = button->font();
    font.setPointSizeF(13.5);
    font.setBold(true);
    button->setFont(font);
    connect(button, &QPushButton::clicked, this, &ComputingScreen::calculateNow);
    return button;
}

QPushButton* ComputingScreen::addBackButton(TwipsPoint at) {
    backButtonTwips_ = {at.left, at.top, 2655, 1095};
    QPushButton* button = addButton("Command2", QStringLiteral("Torna al menù"), backButtonTwips_);
    connect(button, &QPushButton::clicked, this, &ComputingScreen::backToMenu);
    return button;
}

QLabel* ComputingScreen::addResultNote(TwipsPoint at) {
    noteTwips_ = {at.left, at.top, 7815, 615};
    QLabel* note =
        addLabel("Label3",
                 QStringLiteral(
                     "Nota: il programma scrive il risultato nel file di testo che si trova nella "
                     "cartella in cui il programma è in esecuzione, di nome risultato.m"),
                 noteTwips_);
    // Where the file really goes (an installed program writes it among the user's documents).
    note->setToolTip(QString::fromStdString(context_.resultPath.string()));
    return note;
}

void ComputingScreen::addFastWalksAndProgress() {
    constexpr int kRowBelowButton = 1215;
    constexpr int kRowHeight = 285;
    constexpr int kGap = 120;
    constexpr int kBottomMargin = 180;
    // "Grafico…" under the check box, as high as a text field and wide enough for its caption.
    constexpr int kViewButtonWidth = 1575;
    constexpr int kViewButtonHeight = 375;
    int top = calculateButtonTwips_.top + kRowBelowButton;
    const TwipsRect row{backButtonTwips_.left, top, backButtonTwips_.width, kRowHeight};
    if (row.overlaps(noteTwips_)) {
        top = noteTwips_.bottom() + kGap;
    }
    const int viewTop = top + kRowHeight + kGap;
    if (viewTop + kViewButtonHeight + kBottomMargin > heightTwips_) {
        heightTwips_ = viewTop + kViewButtonHeight + kBottomMargin;
        resize(width(), twipsToPixels(heightTwips_, dpi_));
    }
    fastWalks_ = new QCheckBox(QStringLiteral("Salti esatti (più veloce)"), this);
    fastWalks_->setObjectName(QStringLiteral("Check1"));
    fastWalks_->setGeometry(twipsRect(
        {calculateButtonTwips_.left, top, calculateButtonTwips_.width, kRowHeight}, dpi_));
    fastWalks_->setToolTip(QStringLiteral(
        "Ogni cammino salta attraverso i quadrati vuoti della griglia e arriva al bordo con la "
        "stessa legge del cammino passo per passo, in molto meno tempo."));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setGeometry(
        twipsRect({backButtonTwips_.left, top, backButtonTwips_.width, kRowHeight}, dpi_));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(true);
    progressBar_->setAlignment(Qt::AlignCenter);
    progressBar_->setFormat(QString());
    // A plain push button: its caption is short, and the & gives it Alt+G.
    viewButton_ = new QPushButton(QStringLiteral("&Grafico…"), this);
    viewButton_->setObjectName(QStringLiteral("Command3"));
    viewButton_->setGeometry(twipsRect(
        {calculateButtonTwips_.left, viewTop, kViewButtonWidth, kViewButtonHeight}, dpi_));
    viewButton_->setToolTip(QStringLiteral(
        "Apre il grafico dei calcoli di questa finestra: i cammini, dove finiscono, la stima "
        "accanto alla soluzione esatta."));
    connect(viewButton_, &QPushButton::clicked, this, &ComputingScreen::viewRequested);
}

void ComputingScreen::setFocusOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    if (viewButton_ != nullptr && previous != nullptr) {
        setTabOrder(previous, viewButton_);
        previous = viewButton_;
    }
    if (fastWalks_ != nullptr && previous != nullptr) {
        setTabOrder(previous, fastWalks_);
    }
    if (widgets.size() > 0) {
        (*widgets.begin())->setFocus();
    }
}

void ComputingScreen::calculateNow() { runClick(false); }

void ComputingScreen::calculateWholeFieldNow() { runClick(true); }

void ComputingScreen::runClick(bool wholeField) {
    if (calculating_) {
        return;
    }
    calculating_ = true;
    const WalkKind walk =
        fastWalks_ != nullptr && fastWalks_->isChecked() ? WalkKind::Jump : WalkKind::Lattice;
    Calculation click(context_.resources(), walk, observer_,
                      [this](const std::function<void()>& work) { inBackground(work); });
    if (wholeField) {
        click.askWholeField();
    }
    HeldInput heldInput(click.progress());
    click_ = &click;
    heldInput_ = &heldInput;
    shownStage_ = Stage::Idle;
    shownTotal_ = 0;
    showOutcome(Outcome::Completed);
    const Outcome outcome = click.run([&] { calculate(click); });
    if (outcome == Outcome::Interrupted) {
        setNormalColour();
    } else if (outcome == Outcome::Failed) {
        reportError(click.errorReport());
    }
    showOutcome(outcome);
    click_ = nullptr;
    heldInput_ = nullptr;
    calculating_ = false;
    // What the person did meanwhile reaches the screen now, after any report.
    heldInput.deliver();
    emit calculationEnded();
}

void ComputingScreen::reportError(const QString& text) {
    context_.messages.reportError(this, text);
    setNormalColour();
}

void ComputingScreen::inBackground(const std::function<void()>& work) {
    showProgress();
    runKeepingWindowAlive(work, *heldInput_, [this] { showProgress(); });
}

void ComputingScreen::showProgress() {
    if (progressBar_ == nullptr || click_ == nullptr) {
        return;
    }
    const Progress& progress = click_->progress();
    const Stage stage = progress.stage();
    const std::int64_t total = progress.total();
    if (stage != shownStage_ || total != shownTotal_) {
        // A new stage: the time left is reckoned from its own start.
        shownStage_ = stage;
        shownTotal_ = total;
        stageClock_.start();
    }
    const std::int64_t done = progress.done();
    progressBar_->setValue(percentDone(done, total));
    progressBar_->setFormat(
        progressText(stage, done, total, static_cast<double>(stageClock_.elapsed()) / 1000.0));
}

void ComputingScreen::showOutcome(Outcome outcome) {
    if (progressBar_ == nullptr || click_ == nullptr) {
        return;
    }
    switch (outcome) {
        case Outcome::Completed:
            // A click that ran no walk (a missing datum) leaves the bar empty.
            if (click_->progress().stage() == Stage::Walks) {
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
    return click_->length(field->text().toStdString(), captionOf(field));
}

Int16 ComputingScreen::readCount(const QLineEdit* field) {
    return click_->count(field->text().toStdString(), captionOf(field));
}

LDomainReading ComputingScreen::readLDomain(const LDomainFields& fields,
                                            std::initializer_list<const QLineEdit*> own) {
    LDomainReading reading;
    const Int16 a = readCount(fields.cornerA);
    const Int16 b = readCount(fields.cornerB);
    reading.problem.lx = readLength(fields.lengthX);
    reading.problem.ly = readLength(fields.lengthY);
    for (const QLineEdit* field : own) {
        reading.own.push_back(readCount(field));
    }
    reading.walks = readCount(fields.walks);
    const Int16 nx = readCount(fields.divisionsX);
    const Int16 ny = readCount(fields.divisionsY);
    reading.problem.domain = WalkDomain::lShaped(nx, ny, a, b);
    return reading;
}

bool ComputingScreen::fillGrid(const Problem& problem) {
    const int index = datumList_ != nullptr ? datumList_->currentIndex() : -1;
    const std::optional<BoundaryDatum> datum = datumAt(datumFamily_, index);
    if (!click_->fillGrid(problem, datum)) {
        context_.messages.inform(this, kMissingDatumText);
        return false;
    }
    return true;
}

void ComputingScreen::showEstimate(QLineEdit* field, const Estimate& estimate) {
    field->setText(QString::fromStdString(estimateText(estimate.value)));
    // A standard error that is not finite says so, never passes for a number.
    const QString error = std::isfinite(estimate.standardError)
                              ? QString::fromStdString(estimateText(estimate.standardError))
                              : QStringLiteral("non finito");
    field->setToolTip(QStringLiteral("errore standard %1 (N = %2)").arg(error).arg(estimate.walks));
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
