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
    }
    slot->show();
    ensureMenu().hide();
}

void Program::returnToMenu(ComputingScreen* screen) {
    Form1& menu = ensureMenu();
    screen->hide();
    menu.show();
}

}  // namespace nurlo
