#include "app/settings_store.h"
#include "dialog_hooks.h"
#include "email_setup_dialog.h"
#include "ids.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace qova;
using namespace qova::desktop;

Q_DECLARE_METATYPE(std::vector<qova::test::Step>)

namespace {

const char* const kNames[] = {"SMTPName", "SMTPEmail", "SMTPUsername", "SMTPPassword", "SMTP",
                              "SMTPAuth", "SMTPAlert", "SMTPRecovery", "SMTPWarn"};

template <typename T = QLineEdit> T* Control(QDialog& dialog, int id) {
    return dialog.findChild<T*>(CEmailSetupDlg::ControlName(id));
}

QPushButton* Button(QDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// As the user does it: turn to the field, then type.
void Type(QDialog& dialog, int id, const QString& text) {
    QLineEdit* edit = Control(dialog, id);
    edit->setFocus();
    edit->setText(text);
}

// Focus events, and so the touched flags, need an active window.
bool ShowActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

class TestEmailSetupDialog : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void copyAsYouType_data();
    void copyAsYouType();
    void validation_data();
    void validation();
    void cancelChangesNothing();
    void okWritesTheNineValues();
    void testMailShowsTheOutcome_data();
    void testMailShowsTheOutcome();

  private:
    std::unique_ptr<test::TempDir> dir_;
    std::unique_ptr<SettingsStore> store_;
    MonitorRecord record_;
};

void TestEmailSetupDialog::init() {
    dir_ = std::make_unique<test::TempDir>();
    store_ = std::make_unique<SettingsStore>(dir_->File("settings.db"));
    record_ = MonitorRecord{};
    MessageBoxes::TakeShown();
}

void TestEmailSetupDialog::cleanup() {
    MessageBoxes::SetNextAnswers({});
    store_.reset();
    dir_.reset();
}

void TestEmailSetupDialog::copyAsYouType_data() {
    QTest::addColumn<QString>("storedRecovery");
    QTest::addColumn<QString>("storedReturn");
    QTest::addColumn<int>("visited"); // the field given the focus between two bursts of typing
    QTest::addColumn<QString>("recovery");
    QTest::addColumn<QString>("returnAddress");
    QTest::newRow("fresh: both follow") << ""
                                        << "" << 0 << "ann@x.org"
                                        << "ann@x.org";
    QTest::newRow("tabbing into recovery stops it") << ""
                                                    << "" << ids::kEmailRecoveryRecipient << "ann@"
                                                    << "ann@x.org";
    QTest::newRow("turning to return stops it") << ""
                                                << "" << ids::kEmailReturnAddress << "ann@x.org"
                                                << "ann@";
    QTest::newRow("stored values stay") << "rec@y"
                                        << "ret@y" << 0 << "rec@y"
                                        << "ret@y";
}

void TestEmailSetupDialog::copyAsYouType() {
    QFETCH(QString, storedRecovery);
    QFETCH(QString, storedReturn);
    QFETCH(int, visited);
    QFETCH(QString, recovery);
    QFETCH(QString, returnAddress);
    record_.recoveryRecipient = storedRecovery.toStdString();
    record_.returnAddress = storedReturn.toStdString();
    CEmailSetupDlg dialog(record_, *store_);
    QVERIFY(ShowActive(dialog));
    QLineEdit* alert = Control(dialog, ids::kEmailAlertRecipient);
    QCOMPARE(dialog.focusWidget(), alert);

    QTest::keyClicks(alert, "ann@");
    if (visited != 0) {
        if (visited == ids::kEmailRecoveryRecipient) {
            QTest::keyClick(alert, Qt::Key_Tab);
        } else {
            Control(dialog, visited)->setFocus();
        }
        QCOMPARE(dialog.focusWidget(), Control(dialog, visited));
        alert->setFocus();
    }
    QTest::keyClicks(alert, "x.org");
    QCOMPARE(Control(dialog, ids::kEmailRecoveryRecipient)->text(), recovery);
    QCOMPARE(Control(dialog, ids::kEmailReturnAddress)->text(), returnAddress);
}

void TestEmailSetupDialog::validation_data() {
    QTest::addColumn<QString>("alert");
    QTest::addColumn<QString>("recovery");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<int>("focus");
    QTest::addColumn<QString>("focusText");

    const QString notInteger = "Please enter an integer.";
    const QString outOfRange = "Please enter an integer between 0 and 999999.";
    auto row = [](const char* name) { return &QTest::newRow(name); };
    *row("alert of blanks") << "   "
                            << "r@x"
                            << "f@x"
                            << "mail"
                            << "5"
                            << "Please enter an email address for the recipient of QOVA alerts."
                            << ids::kEmailAlertRecipient << "";
    *row("recovery empty")
        << "a@x"
        << ""
        << "f@x"
        << "mail"
        << "5"
        << "Please enter an email address for the recipient of QOVA recovery notices."
        << ids::kEmailRecoveryRecipient << "";
    *row("return of a tab")
        << "a@x"
        << "r@x"
        << "\t"
        << "mail"
        << "5"
        << "Please enter a return email address in case some notices are undeliverable."
        << ids::kEmailReturnAddress << "";
    *row("server empty") << "a@x"
                         << "r@x"
                         << "f@x"
                         << " "
                         << "5"
                         << "Please enter the host name or IP of your SMTP server, if you do not "
                            "know it, consult your system administrator."
                         << ids::kEmailServer << "";
    *row("first failure only") << ""
                               << "r@x"
                               << "f@x"
                               << ""
                               << "x"
                               << "Please enter an email address for the recipient of QOVA alerts."
                               << ids::kEmailAlertRecipient << "";
    *row("letters") << "a@x"
                    << "r@x"
                    << "f@x"
                    << "mail"
                    << "abc" << notInteger << ids::kEmailThreshold << "abc";
    *row("empty threshold") << "a@x"
                            << "r@x"
                            << "f@x"
                            << "mail"
                            << "" << notInteger << ids::kEmailThreshold << "";
    *row("fraction") << "a@x"
                     << "r@x"
                     << "f@x"
                     << "mail"
                     << "12.5" << notInteger << ids::kEmailThreshold << "12.5";
    *row("1000000") << "a@x"
                    << "r@x"
                    << "f@x"
                    << "mail"
                    << "1000000" << outOfRange << ids::kEmailThreshold << "1000000";
    *row("-1") << "a@x"
               << "r@x"
               << "f@x"
               << "mail"
               << "-1" << outOfRange << ids::kEmailThreshold << "-1";
    *row("beyond any int") << "a@x"
                           << "r@x"
                           << "f@x"
                           << "mail"
                           << "99999999999999999999" << outOfRange << ids::kEmailThreshold
                           << "99999999999999999999";
    *row("0") << "a@x"
              << "r@x"
              << "f@x"
              << "mail"
              << "0"
              << "" << 0 << "";
    *row("999999") << "a@x"
                   << "r@x"
                   << "f@x"
                   << "mail"
                   << "999999"
                   << "" << 0 << "";
    *row("blanks round the number") << "a@x"
                                    << "r@x"
                                    << "f@x"
                                    << "mail"
                                    << " 42 "
                                    << "" << 0 << "";
}

void TestEmailSetupDialog::validation() {
    QFETCH(QString, alert);
    QFETCH(QString, recovery);
    QFETCH(QString, from);
    QFETCH(QString, server);
    QFETCH(QString, threshold);
    QFETCH(QString, message);
    QFETCH(int, focus);
    QFETCH(QString, focusText);
    CEmailSetupDlg dialog(record_, *store_);
    QVERIFY(ShowActive(dialog));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    Type(dialog, ids::kEmailAlertRecipient, alert);
    Type(dialog, ids::kEmailRecoveryRecipient, recovery);
    Type(dialog, ids::kEmailReturnAddress, from);
    Type(dialog, ids::kEmailServer, server);
    Type(dialog, ids::kEmailThreshold, threshold);
    MessageBoxes::SetNextAnswers({true, true, true});

    QTest::mouseClick(Button(dialog, "OK"), Qt::LeftButton);

    if (message.isEmpty()) {
        QVERIFY(MessageBoxes::TakeShown().isEmpty());
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(store_->GetProfileInt("Settings", "SMTPWarn", -7), threshold.trimmed().toInt());
        return;
    }
    QCOMPARE(MessageBoxes::TakeShown(), QStringList{message});
    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), Control(dialog, focus));
    QCOMPARE(Control(dialog, focus)->text(), focusText);
    QCOMPARE(store_->GetProfileString("Settings", "SMTPAlert", "none"), std::string("none"));
}

