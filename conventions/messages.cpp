#include "messages.hpp"

#include <QMessageBox>

#include "runtime_error.hpp"

namespace nurlo {

QString errorReportText(const RuntimeError& error, const QString& fieldCaption) {
    QString text = QStringLiteral("Errore di run-time: %1").arg(QString::fromUtf8(error.what()));
    if (!fieldCaption.isEmpty()) {
        text += QStringLiteral("\nCampo: \"%1\"").arg(fieldCaption);
    }
    return text;
}

namespace {
void showModal(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, kProgramTitle, text, QMessageBox::Ok, parent);
    box.exec();
}
}  // namespace

void MessageBoxes::inform(QWidget* parent, const QString& text) {
    showModal(parent, text, QMessageBox::NoIcon);
}

void MessageBoxes::reportError(QWidget* parent, const QString& text) {
    showModal(parent, text, QMessageBox::Critical);
}

}  // namespace nurlo
