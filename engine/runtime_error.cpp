#include "runtime_error.hpp"

namespace nurlo {

std::string_view italianText(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::TypeMismatch:
            return "Tipo non corrispondente: il testo non è un numero";
        case ErrorKind::Overflow:
            return "Overflow: valore fuori dall'intervallo da -32768 a 32767";
        case ErrorKind::SubscriptOutOfRange:
            return "Indice non compreso nell'intervallo: nodo fuori dalla griglia";
        case ErrorKind::FloatingPoint:
            return "Errore di virgola mobile: operazione non valida, divisione per zero o overflow";
        case ErrorKind::File:
            return "Errore di file: impossibile aprire o scrivere il file";
        case ErrorKind::OutOfMemory:
            return "Memoria insufficiente";
    }
    return "Errore sconosciuto";
}

namespace {
std::string message(std::string_view text, const std::string& detail) {
    std::string message(text);
    if (!detail.empty()) {
        message += " (" + detail + ")";
    }
    return message;
}
}  // namespace

RuntimeError::RuntimeError(ErrorKind kind, std::string detail)
    : RuntimeError(kind, italianText(kind), std::move(detail)) {}

RuntimeError::RuntimeError(ErrorKind kind, std::string_view text, std::string detail)
    : std::runtime_error(message(text, detail)), kind_(kind), detail_(std::move(detail)) {}

RuntimeError RuntimeError::numberTooLarge() {
    return RuntimeError(ErrorKind::Overflow,
                        "Overflow: numero troppo grande, oltre il massimo di un numero in virgola "
                        "mobile a 64 bit (circa 1,8e308)",
                        {});
}

}  // namespace nurlo
