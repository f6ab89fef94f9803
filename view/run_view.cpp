#include "run_view.hpp"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QVBoxLayout>

#include <sys/resource.h>
#include <unistd.h>

#include <new>

#include "domain_picture.hpp"
#include "exact_solution.hpp"
#include "field_maps.hpp"
#include "held_input.hpp"
#include "run_charts.hpp"

namespace nurlo {
namespace {

// The icons and type names of the save dialog, by a file's kind alone. The dialog's own would
// read each file's first bytes to tell its type, and some files never answer a read (as root,
// /proc/kmsg waits for the kernel's next message): the dialog would hang on them.
class KindIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        return icon(info.isDir() ? IconType::Folder : IconType::File);
    }
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Cartella") : QStringLiteral("File");
    }
};

// The solving thread gives way to every other: the walks run at full speed beside it.
void yieldToOtherThreads() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); }

}  // namespace

RunView::RunView(const ScreenRow& screen, std::function<std::size_t()> availableMemory,
                 QWidget* parent)
    : QWidget(parent, Qt::Window),
      point_(screen.isPoint()),
      availableMemory_(std::move(availableMemory)) {
    const QString title = QString::fromUtf8(screen.title);
    setObjectName(QStringLiteral("Grafico") + title);
    setWindowTitle(QStringLiteral("Grafico ") + title);
    setAttribute(Qt::WA_DeleteOnClose, false);

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("Content"));
    content_->setAutoFillBackground(true);
    auto* contentLayout = new QVBoxLayout(content_);
    contentLayout->setContentsMargins(6, 6, 6, 6);
    numbers_ = new QPlainTextEdit(content_);
    numbers_->setObjectName(QStringLiteral("Text1"));
    numbers_->setReadOnly(true);
    numbers_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    numbers_->setMaximumHeight(point_ ? 150 : 100);
    numbers_->installEventFilter(this);
    connect(numbers_, &QPlainTextEdit::selectionChanged, this, &RunView::showNumbers);
    if (point_) {
        pointPage_ = new QWidget(content_);
        auto* row = new QHBoxLayout(pointPage_);
        row->setContentsMargins(0, 0, 0, 0);
        picture_ = new DomainPicture(pointPage_);
        picture_->setObjectName(QStringLiteral("Picture1"));
        convergence_ = new ConvergenceChart(pointPage_);
        convergence_->setObjectName(QStringLiteral("Chart1"));
        auto* logScale = new QCheckBox(QStringLiteral("scala &logaritmica"), content_);
        logScale->setObjectName(QStringLiteral("Check1"));
        logScale->setChecked(convergence_->logarithmic());
        connect(logScale, &QCheckBox::toggled, this, [this](bool on) {
            convergence_->setLogarithmic(on);
            convergence_->show(shown_);
        });
        auto* chartColumn = new QVBoxLayout();
        chartColumn->addWidget(convergence_, 1);
        chartColumn->addWidget(logScale);
        row->addWidget(picture_, 1);
        row->addLayout(chartColumn, 1);
        contentLayout->addWidget(pointPage_, 1);
        fieldMaps_ = new FieldMaps(content_);
        fieldMaps_->setObjectName(QStringLiteral("Picture2"));
        fieldMaps_->hide();
        contentLayout->addWidget(fieldMaps_, 1);
    } else {
        section_ = new SectionChart(content_);
        section_->setObjectName(QStringLiteral("Chart1"));
        contentLayout->addWidget(section_, 1);
    }
    contentLayout->addWidget(numbers_);

    save_ = new QPushButton(QStringLiteral("&Salva immagine…"), this);
    save_->setObjectName(QStringLiteral("Command1"));
    connect(save_, &QPushButton::clicked, this, [this] { askWhereToSave(); });
    resultPath_ = new QLabel(this);
    resultPath_->setObjectName(QStringLiteral("Label1"));
    resultPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultPath_->hide();
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(resultPath_);
    if (point_) {
        wholeField_ = new QPushButton(QStringLiteral("Campo &intero"), this);
        wholeField_->setObjectName(QStringLiteral("Command2"));
        wholeField_->setToolTip(QStringLiteral(
            "Stima in una griglia di nodi (fino a 64 × 64) con i dati della finestra, accanto "
            "alla soluzione esatta discreta, e l'errore di ogni stima in errori standard."));
        connect(wholeField_, &QPushButton::clicked, this, &RunView::wholeFieldRequested);
        buttons->addWidget(wholeField_);
    }
    buttons->addStretch(1);
    buttons->addWidget(save_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 8);
    layout->addWidget(content_, 1);
    layout->addLayout(buttons);
    resize(point_ ? 1040 : 760, point_ ? 640 : 560);

    connect(&timer_, &QTimer::timeout, this, &RunView::refresh);
    timer_.start(kRefreshMilliseconds);
    shownVersion_ = ~std::uint64_t{0};
    refresh();
}

