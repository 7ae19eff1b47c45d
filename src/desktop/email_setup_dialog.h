#pragma once

#include "engine/monitor_record.h"
#include "mail/mailer.h"

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qova {
class SettingsStore;
}

namespace qova::desktop {

// Sends the test notice through the mail server in `values` (server, sender
// name, return address, login) to its alert recipient.
MailOutcome SendTestNoticeBySmtp(const MonitorRecord& values);

// "Email Setup": who gets alerts and recovery notices, the return address, the
// mail server, the slow-response threshold and the login for servers that want
// one. It edits a copy of the record's mail settings; only OK puts them back
// into the record and the store. While the alert recipient is typed, the
// recovery recipient and the return address follow it until the user turns to
// them.
class CEmailSetupDlg : public QDialog {
    Q_OBJECT

  public:
    // Sends the test notice with the mail settings in `values` to its alert
    // recipient. Runs on a worker thread, so it must own all it uses.
    using TestMailSender = std::function<MailOutcome(const MonitorRecord& values)>;

    // With an empty sender the "Send test mail" button is not shown.
    CEmailSetupDlg(MonitorRecord& record, SettingsStore& store, QWidget* parent = nullptr,
                   TestMailSender sendTestMail = SendTestNoticeBySmtp);

    // OK: checks the fields in order, then writes the nine values.
    void accept() override;

    // The object name of the control with that number, for finding it.
    static QString ControlName(int id);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void FillControls();
    void EnableAuthControls();
    void OnAuthClicked(bool checked);
    void OnAlertRecipientChanged(const QString& text);
    bool CheckTexts();
    bool CheckThreshold();
    bool Refuse(QLineEdit* edit, const QString& message);
    void StoreValues();
    MonitorRecord ValuesInControls() const;
    void SendTestMail();
    void ShowTestMailOutcome(const MailOutcome& outcome);

    MonitorRecord& record_;
    SettingsStore& store_;
    TestMailSender sendTestMail_;

    // The dialog's copy of the settings.
    int recoveryTouched_ = 0; // while 0, the recovery recipient follows the alert recipient
    int returnTouched_ = 0;   // while 0, the return address follows the alert recipient
    int auth_ = 0;
    QString password_;
    QString server_;
    QString userName_;
    QString returnAddress_;
    QString senderName_;
    QString alertRecipient_;
    QString recoveryRecipient_;
    int threshold_ = 0;

    QLineEdit* alertEdit_ = nullptr;
    QLineEdit* recoveryEdit_ = nullptr;
    QLineEdit* senderNameEdit_ = nullptr;
    QLineEdit* returnEdit_ = nullptr;
    QLineEdit* serverEdit_ = nullptr;
    QLineEdit* thresholdEdit_ = nullptr;
    QLineEdit* userNameEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QLabel* userNameLabel_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QCheckBox* authCheck_ = nullptr;
    QPushButton* testMailButton_ = nullptr;
    QLabel* testMailStatus_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace qova::desktop
