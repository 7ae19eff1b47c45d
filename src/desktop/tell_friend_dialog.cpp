#include "tell_friend_dialog.h"

#include "about_dialog.h"
#include "dialog_hooks.h"
#include "help.h"
#include "ids.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qova::desktop {
namespace {

const char* const kSection = "Settings";

// The text the body is searched for: the page's address without its scheme
// and without the first label of its host ("halvorind.com/qova/").
std::string ProductPageMention() {
    std::string page = kProductPage.toStdString();
    auto scheme = page.find("://");
    std::string rest = scheme == std::string::npos ? page : page.substr(scheme + 3);
    auto slash = rest.find('/');
    auto dot = rest.find('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot < slash)) {
        rest.erase(0, dot + 1);
    }
    return rest;
}

// A single-line field as it goes into an envelope address or a header: the
// user's text, less any control character a paste may have brought in.
std::string HeaderText(const QLineEdit* field) {
    std::string text = field->text().toStdString();
    std::erase_if(text, [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    return text;
}

QLabel* RightLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

std::string DefaultFriendBody() {
    return "Hey,\r\n\r\n"
           "Check out this new website monitor. It's pretty simple, but it does a great job."
           "\r\n\r\n"
           "It can monitor your website and send you email alerts if the website becomes "
           "unreachable, or if it returns an invalid response, it can even send a warning if the "
           "site becomes too slow.\r\n\r\n"
           "You can download it at: " +
           kProductPage.toStdString() +
           "\r\n\r\n"
           "Anyway, check it out and let me know what you think.\r\n\r\n"
           "See ya!";
}

std::string FriendMailBody(const std::string& body) {
    if (body.find(ProductPageMention()) != std::string::npos) {
        return body;
    }
    return body + "\r\n\r\n\r\n" + std::string(62, '=') + "\r\n" + "Check out QOVA at " +
           kProductPage.toStdString();
}

CTellFriendDlg::CTellFriendDlg(const MonitorRecord& record, SettingsStore& store, QWidget* parent)
    : QDialog(parent), store_(store), to_(new QLineEdit), subject_(new QLineEdit),
      body_(new QPlainTextEdit), ok_(new QPushButton(QStringLiteral("OK"))),
      cancel_(new QPushButton(QStringLiteral("Cancel"))), from_(new QLineEdit) {
    setWindowTitle(QStringLiteral("Tell a friend"));
    SetHelpContext(this, ids::kTellFriendDialog);

    auto* addresses = new QGroupBox;
    auto* grid = new QGridLayout(addresses);
    grid->addWidget(RightLabel(QStringLiteral("From:")), 0, 0);
    grid->addWidget(from_, 0, 1);
    grid->addWidget(RightLabel(QStringLiteral("To:")), 1, 0);
    grid->addWidget(to_, 1, 1);
    grid->addWidget(RightLabel(QStringLiteral("Subject:")), 2, 0);
    grid->addWidget(subject_, 2, 1);

    auto* message = new QGroupBox;
    auto* messageLayout = new QVBoxLayout(message);
    messageLayout->addWidget(body_);
    body_->setLineWrapMode(QPlainTextEdit::NoWrap);
    body_->setTabChangesFocus(true);
    body_->setMinimumSize(460, 170);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addresses);
    layout->addWidget(message, 1);
    layout->addLayout(buttons);

    // The keyboard starts in To, the one field that is empty every time.
    ok_->setDefault(true);
    setTabOrder(to_, subject_);
    setTabOrder(subject_, body_);
    setTabOrder(body_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, from_);
    to_->setFocus();

    from_->setText(QString::fromStdString(
        store_.GetProfileString(kSection, "LastFriendFrom", record.returnAddress)));
    subject_->setText(QString::fromStdString(
        store_.GetProfileString(kSection, "LastFriendSubject", "Check out QOVA!")));
    std::string body = store_.GetProfileString(kSection, "LastFriendBody", DefaultFriendBody());
    body_->setPlainText(QString::fromStdString(body).replace(QStringLiteral("\r\n"), "\n"));

    connect(ok_, &QPushButton::clicked, this, &CTellFriendDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CTellFriendDlg::reject);
}

void CTellFriendDlg::TellAFriend(const MonitorRecord& record, SettingsStore& store, Mailer& mailer,
                                 QWidget* parent) {
    CTellFriendDlg dialog(record, store, parent);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.SendAndRemember(mailer);
    }
}

void CTellFriendDlg::accept() {
    struct Check {
        QWidget* field;
        QString text;
        const char* message;
    };
    const Check checks[] = {
        {from_, from_->text(), "Please enter your email address"},
        {to_, to_->text(), "Please enter your friend's email address"},
        {subject_, subject_->text(), "Please enter the email's subject"},
        {body_, body_->toPlainText(), "Please enter the email's body"},
    };
    for (const Check& check : checks) {
        if (check.text.trimmed().isEmpty()) {
            check.field->setFocus();
            MessageBoxes::Inform(this, QString::fromLatin1(check.message));
            return;
        }
    }
    QDialog::accept();
}

std::string CTellFriendDlg::Body() const {
    return body_->toPlainText().replace('\n', QStringLiteral("\r\n")).toStdString();
}

bool CTellFriendDlg::SendAndRemember(Mailer& mailer) {
    std::string from = HeaderText(from_);
    std::string body = Body();
    bool sent = mailer.SendMail(from, HeaderText(to_), HeaderText(subject_), FriendMailBody(body));
    store_.WriteProfileString(kSection, "LastFriendFrom", from_->text().toStdString());
    store_.WriteProfileString(kSection, "LastFriendSubject", subject_->text().toStdString());
    store_.WriteProfileString(kSection, "LastFriendBody", body);
    return sent;
}

} // namespace qova::desktop