RunView::~RunView() { stopExact(true); }

void RunView::showResultPath(const QString& path) {
    resultPath_->setText(QStringLiteral("File del risultato: %1").arg(path));
    resultPath_->show();
}

ExactField exactFieldFor(const ExactSolution& solution, const CalculationPlan& plan,
                         const Progress* progress) {
    ExactField field;
    field.nx = solution.nx();
    field.ny = solution.ny();
    if (plan.axis) {
        // A section: its whole line.
        const Node first = plan.nodes.empty() ? Node{} : plan.nodes.front();
        field.lineAxis = plan.axis;
        field.lineFixed = *plan.axis == SectionAxis::X ? first.y : first.x;
        field.line = *plan.axis == SectionAxis::X ? solution.row(field.lineFixed, progress)
                                                  : solution.column(field.lineFixed, progress);
        return field;
    }
    // A point click: its start node, and the picture's samples.
    for (const Node node : plan.nodes) {
        field.nodes[nodeKey(node)] = solution.at(node.x, node.y, progress);
    }
    field.columns = ExactField::spread(solution.nx(), kExactSamples);
    field.rows = ExactField::spread(solution.ny(), kExactSamples);
    field.values = solution.samples(field.columns, field.rows, progress);
    return field;
}

void RunView::planned(const CalculationPlan& plan, const BoundaryGrid& grid,
                      Progress& /*progress*/) {
    // The last click's solve, if it still runs, gives way before the new click's data begin.
    stopExact(true);
    firstWalksPosted_.store(false);
    if (plan.wholeField) {
        // The field solves for its own exact values; the point run's data stay as they were.
        field_.begin(plan);
        return;
    }
    field_.clear();
    data_.begin(plan);
    // A view closed meanwhile costs the click no solve.
    if (open_.load() && availableMemory_) {
        startExact(plan, grid);
    }
}

void RunView::startExact(const CalculationPlan& plan, const BoundaryGrid& clickGrid) {
    const std::lock_guard lock(exactMutex_);
    // The click's grid lives only as long as the click: the solve, which may outlast it, works
    // on a copy (the grid keeps only its outer lines, so the copy is small).
    auto grid = std::make_shared<const BoundaryGrid>(clickGrid);
    auto own = std::make_shared<const CalculationPlan>(plan);
    if (exactThread_.joinable()) {
        exactThread_.join();
    }
    exactProgress_ = std::make_shared<Progress>();
    exactThread_ = std::thread([this, grid, own, progress = exactProgress_] {
        yieldToOtherThreads();
        try {
            solveExactFor(*own, *grid, *progress);
        } catch (...) {
            // Stopped (Esc, the view closed, the next click), or failed in a way of its own:
            // this click has no exact solution.
            data_.setExactState(ExactState::Missing);
        }
    });
}

void RunView::stopExact(bool wait) {
    const std::lock_guard lock(exactMutex_);
    if (exactProgress_) {
        exactProgress_->requestStop();
    }
    if (wait && exactThread_.joinable()) {
        exactThread_.join();
        exactProgress_.reset();
    }
}

void RunView::solveExactFor(const CalculationPlan& plan, const BoundaryGrid& grid,
                            Progress& progress) {
    if (!availableMemory_) {
        return;
    }
    try {
        const ExactSolution solution =
            solveExact(grid, plan.problem.domain, ExactSolveOptions(availableMemory_(), &progress));
        data_.setExact(
            std::make_shared<const ExactField>(exactFieldFor(solution, plan, &progress)));
    } catch (const std::bad_alloc&) {
        data_.setExactState(ExactState::TooLarge);
    } catch (const RuntimeError& error) {
        // The view's own solve failing is no reason to fail the click: the view says it has no
        // exact solution, and where memory ran out during the solve, that the grid is too large
        // for it. A stop (Interrupted) ends the solving thread without it.
        data_.setExactState(error.kind() == ErrorKind::OutOfMemory ? ExactState::TooLarge
                                                                   : ExactState::Missing);
    }
}

void RunView::ended(Node start, std::span<const WalkEnd> ends) {
    data_.ended(start, ends);
    if (!firstWalksPosted_.exchange(true)) {
        QMetaObject::invokeMethod(this, &RunView::refresh, Qt::QueuedConnection);
    }
}

void RunView::estimated(std::size_t index, Node /*node*/, const Estimate& estimate) {
    data_.estimated(index, estimate);
}

