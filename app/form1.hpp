// The menu: a button for every computing screen of the table (screen_factory.hpp), in a row for
// the square and a row for the L-shaped domain, and "Esci".
#pragma once

#include <QWidget>

namespace nurlo {

class Form1 final : public QWidget {
    Q_OBJECT

public:
    Form1();

signals:
    // A menu button asks for computing screen Form<number>.
    void openScreen(int number);
    // "Esci", or the window's close button.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace nurlo
