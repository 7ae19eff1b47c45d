#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

class QWidget;

namespace qova::desktop {

// Every modal message box and file dialog of the program goes through here, so
// that tests can queue the answers and never block on a modal loop.
class MessageBoxes {
  public:
    // The program's validation and information messages: title "QOVA", OK button.
    static void Inform(QWidget* parent, const QString& text);
    // A question with Yes and No; true for Yes.
    static bool AskYesNo(QWidget* parent, const QString& text);

    // Tests: answer the next boxes without showing them (true = Yes/OK).
    static void SetNextAnswers(std::deque<bool> answers);
    // Tests: the texts of the boxes shown (or answered) since the last Take.
    static QStringList TakeShown();
};

class FileDialogs {
  public:
    // A save-kind file dialog; empty when cancelled.
    static QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                   const QString& filters, const QString& defaultSuffix);
    // Tests: the name the next dialog returns (empty = cancelled).
    static void SetNextSaveName(std::optional<QString> name);
};

} // namespace qova::desktop
