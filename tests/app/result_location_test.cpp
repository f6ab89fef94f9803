// Where risultato.m goes: beside the executable when that folder can be written, else in the
// user's documents folder, made if missing.
#include <QCoreApplication>
#include <QtTest>
#include <fstream>

#include "result_location.hpp"
#include "temp_folder.hpp"

using namespace nurlo;

namespace {

std::size_t entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

}  // namespace

class ResultLocationTest : public QObject {
    Q_OBJECT

private slots:
    // A folder that can be written keeps the result beside the executable, leaves no probe behind
    // and makes no documents folder; the program's own choice in the build tree is that case.
    void aWritableExecutableFolderKeepsTheResult() {
        TempFolder folder;
        const auto executable = folder / "bin";
        const auto documents = folder / "home" / "Documenti";
        std::filesystem::create_directory(executable);
        QVERIFY(canCreateFileIn(executable));
        QCOMPARE(entries(executable), std::size_t{0});
        QCOMPARE(resultScriptPath(executable, documents), executable / "risultato.m");
        QVERIFY(!std::filesystem::exists(documents));

        const std::filesystem::path here = QCoreApplication::applicationDirPath().toStdString();
        QCOMPARE(resultScriptPath(), here / "risultato.m");
    }

    // An executable folder that cannot be written, really (/proc refuses new files even to root)
    // or as the check says, sends the result to the documents folder, made with its parents; the
    // file can then be written there. With neither writable the path names the documents folder
    // and the open fails there, which the section screens report as the file error.
    void anUnwritableExecutableFolderSendsItToTheDocuments() {
        TempFolder folder;
        const auto documents = folder / "home" / "Documenti";
        QVERIFY(!canCreateFileIn("/proc"));
        const std::filesystem::path path = resultScriptPath("/proc", documents);
        QCOMPARE(path, documents / "risultato.m");
        QVERIFY(std::filesystem::is_directory(documents));
        QVERIFY(std::ofstream(path) << "z2=[];\n");

        const auto elsewhere = folder / "altrove";
        const auto onlyTheTemporaryFolder = [&](const std::filesystem::path& asked) {
            return asked == folder.path();
        };
        QCOMPARE(resultScriptPath(folder.path(), elsewhere, onlyTheTemporaryFolder),
                 folder.path() / "risultato.m");
        QCOMPARE(resultScriptPath(documents, elsewhere, onlyTheTemporaryFolder),
                 elsewhere / "risultato.m");

        const std::filesystem::path nowhere = resultScriptPath("/proc", "/proc/nurlo/Documenti");
        QCOMPARE(nowhere, std::filesystem::path("/proc/nurlo/Documenti/risultato.m"));
        QVERIFY(!std::ofstream(nowhere));
        // No home, no documents folder: the executable's folder is the only place left.
        QCOMPARE(resultScriptPath("/proc", {}), std::filesystem::path("/proc/risultato.m"));
    }
};

QTEST_GUILESS_MAIN(ResultLocationTest)
#include "result_location_test.moc"
