#include "email_setup_dialog.h"

#include "app/settings_store.h"
#include "dialog_hooks.h"
#include "ids.h"
#include "mail/smtp_mailer.h"
#include "mail/test_notice.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <iterator>
#include <memory>
#include <signal.h>

namespace qova::desktop {
namespace {

constexpr int kThresholdMin = 0;
constexpr int kThresholdMax = 999999;
const char* const kSection = "Settings";

QLabel* RightLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* Edit(int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(CEmailSetupDlg::ControlName(id));
    return edit;
}

// Addresses and host names never hold control characters; one that slipped in
// by a paste would otherwise travel on into mail headers and the store.
QString CleanAddress(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            clean.append(c);
        }
    }
    return clean.trimmed();
}

enum class IntegerCheck { NotInteger, OutOfRange, Ok };

// An optional sign and decimal digits, blanks around allowed. A well-formed
// number too large for any int is out of range rather than "not an integer".
IntegerCheck ParseThreshold(const QString& text, int* value) {
    QString digits = text.trimmed();
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove(0, 1);
    }
    if (digits.isEmpty()) {
        return IntegerCheck::NotInteger;
    }
    long long magnitude = 0;
    for (QChar c : digits) {
        if (c < '0' || c > '9') {
            return IntegerCheck::NotInteger;
        }
        magnitude = std::min<long long>(magnitude * 10 + (c.unicode() - '0'), kThresholdMax + 1LL);
    }
    long long number = negative ? -magnitude : magnitude;
    if (number < kThresholdMin || number > kThresholdMax) {
        return IntegerCheck::OutOfRange;
    }
    *value = static_cast<int>(number);
    return IntegerCheck::Ok;
}

// Shown as one line: a reply may span several, and a control character in it
// has no business on the screen.
QString OutcomeText(const MailOutcome& outcome) {
    if (outcome.sent) {
        return QStringLiteral("sent");
    }
    QString reply = QString::fromStdString(outcome.reply).simplified();
    QString detail = QString::fromStdString(outcome.detail).simplified();
    QString text = QStringLiteral("failed at ") + QString::fromStdString(outcome.failedStep);
    if (!reply.isEmpty()) {
        text += QStringLiteral(": ") + reply;
    }
    if (!detail.isEmpty()) {
        text += (reply.isEmpty() ? QStringLiteral(": ") : QStringLiteral(" ")) + detail;
    }
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return text;
}

} // namespace

MailOutcome SendTestNoticeBySmtp(const MonitorRecord& values) {
    SmtpSettings settings = SmtpSettingsOf(values);
    SmtpMailer mailer([settings] { return settings; });
    NoticeText notice = TestNotice(std::time(nullptr));
    mailer.SendMail(values.returnAddress, values.alertRecipient, notice.subject, notice.body);
    return mailer.LastOutcome();
}

QString CEmailSetupDlg::ControlName(int id) {
    return QStringLiteral("control%1").arg(id);
}

CEmailSetupDlg::CEmailSetupDlg(MonitorRecord& record, SettingsStore& store, QWidget* parent,
                               TestMailSender sendTestMail)
    : QDialog(parent), record_(record), store_(store), sendTestMail_(std::move(sendTestMail)) {
    auth_ = record.smtpAuth;
    server_ = QString::fromStdString(record.smtpServer);
    userName_ = QString::fromStdString(record.smtpUsername);
    password_ = QString::fromStdString(record.smtpPassword);
    senderName_ = QString::fromStdString(record.smtpName);
    returnAddress_ = QString::fromStdString(record.returnAddress);
    alertRecipient_ = QString::fromStdString(record.alertRecipient);
    recoveryRecipient_ = QString::fromStdString(record.recoveryRecipient);
    threshold_ = record.slowThreshold;

    BuildControls();
    FillControls();
    EnableAuthControls();
    recoveryTouched_ = recoveryRecipient_.isEmpty() ? 0 : 1;
    returnTouched_ = returnAddress_.isEmpty() ? 0 : 1;

    // Only edits made from here on copy the alert recipient.
    connect(alertEdit_, &QLineEdit::textChanged, this, &CEmailSetupDlg::OnAlertRecipientChanged);
    connect(authCheck_, &QCheckBox::clicked, this, &CEmailSetupDlg::OnAuthClicked);
    connect(okButton_, &QPushButton::clicked, this, &CEmailSetupDlg::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &CEmailSetupDlg::reject);
    connect(testMailButton_, &QPushButton::clicked, this, &CEmailSetupDlg::SendTestMail);
    recoveryEdit_->installEventFilter(this);
    returnEdit_->installEventFilter(this);
    alertEdit_->setFocus();
}

