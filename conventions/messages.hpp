// The program's message boxes, behind an interface so that tests can record them instead of
// waiting on a modal box.
#pragma once

#include <QString>

class QWidget;

namespace nurlo {

class RuntimeError;

inline const QString kProgramTitle = QStringLiteral("Nurlo");
inline const QString kMissingDatumText = QStringLiteral("Seleziona un dato al bordo!");

// A run-time error in Italian, with its detail (a path) in parentheses.
QString errorText(const RuntimeError& error);

// The text of the run-time error report: the error in Italian and, for a field that did not
// convert, the caption of that field.
QString errorReportText(const RuntimeError& error, const QString& fieldCaption);

class Messages {
public:
    virtual ~Messages() = default;
    // A modal box titled "Nurlo" with `text`, one OK button and no icon.
    virtual void inform(QWidget* parent, const QString& text) = 0;
    // The run-time error report: a modal box titled "Nurlo" naming the error.
    virtual void reportError(QWidget* parent, const QString& text) = 0;
};

// Real modal message boxes.
class MessageBoxes final : public Messages {
public:
    void inform(QWidget* parent, const QString& text) override;
    void reportError(QWidget* parent, const QString& text) override;
};

}  // namespace nurlo
