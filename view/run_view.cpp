#include "run_view.hpp"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QVBoxLayout>

#include <new>

#include "domain_picture.hpp"
#include "exact_solution.hpp"
#include "held_input.hpp"
#include "run_charts.hpp"

namespace nurlo {

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
    if (point_) {
        auto* row = new QHBoxLayout();
        picture_ = new DomainPicture(content_);
        picture_->setObjectName(QStringLiteral("Picture1"));
        convergence_ = new ConvergenceChart(content_);
        convergence_->setObjectName(QStringLiteral("Chart1"));
        row->addWidget(picture_, 1);
        row->addWidget(convergence_, 1);
        contentLayout->addLayout(row, 1);
    } else {
        section_ = new SectionChart(content_);
        section_->setObjectName(QStringLiteral("Chart1"));
        contentLayout->addWidget(section_, 1);
    }
    contentLayout->addWidget(numbers_);

    save_ = new QPushButton(QStringLiteral("&Salva immagine…"), this);
    save_->setObjectName(QStringLiteral("Command1"));
    connect(save_, &QPushButton::clicked, this, &RunView::askAndSaveImage);
    resultPath_ = new QLabel(this);
    resultPath_->setObjectName(QStringLiteral("Label1"));
    resultPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultPath_->hide();
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(resultPath_);
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

RunView::~RunView() = default;

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

void RunView::planned(const CalculationPlan& plan, const BoundaryGrid& grid, Progress& progress) {
    data_.begin(plan);
    // A view closed meanwhile costs the click no solve.
    if (open_.load()) {
        solveExactFor(plan, grid, progress);
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
        // for it. Esc (Interrupted) does stop the click.
        data_.setExactState(error.kind() == ErrorKind::OutOfMemory ? ExactState::TooLarge
                                                                   : ExactState::Missing);
    }
}

void RunView::estimated(std::size_t index, Node /*node*/, const Estimate& estimate) {
    data_.estimated(index, estimate);
}

void RunView::ended(Outcome outcome) {
    switch (outcome) {
        case Outcome::Completed:
            data_.finished(RunState::Completed);
            break;
        case Outcome::Interrupted:
            data_.finished(RunState::Interrupted);
            break;
        case Outcome::Failed:
            data_.finished(RunState::Failed);
            break;
    }
    refresh();
}

void RunView::refresh() {
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
    const QString numbers = QString::fromStdString(text);
    // Replacing the text would drop a selection the person is making: only when it changes.
    if (numbers_->toPlainText() != numbers.trimmed()) {
        numbers_->setPlainText(numbers.trimmed());
    }
}

QString RunView::copiedText() { return QString::fromStdString(tsvText(data_.snapshot())); }

void RunView::copy() {
    if (numbers_->textCursor().hasSelection()) {
        numbers_->copy();
        return;
    }
    QApplication::clipboard()->setText(copiedText());
}

QImage RunView::image() {
    refresh();
    return content_->grab().toImage();
}

bool RunView::saveImage(const QString& path) { return image().save(path, "PNG"); }

void RunView::askAndSaveImage() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Salva immagine"), QStringLiteral("grafico.png"),
        QStringLiteral("Immagini PNG (*.png)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
        return;
    }
    const QString file =
        path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? path : path + ".png";
    if (!saveImage(file)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Impossibile salvare l'immagine in %1.").arg(file));
    }
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
    // Closing the view is always allowed, during a calculation too: the held input lets its
    // close through at once (and only its close: the rest of its input waits like any other).
    if (QWindow* handle = windowHandle()) {
        handle->setProperty(kClosesWhileHolding, true);
    }
    QWidget::showEvent(event);
}

void RunView::closeEvent(QCloseEvent* event) {
    open_.store(false);
    event->accept();
    emit closed();
}

}  // namespace nurlo
