#include "result_location.hpp"

#include <unistd.h>
#include <QCoreApplication>
#include <QStandardPaths>
#include <cstdlib>
#include <string>
#include <system_error>

namespace nurlo {

bool canCreateFileIn(const std::filesystem::path& folder) {
    std::string probe = (folder / ".nurlo-probe-XXXXXX").string();
    const int descriptor = ::mkstemp(probe.data());
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    ::unlink(probe.c_str());
    return true;
}

std::filesystem::path resultScriptPath(const std::filesystem::path& executableFolder,
                                       const std::filesystem::path& documentsFolder,
                                       const FolderWritable& writable) {
    if (documentsFolder.empty() || writable(executableFolder)) {
        return executableFolder / "risultato.m";
    }
    std::error_code ignored;
    std::filesystem::create_directories(documentsFolder, ignored);
    return documentsFolder / "risultato.m";
}

std::filesystem::path resultScriptPath() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return resultScriptPath(QCoreApplication::applicationDirPath().toStdString(),
                            documents.toStdString());
}

}  // namespace nurlo
