// A push button whose caption wraps onto several lines when it is wider than the button, as the
// long captions of the menu need ("Lungo una sezione parallela x").
#pragma once

#include <QPushButton>

namespace nurlo {

class CaptionButton : public QPushButton {
    Q_OBJECT

public:
    CaptionButton(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nurlo
