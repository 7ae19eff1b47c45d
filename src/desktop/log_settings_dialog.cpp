#include "log_settings_dialog.h"

#include "dialog_hooks.h"
#include "help.h"
#include "ids.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qova::desktop {
namespace {

const QString kAllFilesFilter = QStringLiteral("All Files (*.*)");

// One group: check box, label, path field and its Browse button.
QGroupBox* LogGroup(const QString& title, QCheckBox* check, const QString& label, QLineEdit* path,
                    QPushButton* browse) {
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    grid->addWidget(check, 0, 0, 1, 2);
    grid->addWidget(new QLabel(label), 1, 0, 1, 2);
    grid->addWidget(path, 2, 0);
    grid->addWidget(browse, 2, 1);
    grid->setColumnStretch(0, 1);
    return group;
}

} // namespace

CLogSettingsDlg::CLogSettingsDlg(MonitorRecord& record, SettingsStore& store, QWidget* parent)
    : QDialog(parent), record_(record), store_(store),
      doAccessLog_(new QCheckBox(QStringLiteral("Log all transactions"))),
      accessLogPath_(new QLineEdit), browseAccessLog_(new QPushButton(QStringLiteral("Browse"))),
      doErrorLog_(new QCheckBox(QStringLiteral("Log errors"))), errorLogPath_(new QLineEdit),
      browseErrorLog_(new QPushButton(QStringLiteral("Browse"))),
      ok_(new QPushButton(QStringLiteral("OK"))),
      cancel_(new QPushButton(QStringLiteral("Cancel"))) {
    setWindowTitle(QStringLiteral("Logs"));
    SetHelpContext(this, ids::kLogSettingsDialog);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LogGroup(QStringLiteral("Access Log"), doAccessLog_,
                               QStringLiteral("Access log file name"), accessLogPath_,
                               browseAccessLog_));
    layout->addWidget(LogGroup(QStringLiteral("Error Log"), doErrorLog_,
                               QStringLiteral("Error log file name"), errorLogPath_,
                               browseErrorLog_));
    layout->addLayout(buttons);
    setMinimumWidth(540);

    ok_->setDefault(true);
    setTabOrder(doAccessLog_, accessLogPath_);
    setTabOrder(accessLogPath_, browseAccessLog_);
    setTabOrder(browseAccessLog_, doErrorLog_);
    setTabOrder(doErrorLog_, errorLogPath_);
    setTabOrder(errorLogPath_, browseErrorLog_);
    setTabOrder(browseErrorLog_, ok_);
    setTabOrder(ok_, cancel_);

    doAccessLog_->setChecked(record_.doAccessLog != 0);
    doErrorLog_->setChecked(record_.doErrorLog != 0);
    accessLogPath_->setText(QString::fromStdString(record_.accessLogPath));
    errorLogPath_->setText(QString::fromStdString(record_.errorLogPath));

    connect(browseAccessLog_, &QPushButton::clicked, this, &CLogSettingsDlg::OnBrowseAccessLog);
    connect(browseErrorLog_, &QPushButton::clicked, this, &CLogSettingsDlg::OnBrowseErrorLog);
    connect(ok_, &QPushButton::clicked, this, &CLogSettingsDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CLogSettingsDlg::reject);
}

void CLogSettingsDlg::OnBrowseAccessLog() {
    Browse(accessLogPath_, QStringLiteral("Access Log Files (*.log)"));
}

void CLogSettingsDlg::OnBrowseErrorLog() {
    Browse(errorLogPath_, QStringLiteral("Error Log Files (*.log)"));
}

void CLogSettingsDlg::Browse(QLineEdit* target, const QString& logFilter) {
    // Only the name goes into the field; the file is neither created nor
    // touched, and the choice counts only if the dialog ends with OK.
    QString chosen =
        FileDialogs::GetSaveFileName(this, QStringLiteral("Save As"), QString(),
                                     logFilter + ";;" + kAllFilesFilter, QStringLiteral("log"));
    if (!chosen.isEmpty()) {
        target->setText(chosen);
    }
}

void CLogSettingsDlg::accept() {
    record_.accessLogPath = accessLogPath_->text().toStdString();
    record_.errorLogPath = errorLogPath_->text().toStdString();
    record_.doAccessLog = doAccessLog_->isChecked() ? 1 : 0;
    record_.doErrorLog = doErrorLog_->isChecked() ? 1 : 0;
    store_.WriteProfileInt("Settings", "DoAccessLog", record_.doAccessLog);
    store_.WriteProfileInt("Settings", "DoErrorLog", record_.doErrorLog);
    store_.WriteProfileString("Settings", "AccessLogFile", record_.accessLogPath);
    store_.WriteProfileString("Settings", "ErrorLogFile", record_.errorLogPath);
    QDialog::accept();
}

} // namespace qova::desktop