void RunView::ended(Outcome outcome) {
    if (outcome == Outcome::Interrupted) {
        stopExact(false);  // Esc stops the yardstick with the walks
    }
    bool exactComing = false;
    {
        const std::lock_guard lock(exactMutex_);
        exactComing = exactProgress_ && !exactProgress_->stopRequested();
    }
    RunState state = RunState::Completed;
    switch (outcome) {
        case Outcome::Completed:
            state = RunState::Completed;
            break;
        case Outcome::Interrupted:
            state = RunState::Interrupted;
            break;
        case Outcome::Failed:
            state = RunState::Failed;
            break;
    }
    // A whole field's click ends the field and leaves the point run as it was.
    if (!field_.finished(state)) {
        data_.finished(state, exactComing);
    }
    refresh();
}

void RunView::showField(bool field) {
    if (fieldMaps_ == nullptr || field == showingField_) {
        return;
    }
    showingField_ = field;
    pointPage_->setVisible(!field);
    fieldMaps_->setVisible(field);
    numbers_->setMaximumHeight(field ? 90 : 150);
}

void RunView::refresh() {
    if (fieldMaps_ != nullptr && field_.active()) {
        showField(true);
        if (field_.version() == shownFieldVersion_) {
            return;
        }
        const FieldSnapshot snapshot = field_.snapshot();
        shownFieldVersion_ = snapshot.version;
        fieldMaps_->show(snapshot);
        numbersText_ = QString::fromStdString(fieldNumbersText(snapshot)).trimmed();
        showNumbers();
        return;
    }
    if (showingField_) {
        showField(false);
        shownVersion_ = ~data_.version();  // the point run's numbers are written anew
    }
    if (data_.version() == shownVersion_) {
        return;
    }
    shown_ = data_.snapshot();
    shownVersion_ = shown_.version;
    if (picture_ != nullptr) {
        picture_->show(shown_);
    }
    if (convergence_ != nullptr) {
        convergence_->show(shown_);
    }
    if (section_ != nullptr) {
        section_->show(shown_);
    }
    const std::string text = point_ ? pointNumbersText(shown_) : sectionNumbersText(shown_);
    numbersText_ = QString::fromStdString(text).trimmed();
    showNumbers();
}

void RunView::showNumbers() {
    // Replacing the text would drop a selection the person is making, and while walks run the
    // numbers change a few times a second: a selection holds them as they were until it goes.
    if (!numbers_->textCursor().hasSelection() && numbers_->toPlainText() != numbersText_) {
        numbers_->setPlainText(numbersText_);
    }
}

QString RunView::copiedText() {
    if (field_.active()) {
        return QString::fromStdString(fieldTsvText(field_.snapshot()));
    }
    return QString::fromStdString(tsvText(data_.snapshot()));
}

void RunView::copy() {
    if (numbers_->textCursor().hasSelection()) {
        numbers_->copy();
        return;
    }
    const QString text = copiedText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

QImage RunView::image() {
    refresh();
    return content_->grab().toImage();
}

bool RunView::saveImage(const QString& path) { return image().save(path, "PNG"); }

QFileDialog* RunView::askWhereToSave() {
    if (saveDialog_ == nullptr) {
        static KindIconProvider kIcons;
        auto* dialog = new QFileDialog(this, QStringLiteral("Salva immagine"), QDir::currentPath(),
                                       QStringLiteral("Immagini PNG (*.png)"));
        dialog->setObjectName(QStringLiteral("SalvaImmagine"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setOptions(QFileDialog::DontUseNativeDialog |
                           QFileDialog::DontUseCustomDirectoryIcons);
        dialog->setIconProvider(&kIcons);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->selectFile(QStringLiteral("grafico.png"));
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            const QString file =
                path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? path : path + ".png";
            if (!saveImage(file)) {
                auto* box = new QMessageBox(
                    QMessageBox::Warning, windowTitle(),
                    QStringLiteral("Impossibile salvare l'immagine in %1.").arg(file),
                    QMessageBox::Ok, this);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
            }
        });
        saveDialog_ = dialog;
    }
    saveDialog_->open();
    saveDialog_->raise();
    saveDialog_->activateWindow();
    return saveDialog_;
}

bool RunView::eventFilter(QObject* watched, QEvent* event) {
    // In the numbers Ctrl+C with nothing selected copies the data, as it does elsewhere in the
    // view; with a selection the text's own copy goes on.
    if (watched == numbers_ &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) && !numbers_->textCursor().hasSelection()) {
            if (event->type() == QEvent::KeyPress) {
                copy();
            }
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RunView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RunView::showEvent(QShowEvent* event) {
    open_.store(true);
    // The view answers during a calculation too: the held input lets its close through at once,
    // and the rest of its input and its dialogs' (copy, selection, saving), which touch no click.
    if (QWindow* handle = windowHandle()) {
        handle->setProperty(kClosesWhileHolding, true);
        handle->setProperty(kAnswersWhileHolding, true);
    }
    QWidget::showEvent(event);
}

void RunView::closeEvent(QCloseEvent* event) {
    open_.store(false);
    stopExact(false);
    event->accept();
    emit closed();
}

}  // namespace nurlo
