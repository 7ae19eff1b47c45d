#include "dialog_hooks.h"

#include <QFileDialog>
#include <QFileInfo>

namespace qova::desktop {
namespace {

std::deque<bool>& QueuedAnswers() {
    static std::deque<bool> answers;
    return answers;
}

QStringList& ShownTexts() {
    static QStringList texts;
    return texts;
}

std::optional<QString>& QueuedSaveName() {
    static std::optional<QString> name;
    return name;
}

const QString kTitle = QStringLiteral("QOVA");

} // namespace

void MessageBoxes::Inform(QWidget* parent, const QString& text) {
    ShownTexts().append(text);
    if (!QueuedAnswers().empty()) {
        QueuedAnswers().pop_front();
        return;
    }
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

bool MessageBoxes::AskYesNo(QWidget* parent, const QString& text) {
    ShownTexts().append(text);
    if (!QueuedAnswers().empty()) {
        bool answer = QueuedAnswers().front();
        QueuedAnswers().pop_front();
        return answer;
    }
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxes::SetNextAnswers(std::deque<bool> answers) {
    QueuedAnswers() = std::move(answers);
}

QStringList MessageBoxes::TakeShown() {
    QStringList texts = ShownTexts();
    ShownTexts().clear();
    return texts;
}

QString FileDialogs::GetSaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                     const QString& filters, const QString& defaultSuffix) {
    if (QueuedSaveName().has_value()) {
        QString name = *QueuedSaveName();
        QueuedSaveName().reset();
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !defaultSuffix.isEmpty()) {
            name += "." + defaultSuffix;
        }
        return name;
    }
    QFileDialog dialog(parent, caption, start, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

void FileDialogs::SetNextSaveName(std::optional<QString> name) {
    QueuedSaveName() = std::move(name);
}

} // namespace qova::desktop
