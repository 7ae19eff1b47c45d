#include "dialog_hooks.h"
#include "log_settings_dialog.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qova;
using namespace qova::desktop;

namespace {

struct LogValues {
    int doAccessLog;
    int doErrorLog;
    std::string accessLogPath;
    std::string errorLogPath;
};

LogValues Stored(const SettingsStore& store) {
    return {store.GetProfileInt("Settings", "DoAccessLog", -1),
            store.GetProfileInt("Settings", "DoErrorLog", -1),
            store.GetProfileString("Settings", "AccessLogFile", "<none>"),
            store.GetProfileString("Settings", "ErrorLogFile", "<none>")};
}

LogValues InRecord(const MonitorRecord& record) {
    return {record.doAccessLog, record.doErrorLog, record.accessLogPath, record.errorLogPath};
}

void CompareValues(const LogValues& actual, const LogValues& expected) {
    QCOMPARE(actual.doAccessLog, expected.doAccessLog);
    QCOMPARE(actual.doErrorLog, expected.doErrorLog);
    QCOMPARE(actual.accessLogPath, expected.accessLogPath);
    QCOMPARE(actual.errorLogPath, expected.errorLogPath);
}

MonitorRecord RecordWithLogs() {
    MonitorRecord record;
    record.doAccessLog = 1;
    record.doErrorLog = 1;
    record.accessLogPath = "/var/tmp/qova/access.log";
    record.errorLogPath = "/var/tmp/qova/error.log";
    return record;
}

} // namespace

class LogSettingsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheRecordsValues() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        MonitorRecord record = RecordWithLogs();
        record.doErrorLog = 0;
        CLogSettingsDlg dialog(record, store);
        QVERIFY(dialog.AccessLogCheck()->isChecked());
        QVERIFY(!dialog.ErrorLogCheck()->isChecked());
        QCOMPARE(dialog.AccessLogPathEdit()->text(), QString("/var/tmp/qova/access.log"));
        QCOMPARE(dialog.ErrorLogPathEdit()->text(), QString("/var/tmp/qova/error.log"));
        QVERIFY(dialog.OkButton()->isDefault());
    }

    void cancelAfterChangesKeepsRecordAndStore() {
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        MonitorRecord record = RecordWithLogs();
        CLogSettingsDlg dialog(record, store);
        dialog.show();
        dialog.AccessLogCheck()->click();
        dialog.ErrorLogPathEdit()->setText("/elsewhere/error.log");
        FileDialogs::SetNextSaveName(QString::fromStdString(dir.File("chosen.log")));
        dialog.BrowseAccessLogButton()->click();
        QCOMPARE(dialog.AccessLogPathEdit()->text(),
                 QString::fromStdString(dir.File("chosen.log")));
        dialog.CancelButton()->click();

        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        CompareValues(InRecord(record), InRecord(RecordWithLogs()));
        CompareValues(Stored(store), {-1, -1, "<none>", "<none>"});
    }

    void okWritesTheFourValues_data() {
        QTest::addColumn<bool>("accessOn");
        QTest::addColumn<bool>("errorOn");
        QTest::addColumn<QString>("accessPath");
        QTest::addColumn<QString>("errorPath");
        QTest::newRow("access logging off") << false << true << "/l/access.log"
                                            << "/l/error.log";
        QTest::newRow("both off") << false << false << "/l/access.log"
                                  << "/l/error.log";
        QTest::newRow("one file for both logs") << true << true << "/l/all.log"
                                                << "/l/all.log";
        // Nothing is validated: the writer keeps entries for a log it cannot open.
        QTest::newRow("empty path") << true << true << ""
                                    << "/no/such/folder/error.log";
    }

    void okWritesTheFourValues() {
        QFETCH(bool, accessOn);
        QFETCH(bool, errorOn);
        QFETCH(QString, accessPath);
        QFETCH(QString, errorPath);
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        MonitorRecord record = RecordWithLogs();
        CLogSettingsDlg dialog(record, store);
        dialog.show();
        dialog.AccessLogCheck()->setChecked(accessOn);
        dialog.ErrorLogCheck()->setChecked(errorOn);
        dialog.AccessLogPathEdit()->setText(accessPath);
        dialog.ErrorLogPathEdit()->setText(errorPath);
        QTest::keyClick(&dialog, Qt::Key_Return);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        LogValues expected{accessOn ? 1 : 0, errorOn ? 1 : 0, accessPath.toStdString(),
                           errorPath.toStdString()};
        CompareValues(InRecord(record), expected);
        CompareValues(Stored(store), expected);
    }

    void browsePutsTheChosenNameInItsOwnField_data() {
        QTest::addColumn<bool>("errorLog");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected"); // empty: the field keeps its text
        QTest::newRow("access, no extension") << false << "/logs/web"
                                              << "/logs/web.log";
        QTest::newRow("error, no extension") << true << "/logs/web"
                                             << "/logs/web.log";
        QTest::newRow("own extension kept") << false << "/logs/web.txt"
                                            << "/logs/web.txt";
        QTest::newRow("cancelled") << true << ""
                                   << "";
    }

    void browsePutsTheChosenNameInItsOwnField() {
        QFETCH(bool, errorLog);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        test::TempDir dir;
        SettingsStore store(dir.File("settings.db"));
        MonitorRecord record = RecordWithLogs();
        CLogSettingsDlg dialog(record, store);
        QLineEdit* target = errorLog ? dialog.ErrorLogPathEdit() : dialog.AccessLogPathEdit();
        QLineEdit* other = errorLog ? dialog.AccessLogPathEdit() : dialog.ErrorLogPathEdit();
        const QString before = target->text();
        const QString otherBefore = other->text();

        FileDialogs::SetNextSaveName(typed);
        (errorLog ? dialog.BrowseErrorLogButton() : dialog.BrowseAccessLogButton())->click();

        QCOMPARE(target->text(), expected.isEmpty() ? before : expected);
        QCOMPARE(other->text(), otherBefore);
        // Choosing a name creates nothing and changes nothing until OK.
        QVERIFY(!QFile::exists(expected));
        QCOMPARE(record.accessLogPath, RecordWithLogs().accessLogPath);
    }
};

QTEST_MAIN(LogSettingsDialogTest)
#include "test_log_settings_dialog.moc"
