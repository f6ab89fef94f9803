// Messages that tests record instead of showing: each with its kind, its text and the background
// colour that the screen showed at that moment.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <vector>

#include "messages.hpp"

namespace nurlo::test {

struct RecordedMessage {
    enum class Kind { Information, ErrorReport } kind;
    QString text;
    QColor background;
};

class RecordingMessages final : public Messages {
public:
    void inform(QWidget* parent, const QString& text) override {
        record(RecordedMessage::Kind::Information, parent, text);
    }
    void reportError(QWidget* parent, const QString& text) override {
        record(RecordedMessage::Kind::ErrorReport, parent, text);
    }

    std::vector<RecordedMessage> messages;

private:
    void record(RecordedMessage::Kind kind, QWidget* parent, const QString& text) {
        const QColor background =
            parent != nullptr ? parent->palette().color(QPalette::Window) : QColor();
        messages.push_back({kind, text, background});
    }
};

}  // namespace nurlo::test
