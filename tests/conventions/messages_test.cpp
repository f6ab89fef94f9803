// The words of the run-time error report: one Italian text for every kind of error, the detail
// and the field's caption after it.
#include <gtest/gtest.h>

#include <set>

#include "messages.hpp"
#include "runtime_error.hpp"

namespace nurlo {
namespace {

TEST(ErrorReport, NamesEveryKindInItalianWithItsDetailAndField) {
    const ErrorKind kinds[] = {
        ErrorKind::TypeMismatch,  ErrorKind::Overflow, ErrorKind::SubscriptOutOfRange,
        ErrorKind::FloatingPoint, ErrorKind::File,     ErrorKind::OutOfMemory};
    std::set<QString> texts;
    for (const ErrorKind kind : kinds) {
        const QString text = errorText(RuntimeError(kind));
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.startsWith(QStringLiteral("Errore sconosciuto")));
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(kinds));  // no two kinds read alike
    EXPECT_EQ(errorText(RuntimeError(ErrorKind::SubscriptOutOfRange)),
              QStringLiteral("Indice non compreso nell'intervallo: nodo fuori dalla griglia"));
    EXPECT_EQ(errorText(RuntimeError(ErrorKind::File, "/tmp/x/risultato.m")),
              QStringLiteral(
                  "Errore di file: impossibile aprire o scrivere il file (/tmp/x/risultato.m)"));
    EXPECT_EQ(errorText(RuntimeError::numberTooLarge()),
              QStringLiteral("Overflow: numero troppo grande, oltre il massimo di un numero in "
                             "virgola mobile a 64 bit (circa 1,8e308)"));

    EXPECT_EQ(errorReportText(RuntimeError(ErrorKind::Overflow), QStringLiteral("N prove")),
              QStringLiteral("Errore di run-time: Overflow: valore fuori dall'intervallo da "
                             "-32768 a 32767\nCampo: \"N prove\""));
    EXPECT_EQ(errorReportText(RuntimeError(ErrorKind::OutOfMemory), {}),
              QStringLiteral("Errore di run-time: Memoria insufficiente"));
}

}  // namespace
}  // namespace nurlo
