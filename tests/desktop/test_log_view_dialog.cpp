#include "app/clock.h"
#include "dialog_hooks.h"
#include "log_view_dialog.h"
#include "logs/log_file.h"
#include "logs/log_writer.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <fstream>
#include <functional>

using namespace qova;
using namespace qova::desktop;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A log of `count` lines; returns the text the view shows for it.
QString WriteLog(const std::string& path, int count) {
    std::string file;
    QString shown;
    for (int i = 0; i < count; ++i) {
        std::string line =
            "<12/09/2024 16:00:00> http://127.0.0.1:8080/ 200 12.5ms #" + std::to_string(i);
        file += line + "\r\n";
        shown += QString::fromStdString(line) + "\n";
    }
    WriteFile(path, file);
    return shown;
}

// Large enough that the loader is still at work after the first few batches.
constexpr int kLargeLog = 60000;

// Lets the dialog take events until the loader has opened the file. Each pass
// handles only what was queued before it, so the loader is at most a few
// batches further when this returns.
bool WaitUntilOpened(CLogViewDlg& dialog) {
    QElapsedTimer clock;
    clock.start();
    while (dialog.PathField()->text().isEmpty() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents();
    }
    return !dialog.PathField()->text().isEmpty();
}

bool WaitUntilShown(CLogViewDlg& dialog) {
    QSignalSpy shown(&dialog, &CLogViewDlg::LogShown);
    return shown.wait(10000);
}

// Runs the "Access log" command; `steps[i]` acts on the dialog of run i.
void ViewLogWith(const std::string& path, std::vector<std::function<void(CLogViewDlg&)>> steps) {
    std::size_t run = 0;
    std::function<void()> next = [&] {
        auto* dialog = qobject_cast<CLogViewDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QVERIFY(run < steps.size());
        steps[run++](*dialog);
        if (dialog->RefreshRequested()) {
            QTimer::singleShot(0, next);
        } else if (dialog->isVisible()) {
            dialog->reject(); // a failed check must not leave the test hanging
        }
    };
    QTimer::singleShot(0, next);
    CLogViewDlg::ViewLog(path, nullptr);
    QCOMPARE(run, steps.size());
}

} // namespace

class LogViewDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { MessageBoxes::TakeShown(); }

    void showsEachLineAndThePath() {
        test::TempDir dir;
        const std::string path = dir.File("access.log");
        WriteFile(path, "<12/09/2024 16:00:00> one\r\n\r\n<12/09/2024 16:05:00> three\r\n");
        CLogViewDlg dialog(path);
        dialog.show();
        QVERIFY(dialog.Text()->toPlainText().isEmpty()); // opens at once, then fills
        QVERIFY(WaitUntilShown(dialog));
        QCOMPARE(dialog.Text()->toPlainText(),
                 QString("<12/09/2024 16:00:00> one\n\n<12/09/2024 16:05:00> three\n"));
        QCOMPARE(dialog.PathField()->text(), QString::fromStdString(path));
        QCOMPARE(dialog.focusWidget(), dialog.Text());
        QVERIFY(dialog.Text()->isReadOnly());
        QVERIFY(dialog.CloseButton()->isDefault());
    }

    void scrollBarCoversEveryLineBeforeItIsSeen() {
        test::TempDir dir;
        const std::string path = dir.File("access.log");
        WriteLog(path, kLargeLog);
        CLogViewDlg dialog(path);
        dialog.resize(600, 400);
        dialog.show();
        QVERIFY(WaitUntilShown(dialog));
        QScrollBar* bar = dialog.Text()->verticalScrollBar();
        // One step per line: the file's lines and the empty one after the last.
        QCOMPARE(bar->maximum() + bar->pageStep(), kLargeLog + 1);
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        QCOMPARE(bar->maximum() + bar->pageStep(), kLargeLog + 1);
        // A new font lays the text out anew.
        dialog.Text()->zoomIn(3);
        QCoreApplication::processEvents();
        QCOMPARE(bar->maximum() + bar->pageStep(), kLargeLog + 1);
        QVERIFY(dialog.Text()
                    ->cursorForPosition(QPoint(4, 4))
                    .block()
                    .text()
                    .contains(QString("#%1").arg(kLargeLog - bar->pageStep())));
    }

    void missingFileIsSaidInTheView() {
        test::TempDir dir;
        const std::string path = dir.File("missing.log");
        CLogViewDlg dialog(path);
        dialog.show();
        QVERIFY(WaitUntilShown(dialog));
        QCOMPARE(dialog.Text()->toPlainText(),
                 QString::fromStdString("Could not open log '" + path + "'"));
        QVERIFY(dialog.PathField()->text().isEmpty());
        QVERIFY(dialog.RefreshButton()->isEnabled());
    }

    void refreshReadsTheFileAfreshEvenInTheMiddleOfLoading() {
        test::TempDir dir;
        const std::string path = dir.File("access.log");
        const QString first = WriteLog(path, kLargeLog);
        ViewLogWith(path, {[&](CLogViewDlg& dialog) {
                               QVERIFY(WaitUntilOpened(dialog));
                               QVERIFY(dialog.Loading());
                               dialog.RefreshButton()->click();
                               QVERIFY(!dialog.Loading());
                           },
                           [&](CLogViewDlg& dialog) {
                               QVERIFY(!dialog.RefreshRequested());
                               QVERIFY(WaitUntilShown(dialog));
                               // Nothing of the stopped run is mixed in.
                               QCOMPARE(dialog.Text()->toPlainText(), first);
                               std::ofstream(path, std::ios::app) << "added\r\n";
                               dialog.RefreshButton()->click();
                           },
                           [&](CLogViewDlg& dialog) {
                               QVERIFY(WaitUntilShown(dialog));
                               QCOMPARE(dialog.Text()->toPlainText(), first + "added\n");
                               dialog.CloseButton()->click();
                           }});
    }

    void clearLog_data() {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("heldElsewhere");
        QTest::addColumn<bool>("whileLoading");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("answered No") << false << false << false << false;
        QTest::newRow("answered Yes") << true << false << false << true;
        QTest::newRow("file held by a writer") << true << true << false << false;
        // The lock the viewer's own loader holds is no reason to refuse.
        QTest::newRow("viewer still loading") << true << false << true << true;
    }

    void clearLog() {
        QFETCH(bool, answer);
        QFETCH(bool, heldElsewhere);
        QFETCH(bool, whileLoading);
        QFETCH(bool, cleared);
        test::TempDir dir;
        const std::string path = dir.File("error.log");
        QString shown = QStringLiteral("<12/09/2024 16:00:00> down\n");
        if (whileLoading) {
            shown = WriteLog(path, kLargeLog);
        } else {
            WriteFile(path, "<12/09/2024 16:00:00> down\r\n");
        }
        const std::string before = ReadFile(path);
        CLogViewDlg dialog(path);
        dialog.show();
        if (whileLoading) {
            QVERIFY(WaitUntilOpened(dialog));
            QVERIFY(dialog.Loading());
        } else {
            QVERIFY(WaitUntilShown(dialog));
        }
        std::optional<LockedLogFile> writer;
        if (heldElsewhere) {
            writer = LockedLogFile::Open(path, LockedLogFile::Mode::Append);
            QVERIFY(writer.has_value());
        }

        MessageBoxes::SetNextAnswers({answer, true});
        dialog.ClearLogButton()->click();

        QStringList expected{"The log will be permanently deleted, Continue?"};
        if (answer && !cleared) {
            expected << QString::fromStdString("Could not clear log file'" + path + "'");
        }
        QCOMPARE(MessageBoxes::TakeShown(), expected);
        QCOMPARE(ReadFile(path), cleared ? std::string() : before);
        // Lines a stopped loader had queued do not come back.
        QTest::qWait(100);
        QCOMPARE(dialog.Text()->toPlainText(), cleared ? QString() : shown);
        QCOMPARE(dialog.PathField()->text(), QString::fromStdString(path));
        QVERIFY(dialog.isVisible());
    }

    void everyWayOutStopsTheLoaderAtOnce_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("result");
        QTest::newRow("Close") << "close" << int(QDialog::Accepted);
        QTest::newRow("Enter") << "enter" << int(QDialog::Accepted);
        QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
        QTest::newRow("close box") << "closebox" << int(QDialog::Rejected);
        QTest::newRow("Refresh") << "refresh" << int(QDialog::Accepted);
    }

    void everyWayOutStopsTheLoaderAtOnce() {
        QFETCH(QString, way);
        QFETCH(int, result);
        test::TempDir dir;
        const std::string path = dir.File("access.log");
        WriteLog(path, kLargeLog);
        CLogViewDlg dialog(path);
        dialog.show();
        QVERIFY(WaitUntilOpened(dialog));
        QVERIFY(dialog.Loading());

        QElapsedTimer clock;
        clock.start();
        if (way == "close") {
            dialog.CloseButton()->click();
        } else if (way == "enter") {
            QTest::keyClick(&dialog, Qt::Key_Return);
        } else if (way == "escape") {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else if (way == "closebox") {
            dialog.close();
        } else {
            dialog.RefreshButton()->click();
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), result);
        QVERIFY(!dialog.Loading());
        // The file is free again at once.
        QVERIFY(LockedLogFile::Open(path, LockedLogFile::Mode::Append).has_value());
    }

    void destroyedBeforeTheLoaderRuns() {
        test::TempDir dir;
        const std::string path = dir.File("access.log");
        WriteLog(path, kLargeLog);
        for (int i = 0; i < 20; ++i) {
            auto dialog = std::make_unique<CLogViewDlg>(path);
            dialog->show(); // the loader thread is started, perhaps not yet running
            dialog.reset();
        }
        QCoreApplication::processEvents(); // nothing queued may reach a dead dialog
        QVERIFY(LockedLogFile::Open(path, LockedLogFile::Mode::Append).has_value());
    }

    void entryWrittenWhileTheViewerHoldsTheLogComesWithTheNext() {
        test::TempDir dir;
        MonitorRecord record;
        record.accessLogPath = dir.File("access.log");
        record.errorLogPath = dir.File("error.log");
        const QString before = WriteLog(record.accessLogPath, kLargeLog);
        SystemClock clock;
        LogWriter writer(record, clock);

        CLogViewDlg dialog(record.accessLogPath);
        dialog.show();
        QVERIFY(WaitUntilOpened(dialog));
        QVERIFY(dialog.Loading());
        writer.WriteLog("http://127.0.0.1/ 200 1ms", record.accessLogPath);
        QCOMPARE(writer.PendingLogLines().size(), size_t(1));

        QVERIFY(WaitUntilShown(dialog));
        QCOMPARE(dialog.Text()->toPlainText(), before);
        writer.WriteLog("http://127.0.0.1/ 200 2ms", record.accessLogPath);
        QVERIFY(writer.PendingLogLines().empty());

        std::string log = ReadFile(record.accessLogPath);
        auto missed = log.find("> Missed Entry: <");
        auto next = log.find("> http://127.0.0.1/ 200 2ms\r\n");
        QVERIFY(missed != std::string::npos && next != std::string::npos);
        QVERIFY(log.find("http://127.0.0.1/ 200 1ms\r\n", missed) < next);
    }
};

QTEST_MAIN(LogViewDialogTest)
#include "test_log_view_dialog.moc"
