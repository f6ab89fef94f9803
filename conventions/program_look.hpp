// The program's fonts: Carlito at 8.25 points for every control, the headings in bold, and a
// playful display face for the title.
#pragma once

#include <QFont>

class QApplication;

namespace nurlo {

void applyProgramFont(QApplication& application);
QFont headingFont();
QFont titleFont();

}  // namespace nurlo
