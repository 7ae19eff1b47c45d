// The whole program in one process: the window, the engine on its thread and
// the real probe against loopback servers started here.
#include "address_box.h"
#include "app/settings_store.h"
#include "email_setup_dialog.h"
#include "engine_worker.h"
#include "ids.h"
#include "interval_arrows.h"
#include "load_chart.h"
#include "mail/mailer.h"
#include "monitor_app.h"
#include "monitor_dlg.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace qova;
using namespace qova::desktop;
using namespace std::chrono_literals;

namespace {

class CountingMailer : public Mailer {
  public:
    bool SendMail(const std::string&, const std::string&, const std::string&,
                  const std::string&) override {
        return true;
    }
};

class SilentShell : public TrayShell {
  public:
    bool Notify(TrayAction, const TrayRecord&) override { return true; }
    void SetContextMenu(QMenu*) override {}
    void SetEventHandler(std::function<void(int)>) override {}
};

// A program over a store, logs and marker in one temporary folder.
struct Program {
    test::TempDir dir;
    std::unique_ptr<CMonitorApp> app;

    Program() { qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data"))); }

    void Setting(const char* name, const std::string& value) {
        SettingsStore(dir.File("settings.db")).WriteProfileString("Settings", name, value);
    }
    void Setting(const char* name, int value) {
        SettingsStore(dir.File("settings.db")).WriteProfileInt("Settings", name, value);
    }

    CMonitorApp& Start(bool trayAvailable = true) {
        CMonitorApp::Options options;
        options.storePath = dir.File("settings.db");
        options.markerFolder = dir.Path();
        options.mailer = std::make_unique<CountingMailer>();
        options.tray = std::make_unique<CTrayIcon>(std::make_unique<SilentShell>());
        options.trayCheck = [trayAvailable] { return trayAvailable; };
        app = std::make_unique<CMonitorApp>(std::move(options));
        app->Start();
        return *app;
    }
    CMonitorDlg& Window() { return *app->Window(); }
    // Ends the program as the user does and waits until it has.
    bool ExitAndWait(int command = ids::kCmdExit) {
        QSignalSpy finished(app.get(), &CMonitorApp::finished);
        Window().Menu().Item(command)->trigger();
        return finished.wait(5000);
    }
};

// Answers every modal dialog that opens with Cancel, and notes its type.
struct DialogCloser {
    QStringList seen;
    QTimer timer;
    DialogCloser() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen << dialog->metaObject()->className();
                dialog->reject();
            }
        });
        timer.start();
    }
};

// Answers after a pause, so the load time is never 0 ms, which the chart
// draws as no bar at all.
std::vector<test::Step> HttpOk() {
    return {test::Step::ReadUntil("\r\n\r\n"), test::Step::Pause(20ms),
            test::Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"),
            test::Step::Close()};
}

int GreenBars(const CLoadChart& chart) {
    int count = 0;
    for (const ChartFill& fill : chart.Model().Layout({0, 0, chart.width(), chart.height()}).bars) {
        count += fill.color == kChartNormalBar ? 1 : 0;
    }
    return count;
}

} // namespace

class TestMonitorEngine : public QObject {
    Q_OBJECT

  private slots:
    void firstStartPromptsForEmailSetupAndWaits();
    void oneEmailSetupAtATime_data();
    void oneEmailSetupAtATime();
    void pollShowsChartStatisticsTitleAndHistory();
    void exitStoresPlaceHistoryAndCount();
    void exitEndsAProbeThatWaits();
};

void TestMonitorEngine::firstStartPromptsForEmailSetupAndWaits() {
    Program p;
    DialogCloser closer;
    CMonitorApp& app = p.Start();
    QSignalSpy polled(app.Worker(), &EngineWorker::polled);
    QTRY_COMPARE_WITH_TIMEOUT(closer.seen, QStringList({"qova::desktop::CEmailSetupDlg"}), 3000);
    QCOMPARE(p.Window().IntervalField()->text(), QString("15"));
    QCOMPARE(p.Window().AddressBox()->currentText(), QString());
    QCOMPARE(app.Store().GetProfileInt("Settings", "NumOpen", 0), 1);

    // The prompt's poll was the first; no other follows on its own.
    QTest::qWait(400);
    QCOMPARE(polled.count(), 1);
    QTest::mouseClick(p.Window().PollNowButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(polled.count(), 2, 3000);
    QCOMPARE(closer.seen.size(), 1);
    QVERIFY(p.ExitAndWait());
}

void TestMonitorEngine::oneEmailSetupAtATime_data() {
    QTest::addColumn<bool>("menuFirst");
    QTest::newRow("menu open when the first poll prompts") << true;
    QTest::newRow("menu chosen over the prompt") << false;
}

void TestMonitorEngine::oneEmailSetupAtATime() {
    QFETCH(bool, menuFirst);
    Program p;
    CMonitorApp& app = p.Start();
    QSignalSpy polled(app.Worker(), &EngineWorker::polled);
    QAction* menuItem = p.Window().Menu().Item(ids::kCmdEmailSettings);

    // Watches the open email setups; once the prompt's poll is some way
    // behind, cancels whatever is open.
    int most = 0;
    int ticksAfterPoll = 0;
    bool menuChosen = false;
    QTimer watcher;
    watcher.setInterval(10);
    connect(&watcher, &QTimer::timeout, this, [&] {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            open += qobject_cast<CEmailSetupDlg*>(widget) && widget->isVisible() ? 1 : 0;
        }
        most = std::max(most, open);
        if (!menuChosen && open == 1) {
            menuChosen = true;
            QTimer::singleShot(0, menuItem, &QAction::trigger); // a modal loop of its own
        }
        if (!polled.isEmpty() && ++ticksAfterPoll > 20) {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
            }
        }
    });
    watcher.start();
    if (menuFirst) {
        menuChosen = true;
        menuItem->trigger(); // returns when the dialog ends
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        menuChosen && ticksAfterPoll > 30 && !QApplication::activeModalWidget(), 5000);
    QCOMPARE(most, 1);
    QCOMPARE(polled.count(), 1);
    QVERIFY(p.ExitAndWait());
}

