// Helpers for the screen tests: a screen context with a fixed seed and recorded messages, and
// ways to fill a screen's fields and press its buttons as a person does.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <map>
#include <string>

#include "recording_messages.hpp"
#include "screen_context.hpp"

namespace nurlo::test {

// Memory enough for any grid of the tests.
inline std::size_t plentyOfMemory() { return std::size_t{1} << 40; }

struct TestContext {
    explicit TestContext(std::uint64_t seed = 12345,
                         std::size_t (&availableMemory)() = plentyOfMemory)
        : context{messages, SeededSource(seed),
                  std::filesystem::path(folder.path().toStdString()) / "risultato.m", pool,
                  availableMemory} {}

    RecordingMessages messages;
    QTemporaryDir folder;
    WalkPool pool{2};
    ScreenContext context;
};

template <class T = QWidget>
T* child(const QWidget& screen, const char* name) {
    T* widget = screen.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qFatal("no control named %s on %s", name, qPrintable(screen.objectName()));
    }
    return widget;
}

// Types `text` into the named field, replacing what it held.
inline void type(const QWidget& screen, const char* name, const QString& text) {
    auto* field = child<QLineEdit>(screen, name);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

inline void typeAll(const QWidget& screen, const std::map<std::string, QString>& fields) {
    for (const auto& [name, text] : fields) {
        type(screen, name.c_str(), text);
    }
}

inline void chooseDatum(const QWidget& screen, int index) {
    child<QComboBox>(screen, "Combo1")->setCurrentIndex(index);
}

inline void press(const QWidget& screen, const char* name) {
    QTest::mouseClick(child<QPushButton>(screen, name), Qt::LeftButton);
}

inline QString text(const QWidget& screen, const char* name) {
    return child<QLineEdit>(screen, name)->text();
}

inline QColor background(const QWidget& screen) { return screen.palette().color(QPalette::Window); }

// The click gave exactly one message: the run-time error report, naming `error` and, when
// `caption` is not empty, the field with that caption (otherwise no field at all).
inline void checkSingleErrorReport(const RecordingMessages& recorded, const QString& error,
                                   const QString& caption) {
    QCOMPARE(recorded.messages.size(), std::size_t{1});
    const RecordedMessage& report = recorded.messages.front();
    QCOMPARE(report.kind, RecordedMessage::Kind::ErrorReport);
    QVERIFY2(report.text.contains(error), qPrintable(report.text));
    if (!caption.isEmpty()) {
        QVERIFY2(report.text.contains("\"" + caption + "\""), qPrintable(report.text));
    } else {
        QVERIFY2(!report.text.contains("Campo"), qPrintable(report.text));
    }
}

}  // namespace nurlo::test
