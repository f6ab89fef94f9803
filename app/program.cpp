#include "program.hpp"

#include "screen_factory.hpp"

namespace nurlo {

Program::Program(ScreenContext& context, ScreenFactory factory)
    : context_(context), factory_(std::move(factory)) {}

Program::~Program() = default;

void Program::start() { ensureMenu().show(); }

Form1& Program::ensureMenu() {
    if (!menu_) {
        menu_ = std::make_unique<Form1>();
        connect(menu_.get(), &Form1::openScreen, this, &Program::openScreen);
        connect(menu_.get(), &Form1::exitRequested, this, &Program::exitRequested);
    }
    return *menu_;
}

ComputingScreen* Program::screen(int number) const {
    static_cast<void>(screenRow(number));  // a number not in the table raises
    const auto found = screens_.find(number);
    return found != screens_.end() ? found->second.get() : nullptr;
}

void Program::openScreen(int number) {
    static_cast<void>(screenRow(number));  // a number not in the table raises
    auto& slot = screens_[number];
    if (!slot) {
        slot = factory_(number, context_);
        ComputingScreen* created = slot.get();
        connect(created, &ComputingScreen::backToMenu, this,
                [this, created] { returnToMenu(created); });
        connect(created, &ComputingScreen::viewRequested, this,
                [this, number] { openView(number); });
        // Queued: the click that ended unwinds first.
        connect(created, &ComputingScreen::calculationEnded, this, &Program::runPendingField,
                Qt::QueuedConnection);
    }
    slot->show();
    ensureMenu().hide();
}

RunView* Program::view(int number) const {
    static_cast<void>(screenRow(number));  // a number not in the table raises
    const auto found = views_.find(number);
    return found != views_.end() ? found->second.get() : nullptr;
}

void Program::openView(int number) {
    ComputingScreen* owner = screen(number);
    if (owner == nullptr) {
        return;
    }
    auto& slot = views_[number];
    if (!slot) {
        const ScreenRow& row = screenRow(number);
        slot = std::make_unique<RunView>(row, [this] { return context_.availableMemory(); });
        if (!row.isPoint()) {
            slot->showResultPath(QString::fromStdString(context_.resultPath.string()));
        }
        // Closed, the view hears of no more clicks: the screen runs as if it had never been.
        connect(slot.get(), &RunView::closed, this, [owner] { owner->setObserver(nullptr); });
        // "Campo intero": the screen's whole field, a click like "Calcola!".
        connect(slot.get(), &RunView::wholeFieldRequested, this,
                [this, owner] { requestWholeField(owner); });
    }
    owner->setObserver(slot.get());
    slot->show();
    slot->raise();
    slot->activateWindow();
}

bool Program::anyCalculating() const {
    for (const auto& [number, screen] : screens_) {
        if (screen && screen->calculating()) {
            return true;
        }
    }
    return false;
}

void Program::requestWholeField(ComputingScreen* owner) {
    if (anyCalculating()) {
        pendingField_ = owner;
        return;
    }
    owner->calculateWholeFieldNow();
}

void Program::runPendingField() {
    if (pendingField_ == nullptr || anyCalculating()) {
        return;
    }
    ComputingScreen* owner = pendingField_;
    pendingField_ = nullptr;
    owner->calculateWholeFieldNow();
}

void Program::returnToMenu(ComputingScreen* screen) {
    Form1& menu = ensureMenu();
    screen->hide();
    menu.show();
}

}  // namespace nurlo
