#include "messages.hpp"

#include <QMessageBox>

#include "runtime_error.hpp"

namespace nurlo {

QString errorText(const RuntimeError& error) {
    QString text = [&] {
        switch (error.kind()) {
            case ErrorKind::TypeMismatch:
                return QStringLiteral("Tipo non corrispondente: il testo non è un numero");
            case ErrorKind::Overflow:
                return error.beyondDouble()
                           ? QStringLiteral(
                                 "Overflow: numero troppo grande, oltre il massimo di un numero "
                                 "in virgola mobile a 64 bit (circa 1,8e308)")
                           : QStringLiteral(
                                 "Overflow: valore fuori dall'intervallo da -32768 a 32767");
            case ErrorKind::SubscriptOutOfRange:
                return QStringLiteral(
                    "Indice non compreso nell'intervallo: nodo fuori dalla griglia");
            case ErrorKind::FloatingPoint:
                return QStringLiteral(
                    "Errore di virgola mobile: operazione non valida, divisione per zero o "
                    "overflow");
            case ErrorKind::File:
                return QStringLiteral("Errore di file: impossibile aprire o scrivere il file");
            case ErrorKind::OutOfMemory:
                return QStringLiteral("Memoria insufficiente");
        }
        return QStringLiteral("Errore sconosciuto");
    }();
    if (!error.detail().empty()) {
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(error.detail()));
    }
    return text;
}

QString errorReportText(const RuntimeError& error, const QString& fieldCaption) {
    QString text = QStringLiteral("Errore di run-time: %1").arg(errorText(error));
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