void TestMonitorEngine::pollShowsChartStatisticsTitleAndHistory() {
    test::ScriptedServer site(HttpOk());
    const QString address = QString("http://127.0.0.1:%1/").arg(site.Port());
    Program p;
    p.Setting("LastURL", address.toStdString());
    p.Setting("SMTP", "mail.example");
    CMonitorApp& app = p.Start();
    QSignalSpy polled(app.Worker(), &EngineWorker::polled);
    QVERIFY(polled.wait(5000));
    // The spy hears the engine's thread at once; the effects queued before it
    // reach the window at its next turn.
    QCoreApplication::processEvents();

    CMonitorDlg& w = p.Window();
    QCOMPARE(w.windowTitle(), "QOVA - 127.0.0.1:" + QString::number(site.Port()) + "/");
    QCOMPARE(GreenBars(*w.Chart()), 1);
    QVERIFY(w.StatisticLabel(ids::kLastText)->text().contains("ms"));
    QVERIFY(w.StatisticLabel(ids::kAllTimeBestText)->text().contains("ms"));
    QCOMPARE(w.AddressBox()->count(), 1);
    QCOMPARE(w.AddressBox()->itemText(0), address);
    QCOMPARE(w.Tray().Record().tip,
             "QOVA - Sentrovale\n127.0.0.1:" + QString::number(site.Port()) + "/");

    QVERIFY(p.ExitAndWait());
    SettingsStore store(p.dir.File("settings.db"));
    QCOMPARE(store.GetProfileString("Location", "0", ""), address.toStdString());
}

void TestMonitorEngine::exitStoresPlaceHistoryAndCount() {
    Program p;
    p.Setting("SMTP", "mail.example");
    SettingsStore(p.dir.File("settings.db")).WriteProfileString("Location", "0", "one.example");
    SettingsStore(p.dir.File("settings.db")).WriteProfileString("Location", "1", "two.example");
    CMonitorApp& app = p.Start();
    app.Window()->move(140, 110);
    // Escape ends the program as Exit does.
    QSignalSpy finished(&app, &CMonitorApp::finished);
    QTest::keyClick(app.Window()->AddressBox()->lineEdit(), Qt::Key_Escape);
    QVERIFY(finished.wait(5000));
    QVERIFY(!app.Window());

    SettingsStore store(p.dir.File("settings.db"));
    QCOMPARE(store.GetProfileInt("Settings", "LocX", 0), 140);
    QCOMPARE(store.GetProfileInt("Settings", "LocY", 0), 110);
    QCOMPARE(store.GetProfileInt("Settings", "NumOpen", -1), 0);
    QCOMPARE(store.GetProfileString("Location", "0", ""), std::string("one.example"));
    QCOMPARE(store.GetProfileString("Location", "1", ""), std::string("two.example"));
    QCOMPARE(store.GetProfileString("Location", "2", "none"), std::string());
}

void TestMonitorEngine::exitEndsAProbeThatWaits() {
    test::ScriptedServer silent({test::Step::Stall()});
    Program p;
    p.Setting("LastURL", QString("http://127.0.0.1:%1/").arg(silent.Port()).toStdString());
    p.Setting("SMTP", "mail.example");
    p.Start();
    QTRY_COMPARE_WITH_TIMEOUT(silent.Connections(), 1, 5000);

    // The window still answers while the probe waits...
    QTest::mouseClick(p.Window().Arrows()->UpButton(), Qt::LeftButton);
    QCOMPARE(p.Window().IntervalField()->text(), QString("16"));
    // ...and Exit does not wait for the probe's time limit.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(p.ExitAndWait());
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    silent.Stop();
}

QTEST_MAIN(TestMonitorEngine)
#include "test_monitor_engine.moc"
