#include "result_location.hpp"

#include <QCoreApplication>

namespace nurlo {

std::filesystem::path resultScriptPath() {
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
           "risultato.m";
}

}  // namespace nurlo
