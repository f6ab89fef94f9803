// The words of the run-time error report: one Italian text for each kind of error, its detail
// and the field's caption after it.
#include <gtest/gtest.h>

#include <tuple>

#include "messages.hpp"
#include "runtime_error.hpp"

namespace nurlo {
namespace {

TEST(ErrorReport, NamesEveryKindInItalianWithItsDetailAndField) {
    // The error, the field's caption and the report after "Errore di run-time: ".
    const std::tuple<RuntimeError, const char*, const char*> cases[] = {
        {RuntimeError(ErrorKind::TypeMismatch), "Dimensioni",
         "Tipo non corrispondente: il testo non è un numero\nCampo: \"Dimensioni\""},
        {RuntimeError(ErrorKind::Overflow), "N prove",
         "Overflow: valore fuori dall'intervallo da -32768 a 32767\nCampo: \"N prove\""},
        {RuntimeError::numberTooLarge(), "",
         "Overflow: numero troppo grande, oltre il massimo di un numero in virgola mobile a 64 "
         "bit (circa 1,8e308)"},
        {RuntimeError(ErrorKind::SubscriptOutOfRange), "",
         "Indice non compreso nell'intervallo: nodo fuori dalla griglia"},
        {RuntimeError(ErrorKind::FloatingPoint), "",
         "Errore di virgola mobile: operazione non valida, divisione per zero o overflow"},
        {RuntimeError(ErrorKind::File, "/tmp/x/risultato.m"), "",
         "Errore di file: impossibile aprire o scrivere il file (/tmp/x/risultato.m)"},
        {RuntimeError(ErrorKind::OutOfMemory), "", "Memoria insufficiente"},
    };
    for (const auto& [error, field, report] : cases) {
        EXPECT_EQ(errorReportText(error, QString::fromUtf8(field)),
                  QStringLiteral("Errore di run-time: ") + QString::fromUtf8(report));
    }
}

}  // namespace
}  // namespace nurlo
