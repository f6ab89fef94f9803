// The menu: two rows of three buttons, one row for the square and one for the L-shaped domain,
// and "Esci".
#pragma once

#include <QWidget>

namespace nurlo {

class Form1 final : public QWidget {
    Q_OBJECT

public:
    Form1();

signals:
    // A menu button asks for computing screen `formNumber` (2 to 7).
    void openScreen(int formNumber);
    // "Esci", or the window's close button.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace nurlo