void CEmailSetupDlg::BuildControls() {
    setWindowTitle(QStringLiteral("Email Setup"));
    setObjectName(ControlName(ids::kEmailSetupDialog));

    auto* important = new QGroupBox(QStringLiteral("Important"), this);
    auto* importantLayout = new QVBoxLayout(important);
    for (const char* line :
         {"Use this dialog to enter the information to be used for the Alert and Recovery notices.",
          "Alert notices are automatically sent by QOVA to the email address specified below when "
          "there is a failure reaching a site.",
          "Recovery notices are automatically sent by QOVA when there is a successful contact with "
          "a site after a failure had occurred."}) {
        auto* label = new QLabel(QString::fromLatin1(line), important);
        label->setWordWrap(true);
        importantLayout->addWidget(label);
    }

    auto* addresses = new QGroupBox(this);
    auto* grid = new QGridLayout(addresses);
    alertEdit_ = Edit(ids::kEmailAlertRecipient, addresses);
    recoveryEdit_ = Edit(ids::kEmailRecoveryRecipient, addresses);
    senderNameEdit_ = Edit(ids::kEmailSenderName, addresses);
    senderNameEdit_->hide();
    returnEdit_ = Edit(ids::kEmailReturnAddress, addresses);
    serverEdit_ = Edit(ids::kEmailServer, addresses);
    thresholdEdit_ = Edit(ids::kEmailThreshold, addresses);
    thresholdEdit_->setMaximumWidth(thresholdEdit_->fontMetrics().horizontalAdvance("0") * 10 + 12);
    auto* serverHint = new QLabel(
        QStringLiteral("Add \":587\" or \":465\" to the server for a port other than 25."),
        addresses);
    serverHint->setEnabled(false);
    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(thresholdEdit_);
    thresholdRow->addWidget(new QLabel(QStringLiteral("milliseconds"), addresses));
    thresholdRow->addStretch();
    auto* thresholdNote = new QLabel(
        QStringLiteral("(If site takes longer to respond a warning will be sent.)"), addresses);
    thresholdNote->setAlignment(Qt::AlignCenter);

    grid->addWidget(RightLabel(QStringLiteral("Alert recipient email:"), addresses), 0, 0);
    grid->addWidget(alertEdit_, 0, 1);
    grid->addWidget(RightLabel(QStringLiteral("Recovery recipient email:"), addresses), 1, 0);
    grid->addWidget(recoveryEdit_, 1, 1);
    grid->addWidget(senderNameEdit_, 1, 2);
    grid->addWidget(RightLabel(QStringLiteral("Return email address:"), addresses), 2, 0);
    grid->addWidget(returnEdit_, 2, 1);
    grid->addWidget(RightLabel(QStringLiteral("Outgoing Server (SMTP):"), addresses), 3, 0);
    grid->addWidget(serverEdit_, 3, 1);
    grid->addWidget(serverHint, 4, 1);
    grid->addWidget(RightLabel(QStringLiteral("Slow response warning threshold:"), addresses), 5,
                    0);
    grid->addLayout(thresholdRow, 5, 1);
    grid->addWidget(thresholdNote, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* login = new QGroupBox(this);
    auto* loginGrid = new QGridLayout(login);
    userNameLabel_ = RightLabel(QStringLiteral("Username:"), login);
    userNameLabel_->setObjectName(ControlName(ids::kEmailUserNameLabel));
    passwordLabel_ = RightLabel(QStringLiteral("Password:"), login);
    passwordLabel_->setObjectName(ControlName(ids::kEmailPasswordLabel));
    userNameEdit_ = Edit(ids::kEmailUserName, login);
    passwordEdit_ = Edit(ids::kEmailPassword, login);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    authCheck_ = new QCheckBox(QStringLiteral("Server requires authentication"), login);
    authCheck_->setObjectName(ControlName(ids::kEmailAuthCheck));
    loginGrid->addWidget(userNameLabel_, 0, 0);
    loginGrid->addWidget(userNameEdit_, 0, 1);
    loginGrid->addWidget(passwordLabel_, 1, 0);
    loginGrid->addWidget(passwordEdit_, 1, 1);
    loginGrid->addWidget(authCheck_, 2, 1);
    loginGrid->setColumnStretch(2, 1);
    // One label column across both groups, so the edits line up.
    int labelWidth = 0;
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->alignment() & Qt::AlignRight) {
            labelWidth = std::max(labelWidth, label->sizeHint().width());
        }
    }
    grid->setColumnMinimumWidth(0, labelWidth);
    loginGrid->setColumnMinimumWidth(0, labelWidth);

    testMailButton_ = new QPushButton(QStringLiteral("Send test mail"), this);
    testMailButton_->setObjectName(ControlName(ids::kEmailSendTestMail));
    testMailButton_->setAutoDefault(false);
    // The server's reply is shown as it came: never as rich text.
    testMailStatus_ = new QLabel(this);
    testMailStatus_->setObjectName(ControlName(ids::kEmailTestMailStatus));
    testMailStatus_->setTextFormat(Qt::PlainText);
    testMailStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    testMailStatus_->setWordWrap(true);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(testMailButton_);
    testRow->addWidget(testMailStatus_, 1);
    testMailButton_->setVisible(static_cast<bool>(sendTestMail_));
    testMailStatus_->setVisible(static_cast<bool>(sendTestMail_));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(important);
    layout->addWidget(addresses);
    layout->addWidget(login);
    layout->addLayout(testRow);
    layout->addLayout(buttons);

    QWidget* order[] = {alertEdit_,  recoveryEdit_,   senderNameEdit_, returnEdit_,
                        serverEdit_, thresholdEdit_,  userNameEdit_,   passwordEdit_,
                        authCheck_,  testMailButton_, okButton_,       cancelButton_};
    for (size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void CEmailSetupDlg::FillControls() {
    authCheck_->setChecked(auth_ != 0);
    passwordEdit_->setText(password_);
    serverEdit_->setText(server_);
    userNameEdit_->setText(userName_);
    returnEdit_->setText(returnAddress_);
    senderNameEdit_->setText(senderName_);
    alertEdit_->setText(alertRecipient_);
    recoveryEdit_->setText(recoveryRecipient_);
    thresholdEdit_->setText(QString::number(threshold_));
}

void CEmailSetupDlg::EnableAuthControls() {
    bool enabled = auth_ != 0;
    for (QWidget* control : std::initializer_list<QWidget*>{userNameLabel_, userNameEdit_,
                                                            passwordEdit_, passwordLabel_}) {
        control->setEnabled(enabled);
    }
}

void CEmailSetupDlg::OnAuthClicked(bool checked) {
    auth_ = checked ? 1 : 0;
    EnableAuthControls();
}

void CEmailSetupDlg::OnAlertRecipientChanged(const QString& text) {
    if (recoveryTouched_ == 0) {
        recoveryEdit_->setText(text);
    }
    if (returnTouched_ == 0) {
        returnEdit_->setText(text);
    }
}

// Turning to the recovery recipient or the return address ends its copying:
// what the user types there is never overwritten by later edits of the alert
// recipient.
bool CEmailSetupDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == recoveryEdit_) {
            recoveryTouched_ = 1;
        } else if (watched == returnEdit_) {
            returnTouched_ = 1;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CEmailSetupDlg::Refuse(QLineEdit* edit, const QString& message) {
    edit->setFocus();
    MessageBoxes::Inform(this, message);
    // A refused number is selected, ready to be typed over.
    if (edit == thresholdEdit_) {
        edit->selectAll();
    }
    return false;
}

bool CEmailSetupDlg::CheckTexts() {
    struct Check {
        QLineEdit* edit;
        const char* message; // nullptr: an empty text becomes "QOVA"
    };
    const Check checks[] = {
        {alertEdit_, "Please enter an email address for the recipient of QOVA alerts."},
        {recoveryEdit_,
         "Please enter an email address for the recipient of QOVA recovery notices."},
        {senderNameEdit_, nullptr},
        {returnEdit_,
         "Please enter a return email address in case some notices are undeliverable."},
        {serverEdit_,
         "Please enter the host name or IP of your SMTP server, if you do not know it, "
         "consult your system administrator."},
    };
    for (const Check& check : checks) {
        QString text = CleanAddress(check.edit->text());
        if (text != check.edit->text()) {
            check.edit->setText(text);
        }
        if (!text.isEmpty()) {
            continue;
        }
        if (check.message == nullptr) {
            check.edit->setText(QStringLiteral("QOVA"));
            continue;
        }
        return Refuse(check.edit, QString::fromLatin1(check.message));
    }
    return true;
}

bool CEmailSetupDlg::CheckThreshold() {
    int value = 0;
    switch (ParseThreshold(thresholdEdit_->text(), &value)) {
    case IntegerCheck::NotInteger:
        return Refuse(thresholdEdit_, QStringLiteral("Please enter an integer."));
    case IntegerCheck::OutOfRange:
        return Refuse(thresholdEdit_, QStringLiteral("Please enter an integer between %1 and %2.")
                                          .arg(kThresholdMin)
                                          .arg(kThresholdMax));
    case IntegerCheck::Ok:
        threshold_ = value;
        return true;
    }
    return false;
}

void CEmailSetupDlg::accept() {
    if (!CheckTexts() || !CheckThreshold()) {
        return;
    }
    auth_ = authCheck_->isChecked() ? 1 : 0;
    password_ = passwordEdit_->text();
    server_ = serverEdit_->text();
    userName_ = userNameEdit_->text();
    returnAddress_ = returnEdit_->text();
    senderName_ = senderNameEdit_->text();
    alertRecipient_ = alertEdit_->text();
    recoveryRecipient_ = recoveryEdit_->text();
    StoreValues();
    QDialog::accept();
}

void CEmailSetupDlg::StoreValues() {
    record_.smtpAuth = auth_;
    record_.smtpServer = server_.toStdString();
    record_.smtpUsername = userName_.toStdString();
    record_.smtpPassword = password_.toStdString();
    record_.smtpName = senderName_.toStdString();
    record_.returnAddress = returnAddress_.toStdString();
    record_.alertRecipient = alertRecipient_.toStdString();
    record_.recoveryRecipient = recoveryRecipient_.toStdString();
    record_.slowThreshold = threshold_;

    store_.WriteProfileString(kSection, "SMTPName", record_.smtpName);
    store_.WriteProfileString(kSection, "SMTPEmail", record_.returnAddress);
    store_.WriteProfileString(kSection, "SMTPUsername", record_.smtpUsername);
    store_.WriteProfileString(kSection, "SMTPPassword", record_.smtpPassword);
    store_.WriteProfileString(kSection, "SMTP", record_.smtpServer);
    store_.WriteProfileInt(kSection, "SMTPAuth", record_.smtpAuth);
    store_.WriteProfileString(kSection, "SMTPAlert", record_.alertRecipient);
    store_.WriteProfileString(kSection, "SMTPRecovery", record_.recoveryRecipient);
    store_.WriteProfileInt(kSection, "SMTPWarn", record_.slowThreshold);
}

MonitorRecord CEmailSetupDlg::ValuesInControls() const {
    MonitorRecord values;
    values.smtpAuth = authCheck_->isChecked() ? 1 : 0;
    values.smtpServer = serverEdit_->text().toStdString();
    values.smtpUsername = userNameEdit_->text().toStdString();
    values.smtpPassword = passwordEdit_->text().toStdString();
    values.smtpName = senderNameEdit_->text().toStdString();
    values.returnAddress = returnEdit_->text().toStdString();
    values.alertRecipient = alertEdit_->text().toStdString();
    values.recoveryRecipient = recoveryEdit_->text().toStdString();
    values.slowThreshold = threshold_;
    return values;
}

// The exchange may take as long as the mail client's time limits allow, so it
// runs off the window's thread; a dialog closed meanwhile simply never hears
// the outcome.
void CEmailSetupDlg::SendTestMail() {
    if (!sendTestMail_ || !CheckTexts()) {
        return;
    }
    testMailButton_->setEnabled(false);
    testMailStatus_->setText(QStringLiteral("Sending..."));
    auto outcome = std::make_shared<MailOutcome>();
    QThread* worker = QThread::create([send = sendTestMail_, values = ValuesInControls(), outcome] {
        // A server that hangs up while TLS writes must fail the send, not end
        // the program; the signal is blocked for this thread alone.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        *outcome = send(values);
    });
    connect(worker, &QThread::finished, this, [this, outcome] { ShowTestMailOutcome(*outcome); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void CEmailSetupDlg::ShowTestMailOutcome(const MailOutcome& outcome) {
    testMailStatus_->setText(OutcomeText(outcome));
    testMailButton_->setEnabled(true);
}

} // namespace qova::desktop
