#include "program.hpp"

#include <stdexcept>

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

ComputingScreen* Program::screen(int formNumber) const {
    if (formNumber < 2 || formNumber > 7) {
        throw std::out_of_range("no computing screen with that number");
    }
    return screens_[static_cast<std::size_t>(formNumber - 2)].get();
}

void Program::openScreen(int formNumber) {
    if (formNumber < 2 || formNumber > 7) {
        throw std::out_of_range("no computing screen with that number");
    }
    auto& slot = screens_[static_cast<std::size_t>(formNumber - 2)];
    if (!slot) {
        slot = factory_(formNumber, context_);
        ComputingScreen* created = slot.get();
        connect(created, &ComputingScreen::backToMenu, this,
                [this, created] { returnToMenu(created); });
        connect(created, &ComputingScreen::viewRequested, this,
                [this, formNumber] { openView(formNumber); });
    }
    slot->show();
    ensureMenu().hide();
}

RunView* Program::view(int formNumber) const {
    if (formNumber < 2 || formNumber > 7) {
        throw std::out_of_range("no computing screen with that number");
    }
    return views_[static_cast<std::size_t>(formNumber - 2)].get();
}

void Program::openView(int formNumber) {
    ComputingScreen* owner = screen(formNumber);
    if (owner == nullptr) {
        return;
    }
    auto& slot = views_[static_cast<std::size_t>(formNumber - 2)];
    if (!slot) {
        slot = std::make_unique<RunView>(formNumber, [this] { return context_.availableMemory(); });
        if (!slot->isPointView()) {
            slot->showResultPath(QString::fromStdString(context_.resultPath.string()));
        }
        // Closed, the view hears of no more clicks: the screen runs as if it had never been.
        connect(slot.get(), &RunView::closed, this, [owner] { owner->setObserver(nullptr); });
    }
    owner->setObserver(slot.get());
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void Program::returnToMenu(ComputingScreen* screen) {
    Form1& menu = ensureMenu();
    screen->hide();
    menu.show();
}

}  // namespace nurlo