void TestEmailSetupDialog::cancelChangesNothing() {
    record_.alertRecipient = "a@x";
    record_.smtpServer = "mail";
    const MonitorRecord before = record_;
    CEmailSetupDlg dialog(record_, *store_);
    QVERIFY(ShowActive(dialog));
    for (int id :
         {ids::kEmailAlertRecipient, ids::kEmailRecoveryRecipient, ids::kEmailReturnAddress,
          ids::kEmailServer, ids::kEmailThreshold, ids::kEmailUserName, ids::kEmailPassword}) {
        Type(dialog, id, "changed");
    }
    QTest::mouseClick(Control<QCheckBox>(dialog, ids::kEmailAuthCheck), Qt::LeftButton);
    QTest::mouseClick(Button(dialog, "Cancel"), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(record_.alertRecipient, before.alertRecipient);
    QCOMPARE(record_.recoveryRecipient, before.recoveryRecipient);
    QCOMPARE(record_.smtpServer, before.smtpServer);
    QCOMPARE(record_.smtpAuth, before.smtpAuth);
    QCOMPARE(record_.slowThreshold, before.slowThreshold);
    for (const char* name : kNames) {
        QCOMPARE(store_->GetProfileString("Settings", name, "none"), std::string("none"));
    }
}

void TestEmailSetupDialog::okWritesTheNineValues() {
    record_.smtpName = "";
    record_.smtpAuth = 1;
    record_.smtpUsername = "user";
    record_.smtpPassword = " pass word ";
    CEmailSetupDlg dialog(record_, *store_);
    QVERIFY(ShowActive(dialog));
    QVERIFY(Control(dialog, ids::kEmailUserName)->isEnabled());

    // Clearing the box disables the login fields but keeps their texts.
    QTest::mouseClick(Control<QCheckBox>(dialog, ids::kEmailAuthCheck), Qt::LeftButton);
    for (int id : {ids::kEmailUserName, ids::kEmailPassword}) {
        QVERIFY(!Control(dialog, id)->isEnabled());
    }
    for (int id : {ids::kEmailUserNameLabel, ids::kEmailPasswordLabel}) {
        QVERIFY(!Control<QLabel>(dialog, id)->isEnabled());
    }

    Type(dialog, ids::kEmailAlertRecipient, "  ann@x.org\r\nBcc: eve@y  ");
    Type(dialog, ids::kEmailRecoveryRecipient, " rec@x.org ");
    Type(dialog, ids::kEmailReturnAddress, "\tqova@x.org ");
    Type(dialog, ids::kEmailServer, " mail.x.org:587 ");
    Type(dialog, ids::kEmailThreshold, "2500");
    QTest::mouseClick(Button(dialog, "OK"), Qt::LeftButton);
    QVERIFY(MessageBoxes::TakeShown().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // Blanks round the addresses and the server are gone, a control character
    // inside one is dropped, the login is kept as typed.
    QCOMPARE(Control(dialog, ids::kEmailServer)->text(), QString("mail.x.org:587"));
    const std::pair<const char*, std::string> expected[] = {
        {"SMTPName", "QOVA"},          {"SMTPEmail", "qova@x.org"},
        {"SMTPUsername", "user"},      {"SMTPPassword", " pass word "},
        {"SMTP", "mail.x.org:587"},    {"SMTPAlert", "ann@x.orgBcc: eve@y"},
        {"SMTPRecovery", "rec@x.org"},
    };
    for (const auto& [name, value] : expected) {
        QCOMPARE(QString::fromStdString(store_->GetProfileString("Settings", name, "none")),
                 QString::fromStdString(value));
    }
    QCOMPARE(store_->GetProfileInt("Settings", "SMTPAuth", -1), 0);
    QCOMPARE(store_->GetProfileInt("Settings", "SMTPWarn", -1), 2500);
    QCOMPARE(record_.smtpName, std::string("QOVA"));
    QCOMPARE(record_.returnAddress, std::string("qova@x.org"));
    QCOMPARE(record_.smtpUsername, std::string("user"));
    QCOMPARE(record_.smtpPassword, std::string(" pass word "));
    QCOMPARE(record_.smtpServer, std::string("mail.x.org:587"));
    QCOMPARE(record_.smtpAuth, 0);
    QCOMPARE(record_.alertRecipient, std::string("ann@x.orgBcc: eve@y"));
    QCOMPARE(record_.recoveryRecipient, std::string("rec@x.org"));
    QCOMPARE(record_.slowThreshold, 2500);
}

void TestEmailSetupDialog::testMailShowsTheOutcome_data() {
    using test::Step;
    QTest::addColumn<std::vector<Step>>("script");
    QTest::addColumn<QString>("status");
    const std::vector<Step> greetAndHelo = {Step::Send("220 mx\r\n"), Step::ReadLine(),
                                            Step::Send("250 mx\r\n"), Step::ReadLine(),
                                            Step::Send("250 ok\r\n"), Step::ReadLine()};
    std::vector<Step> refused = greetAndHelo;
    for (Step step : {Step::Send("550-5.1.1 <ann@x.org>\r\n550 no such user\r\n"), Step::ReadLine(),
                      Step::Send("250 reset\r\n"), Step::ReadLine(), Step::Send("221 bye\r\n")}) {
        refused.push_back(step);
    }
    std::vector<Step> accepted = greetAndHelo;
    for (Step step : {Step::Send("250 ok\r\n"), Step::ReadLine(), Step::Send("354 go\r\n"),
                      Step::ReadUntil("\r\n.\r\n"), Step::Send("250 queued\r\n"), Step::ReadLine(),
                      Step::Send("221 bye\r\n")}) {
        accepted.push_back(step);
    }
    QTest::newRow("recipient refused")
        << refused << "failed at RCPT TO: 550-5.1.1 <ann@x.org> 550 no such user";
    QTest::newRow("accepted") << accepted << "sent";
}

// The button sends the test notice through the values in the dialog, not
// the stored ones, and accepting nothing.
void TestEmailSetupDialog::testMailShowsTheOutcome() {
    QFETCH(std::vector<test::Step>, script);
    QFETCH(QString, status);
    {
        CEmailSetupDlg withoutSender(record_, *store_, nullptr, {});
        QVERIFY(ShowActive(withoutSender));
        QVERIFY(!Control<QPushButton>(withoutSender, ids::kEmailSendTestMail)->isVisible());
    }

    test::ScriptedServer server(script);
    record_.alertRecipient = "ann@x.org";
    record_.recoveryRecipient = "rec@x.org";
    record_.smtpServer = "127.0.0.1:1"; // replaced in the dialog before the send
    CEmailSetupDlg dialog(record_, *store_);
    QVERIFY(ShowActive(dialog));
    auto* send = Control<QPushButton>(dialog, ids::kEmailSendTestMail);
    QVERIFY(send->isVisible());
    Type(dialog, ids::kEmailReturnAddress, "qova@x.org");
    Type(dialog, ids::kEmailServer, QString(" 127.0.0.1:%1 ").arg(server.Port()));

    QTest::mouseClick(send, Qt::LeftButton);
    QVERIFY(!send->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(Control<QLabel>(dialog, ids::kEmailTestMailStatus)->text(), status,
                              10000);
    QVERIFY(send->isEnabled());
    QVERIFY(QString::fromStdString(server.Transcript())
                .contains("MAIL FROM:<qova@x.org>\r\nRCPT TO:<ann@x.org>\r\n"));

    QVERIFY(dialog.isVisible());
    QCOMPARE(store_->GetProfileString("Settings", "SMTP", "none"), std::string("none"));
    QCOMPARE(record_.smtpServer, std::string("127.0.0.1:1"));
}

QTEST_MAIN(TestEmailSetupDialog)
#include "test_email_setup_dialog.moc"
