#pragma once

#include "app/settings_store.h"
#include "engine/monitor_record.h"
#include "mail/mailer.h"

#include <QDialog>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qova::desktop {

// The ready-made recommendation: six paragraphs, one empty line between them,
// no line end after the last.
std::string DefaultFriendBody();
// The body as mailed: followed by a rule and a pointer to the product page,
// unless it already mentions the page (its address less scheme and first label).
std::string FriendMailBody(const std::string& body);

// "Tell a friend": From, To, Subject and the body, the values of last time
// (the friend's address is never kept). OK refuses a blank field with its
// message and keeps the dialog open with the focus there.
class CTellFriendDlg : public QDialog {
    Q_OBJECT

  public:
    CTellFriendDlg(const MonitorRecord& record, SettingsStore& store, QWidget* parent = nullptr);

    // The "Tell a friend..." command: runs the dialog and, when it ends with OK,
    // sends the mail and remembers From, Subject and the body whatever came of
    // the sending. Nothing is shown about the outcome.
    static void TellAFriend(const MonitorRecord& record, SettingsStore& store, Mailer& mailer,
                            QWidget* parent);

    // After OK: sends the mail with the From field as envelope sender, then
    // stores the three values. Returns what SendMail returned.
    bool SendAndRemember(Mailer& mailer);

    void accept() override;

    QLineEdit* FromEdit() const { return from_; }
    QLineEdit* ToEdit() const { return to_; }
    QLineEdit* SubjectEdit() const { return subject_; }
    QPlainTextEdit* BodyEdit() const { return body_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    // The body with the line ends of the stored value and of the mail.
    std::string Body() const;

    SettingsStore& store_;
    QLineEdit* to_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QLineEdit* from_;
};

} // namespace qova::desktop
