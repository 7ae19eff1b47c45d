#include "dialog_hooks.h"
#include "support/temp_dir.h"
#include "tell_friend_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

using namespace qova;
using namespace qova::desktop;

namespace {

struct SentMail {
    std::string sender, recipient, subject, body;
};

class FakeMailer : public Mailer {
  public:
    explicit FakeMailer(bool accepts = true) : accepts_(accepts) {}
    bool SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) override {
        sent.push_back({sender, recipient, subject, body});
        return accepts_;
    }
    std::vector<SentMail> sent;

  private:
    bool accepts_;
};

const std::string kFooter =
    "\r\n\r\n\r\n" + std::string(62, '=') + "\r\nCheck out QOVA at http://www.halvorind.com/qova/";

MonitorRecord RecordWithReturnAddress() {
    MonitorRecord record;
    record.returnAddress = "me@example.org";
    return record;
}

// Runs the command with `act` working on the dialog once it is shown.
void RunCommand(const MonitorRecord& record, SettingsStore& store, Mailer& mailer,
                std::function<void(CTellFriendDlg&)> act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CTellFriendDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        act(*dialog);
        acted = true;
        if (dialog->isVisible()) {
            dialog->reject(); // a failed check above must not leave the test hanging
        }
    });
    CTellFriendDlg::TellAFriend(record, store, mailer, nullptr);
    QVERIFY(acted);
}

} // namespace

class TellFriendDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // Message boxes are answered, never shown; each test reads the texts it caused.
    void init() {
        MessageBoxes::TakeShown();
        MessageBoxes::SetNextAnswers({true, true});
    }

    void firstUseShowsTheDefaults() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        CTellFriendDlg dialog(RecordWithReturnAddress(), store);
        QCOMPARE(dialog.FromEdit()->text(), QString("me@example.org"));
        QCOMPARE(dialog.SubjectEdit()->text(), QString("Check out QOVA!"));
        QVERIFY(dialog.ToEdit()->text().isEmpty());
        QCOMPARE(dialog.focusWidget(), dialog.ToEdit());
        QCOMPARE(dialog.BodyEdit()->toPlainText(),
                 QString("Hey,\n\n"
                         "Check out this new website monitor. It's pretty simple, but it does a "
                         "great job.\n\n"
                         "It can monitor your website and send you email alerts if the website "
                         "becomes unreachable, or if it returns an invalid response, it can even "
                         "send a warning if the site becomes too slow.\n\n"
                         "You can download it at: http://www.halvorind.com/qova/\n\n"
                         "Anyway, check it out and let me know what you think.\n\n"
                         "See ya!"));
    }

    void okChecksTheFieldsInOrder_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<int>("focusField");  // 0 from, 1 to, 2 subject, 3 body
        QTest::newRow("all empty") << ""
                                   << ""
                                   << ""
                                   << ""
                                   << "Please enter your email address" << 0;
        QTest::newRow("blank from") << "  \t "
                                    << "f@x.org"
                                    << "s"
                                    << "b"
                                    << "Please enter your email address" << 0;
        QTest::newRow("no friend") << "me@x.org"
                                   << " "
                                   << ""
                                   << ""
                                   << "Please enter your friend's email address" << 1;
        QTest::newRow("no subject") << "me@x.org"
                                    << "f@x.org"
                                    << ""
                                    << "b"
                                    << "Please enter the email's subject" << 2;
        QTest::newRow("blank body") << "me@x.org"
                                    << "f@x.org"
                                    << "s"
                                    << " \n\n "
                                    << "Please enter the email's body" << 3;
        QTest::newRow("blanks round text") << " me@x.org "
                                           << "f@x.org"
                                           << "s"
                                           << "b"
                                           << "" << -1;
    }

    void okChecksTheFieldsInOrder() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, message);
        QFETCH(int, focusField);
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        CTellFriendDlg dialog(RecordWithReturnAddress(), store);
        dialog.show();
        dialog.FromEdit()->setText(from);
        dialog.ToEdit()->setText(to);
        dialog.SubjectEdit()->setText(subject);
        dialog.BodyEdit()->setPlainText(body);
        dialog.OkButton()->click();

        if (message.isEmpty()) {
            QCOMPARE(MessageBoxes::TakeShown(), QStringList());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.FromEdit()->text(), from); // trimmed for the check only
            return;
        }
        QCOMPARE(MessageBoxes::TakeShown(), QStringList{message});
        QVERIFY(dialog.isVisible());
        QWidget* fields[] = {dialog.FromEdit(), dialog.ToEdit(), dialog.SubjectEdit(),
                             dialog.BodyEdit()};
        QCOMPARE(dialog.focusWidget(), fields[focusField]);
    }

    void footerOnlyWhenTheBodyDoesNotMentionThePage_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("footer");
        QTest::newRow("default body") << QString::fromStdString(DefaultFriendBody()) << false;
        QTest::newRow("other scheme and host label")
            << "see https://halvorind.com/qova/ now" << false;
        QTest::newRow("no mention") << "Try it!" << true;
        QTest::newRow("host without the path") << "www.halvorind.com" << true;
    }

    void footerOnlyWhenTheBodyDoesNotMentionThePage() {
        QFETCH(QString, body);
        QFETCH(bool, footer);
        std::string text = body.toStdString();
        QCOMPARE(FriendMailBody(text), footer ? text + kFooter : text);
    }

    void defaultBodyIsSentAsItIs() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        FakeMailer mailer;
        RunCommand(RecordWithReturnAddress(), store, mailer, [](CTellFriendDlg& dialog) {
            dialog.FromEdit()->setText(" me@example.org ");
            dialog.ToEdit()->setText("friend@example.net");
            dialog.OkButton()->click();
        });
        QCOMPARE(mailer.sent.size(), size_t(1));
        QCOMPARE(mailer.sent[0].sender, std::string(" me@example.org "));
        QCOMPARE(mailer.sent[0].recipient, std::string("friend@example.net"));
        QCOMPARE(mailer.sent[0].subject, std::string("Check out QOVA!"));
        QCOMPARE(mailer.sent[0].body, DefaultFriendBody());
        QCOMPARE(MessageBoxes::TakeShown(), QStringList());
    }

    void editedBodyGetsTheFooterButIsStoredWithout() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        FakeMailer mailer;
        RunCommand(RecordWithReturnAddress(), store, mailer, [](CTellFriendDlg& dialog) {
            dialog.ToEdit()->setText("friend@example.net");
            dialog.SubjectEdit()->setText("Look");
            dialog.BodyEdit()->setPlainText("Hi,\nlook at this.");
            dialog.OkButton()->click();
        });
        QCOMPARE(mailer.sent.size(), size_t(1));
        QCOMPARE(mailer.sent[0].body, "Hi,\r\nlook at this." + kFooter);
        QCOMPARE(store.GetProfileString("Settings", "LastFriendBody", ""),
                 std::string("Hi,\r\nlook at this."));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendSubject", ""), std::string("Look"));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendFrom", ""),
                 std::string("me@example.org"));

        // The next use starts from what was sent, without the footer, and To empty.
        CTellFriendDlg again(RecordWithReturnAddress(), store);
        QCOMPARE(again.BodyEdit()->toPlainText(), QString("Hi,\nlook at this."));
        QCOMPARE(again.SubjectEdit()->text(), QString("Look"));
        QVERIFY(again.ToEdit()->text().isEmpty());
    }

    void cancelSendsAndStoresNothing() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        store.WriteProfileString("Settings", "LastFriendSubject", "Before");
        FakeMailer mailer;
        RunCommand(RecordWithReturnAddress(), store, mailer, [](CTellFriendDlg& dialog) {
            dialog.FromEdit()->setText("other@example.org");
            dialog.ToEdit()->setText("friend@example.net");
            dialog.SubjectEdit()->setText("After");
            dialog.BodyEdit()->setPlainText("changed");
            dialog.CancelButton()->click();
        });
        QVERIFY(mailer.sent.empty());
        QCOMPARE(store.GetProfileString("Settings", "LastFriendSubject", ""),
                 std::string("Before"));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendFrom", "<none>"),
                 std::string("<none>"));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendBody", "<none>"),
                 std::string("<none>"));
    }

    void failedSendIsSilentAndStillStores() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        FakeMailer noServer(false);
        RunCommand(RecordWithReturnAddress(), store, noServer, [](CTellFriendDlg& dialog) {
            dialog.ToEdit()->setText("friend@example.net");
            dialog.SubjectEdit()->setText("Hello");
            dialog.OkButton()->click();
        });
        QCOMPARE(noServer.sent.size(), size_t(1));
        QCOMPARE(MessageBoxes::TakeShown(), QStringList());
        QCOMPARE(store.GetProfileString("Settings", "LastFriendFrom", ""),
                 std::string("me@example.org"));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendSubject", ""), std::string("Hello"));
        QCOMPARE(store.GetProfileString("Settings", "LastFriendBody", ""), DefaultFriendBody());
    }

    void controlCharactersNeverReachTheEnvelopeOrHeaders() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        FakeMailer mailer;
        CTellFriendDlg dialog(RecordWithReturnAddress(), store);
        dialog.FromEdit()->setText("me@example.org\r\nRCPT TO:<x@evil>");
        dialog.ToEdit()->setText("friend@example.net\n");
        dialog.SubjectEdit()->setText(QString("Hi\r\nBcc: x@evil") + QChar(0x7f));
        dialog.SendAndRemember(mailer);
        QCOMPARE(mailer.sent.size(), size_t(1));
        for (const std::string& field :
             {mailer.sent[0].sender, mailer.sent[0].recipient, mailer.sent[0].subject}) {
            QVERIFY2(field.find_first_of("\r\n\x7f") == std::string::npos, field.c_str());
        }
        QCOMPARE(mailer.sent[0].subject, std::string("HiBcc: x@evil"));
    }
};

QTEST_MAIN(TellFriendDialogTest)
#include "test_tell_friend_dialog.moc"
