// The main window on its own: its start, commands and the messages it sends
// the engine, with a fake engine and a fake tray.
#include "address_box.h"
#include "app/settings_store.h"
#include "engine_control.h"
#include "ids.h"
#include "interval_arrows.h"
#include "monitor_dlg.h"
#include "support/temp_dir.h"
#include "tray_icon.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace qova;
using namespace qova::desktop;

namespace {

class FakeEngine : public EngineControl {
  public:
    void PollNow() override { messages << "poll now"; }
    void AddressTextChanged(const QString& text) override { messages << "address " + text; }
    void IntervalChanged(int minutes) override { messages << QString("interval %1").arg(minutes); }
    void SettingsAccepted() override { messages << "settings"; }
    void ResetStatistics() override { messages << "reset"; }
    QStringList messages;
};

class SilentShell : public TrayShell {
  public:
    bool Notify(TrayAction, const TrayRecord&) override { return true; }
    void SetContextMenu(QMenu*) override {}
    void SetEventHandler(std::function<void(int)>) override {}
};

// One window over a store in a temporary folder.
struct Fixture {
    test::TempDir dir;
    SettingsStore store{dir.File("settings.db")};
    FakeEngine engine;
    std::unique_ptr<CMonitorDlg> window;

    CMonitorDlg& Open(bool trayAvailable = true, const QString& address = {}, int interval = 15,
                      bool startHidden = false) {
        window = std::make_unique<CMonitorDlg>(
            store, std::make_unique<CTrayIcon>(std::make_unique<SilentShell>()));
        window->SetTrayCheck([trayAvailable] { return trayAvailable; });
        window->SetEngine(&engine);
        window->SetStartValues(address, interval);
        window->Start(startHidden);
        engine.messages.clear();
        return *window;
    }
    int Setting(const char* name, int fallback = -1000) {
        return store.GetProfileInt("Settings", name, fallback);
    }
};

} // namespace

class TestMonitorWindow : public QObject {
    Q_OBJECT

  private slots:
    void firstStartOnAnEmptyStore();
    void controlsInTemplateOrder();
    void intervalArrows_data();
    void intervalArrows();
    void typingIntoTheIntervalChangesNothing();
    void storedPlace_data();
    void storedPlace();
    void showDetailsSwitchesForms();
    void tallFormNearTheBottomGrowsUpward();
    void alwaysOnTopIsRestored();
    void addressBoxPicksPollAndEditsStoreLastUrl();
    void enterAndPollNowAskForAPoll();
    void closePutsTheWindowAway_data();
    void closePutsTheWindowAway();
    void exitAndEscapeEndTheProgram_data();
    void exitAndEscapeEndTheProgram();
    void startHidden();
};

void TestMonitorWindow::firstStartOnAnEmptyStore() {
    Fixture f;
    CMonitorDlg& w = f.Open();
    QVERIFY(w.isVisible());
    QVERIFY(w.DetailsShown());
    QVERIFY(w.Details()->isVisible());
    QVERIFY(w.Menu().Item(ids::kCmdShowDetails)->isChecked());
    QVERIFY(!w.OnTop());
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(w.IntervalField()->text(), QString("15"));
    QCOMPARE(w.AddressBox()->currentText(), QString());
    QCOMPARE(w.windowTitle(), QString("QOVA - Sentrovale"));
    QCOMPARE(w.pos(), w.screen()->geometry().topLeft());
    QCOMPARE(f.Setting("ViewDetails"), 1);
    QCOMPARE(w.Tray().Record().tip, QString("QOVA"));
}

void TestMonitorWindow::controlsInTemplateOrder() {
    Fixture f;
    CMonitorDlg& w = f.Open();
    // Focus starts in the address box and tabs through the polling controls.
    QCOMPARE(w.AddressBox()->nextInFocusChain(), static_cast<QWidget*>(w.AddressBox()->lineEdit()));
    QWidget* order[] = {w.PollNowButton(), w.IntervalField(), w.Arrows()};
    QWidget* at = w.AddressBox();
    for (QWidget* expected : order) {
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus || at == w.AddressBox()->lineEdit()) {
            at = at->nextInFocusChain();
        }
        QCOMPARE(at, expected);
    }
    QVERIFY(w.PollNowButton()->isDefault());
    for (int id : {ids::kLastText, ids::kBestText, ids::kWorstText, ids::kAllTimeBestText,
                   ids::kAllTimeWorstText, ids::kLastAlertText, ids::kLastRecoveryText}) {
        QVERIFY2(w.StatisticLabel(id), qPrintable(QString::number(id)));
    }
    QStringList menus;
    for (QAction* a : w.Menu().bar->actions()) {
        menus << a->text();
    }
    QCOMPARE(menus, QStringList({"Monitor", "View", "Setup", "Help"}));
    QCOMPARE(w.Menu().Item(ids::kCmdExit)->text(), QString("E&xit\tESC"));
}

void TestMonitorWindow::intervalArrows_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("result");
    QTest::newRow("empty, up") << "" << true << 6;
    QTest::newRow("abc, down") << "abc" << false << 1;
    QTest::newRow("1, down") << "1" << false << 1;
    QTest::newRow("150, up") << "150" << true << 151;
    QTest::newRow("blanks and sign") << "  +20x" << true << 21;
    QTest::newRow("negative, up") << "-7" << true << 1;
    // A delay beyond the timer's range would wrap around and poll at once.
    QTest::newRow("huge, up") << "99999999999999999999" << true << 35791;
}

void TestMonitorWindow::intervalArrows() {
    QFETCH(QString, field);
    QFETCH(bool, up);
    QFETCH(int, result);
    Fixture f;
    CMonitorDlg& w = f.Open();
    w.IntervalField()->setText(field);
    QTest::mouseClick(up ? w.Arrows()->UpButton() : w.Arrows()->DownButton(), Qt::LeftButton);
    QCOMPARE(w.IntervalField()->text(), QString::number(result));
    QCOMPARE(f.Setting("Interval"), result);
    QCOMPARE(f.engine.messages, QStringList({QString("interval %1").arg(result)}));
}

void TestMonitorWindow::typingIntoTheIntervalChangesNothing() {
    Fixture f;
    CMonitorDlg& w = f.Open();
    w.IntervalField()->clear();
    QTest::keyClicks(w.IntervalField(), "30");
    QCOMPARE(f.Setting("Interval"), -1000);
    QVERIFY(f.engine.messages.isEmpty());
    w.Arrows()->setFocus();
    QTest::keyClick(w.Arrows(), Qt::Key_Up);
    QCOMPARE(w.IntervalField()->text(), QString("31"));
    QCOMPARE(f.engine.messages, QStringList({"interval 31"}));
}

void TestMonitorWindow::storedPlace_data() {
    QTest::addColumn<int>("locX");
    QTest::addColumn<int>("locY");
    QTest::addColumn<bool>("moved");
    QTest::newRow("inside") << 120 << 80 << true;
    QTest::newRow("zero") << 0 << 80 << false;
    QTest::newRow("negative") << 120 << -5 << false;
    QTest::newRow("2000") << 2000 << 80 << false;
    QTest::newRow("never stored") << -32 << -32 << false;
}

void TestMonitorWindow::storedPlace() {
    QFETCH(int, locX);
    QFETCH(int, locY);
    QFETCH(bool, moved);
    Fixture f;
    f.store.WriteProfileInt("Settings", "LocX", locX);
    f.store.WriteProfileInt("Settings", "LocY", locY);
    CMonitorDlg& w = f.Open();
    QCOMPARE(w.pos(), moved ? QPoint(locX, locY) : w.screen()->geometry().topLeft());
}

void TestMonitorWindow::showDetailsSwitchesForms() {
    Fixture f;
    f.store.WriteProfileInt("Settings", "ViewDetails", 0);
    CMonitorDlg& w = f.Open();
    QVERIFY(!w.DetailsShown());
    QVERIFY(!w.Details()->isVisible());
    QVERIFY(!w.Menu().Item(ids::kCmdShowDetails)->isChecked());
    const int shortHeight = w.height();
    QVERIFY(shortHeight <= w.Menu().bar->height() + 140);

    w.Menu().Item(ids::kCmdShowDetails)->trigger();
    QVERIFY(w.Details()->isVisible());
    QVERIFY(w.height() > shortHeight + 150);
    QCOMPARE(f.Setting("ViewDetails"), 1);
    QVERIFY(w.AddressBox()->isVisible());
}

void TestMonitorWindow::tallFormNearTheBottomGrowsUpward() {
    Fixture f;
    f.store.WriteProfileInt("Settings", "ViewDetails", 0);
    CMonitorDlg& w = f.Open();
    const int screenBottom = w.screen()->geometry().bottom();
    w.move(40, screenBottom - w.frameGeometry().height() - 10);
    const int bottom = w.frameGeometry().bottom();
    w.ShowDetails();
    QCOMPARE(w.frameGeometry().bottom(), bottom);
    QCOMPARE(w.x(), 40);
}

void TestMonitorWindow::alwaysOnTopIsRestored() {
    Fixture f;
    f.store.WriteProfileInt("Settings", "AOT", 5);
    f.store.WriteProfileInt("Settings", "LocX", 100);
    f.store.WriteProfileInt("Settings", "LocY", 90);
    CMonitorDlg& w = f.Open();
    QVERIFY(w.OnTop());
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.Menu().Item(ids::kCmdAlwaysOnTop)->isChecked());
    QCOMPARE(f.Setting("AOT"), 1);

    w.Menu().Item(ids::kCmdAlwaysOnTop)->trigger();
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w.isVisible());
    QCOMPARE(w.pos(), QPoint(100, 90));
    QCOMPARE(f.Setting("AOT"), 0);
}

void TestMonitorWindow::addressBoxPicksPollAndEditsStoreLastUrl() {
    Fixture f;
    CMonitorDlg& w = f.Open(true, "start.example");
    CAddressBox* box = w.AddressBox();
    QCOMPARE(box->currentText(), QString("start.example"));

    // Filling and selecting by the program polls nothing and stores nothing.
    w.AppendAddress("a.example");
    QCOMPARE(box->currentText(), QString("start.example"));
    w.AppendAddress("b.example");
    w.SelectAddress(1);
    QCOMPARE(box->currentText(), QString("b.example"));
    QVERIFY(!f.engine.messages.contains("poll now"));
    QCOMPARE(f.store.GetProfileString("Settings", "LastURL", "none"), std::string("none"));
    f.engine.messages.clear();

    // A pick with the arrow keys polls the entry it lands on, the text first.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentText(), QString("a.example"));
    QCOMPARE(f.engine.messages, QStringList({"address a.example", "poll now"}));

    // Typing stores the trimmed text; deleting down to nothing keeps the last.
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), " x.org ");
    QCOMPARE(f.store.GetProfileString("Settings", "LastURL", ""), std::string("x.org"));
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
    }
    QCOMPARE(box->currentText(), QString());
    QCOMPARE(f.store.GetProfileString("Settings", "LastURL", ""), std::string("x"));
    QCOMPARE(f.engine.messages.last(), QString("address "));
}

void TestMonitorWindow::enterAndPollNowAskForAPoll() {
    Fixture f;
    CMonitorDlg& w = f.Open(true, "site.example");
    QTest::mouseClick(w.PollNowButton(), Qt::LeftButton);
    QTest::keyClick(w.AddressBox()->lineEdit(), Qt::Key_Return);
    w.IntervalField()->setFocus();
    QTest::keyClick(w.IntervalField(), Qt::Key_Enter);
    QCOMPARE(f.engine.messages, QStringList({"poll now", "poll now", "poll now"}));
    QVERIFY(w.isVisible());
    QCOMPARE(w.AddressBox()->count(), 0); // Enter adds nothing to the history's list
}

void TestMonitorWindow::closePutsTheWindowAway_data() {
    QTest::addColumn<bool>("tray");
    QTest::newRow("with a tray: hidden") << true;
    QTest::newRow("without a tray: minimised") << false;
}

void TestMonitorWindow::closePutsTheWindowAway() {
    QFETCH(bool, tray);
    for (bool viaMenu : {false, true}) {
        Fixture f;
        CMonitorDlg& w = f.Open(tray);
        QSignalSpy ended(&w, &CMonitorDlg::ended);
        if (viaMenu) {
            w.Menu().Item(ids::kCmdHide)->trigger();
        } else {
            w.close();
        }
        QCOMPARE(ended.count(), 0);
        if (tray) {
            QVERIFY(!w.isVisible());
        } else {
            QVERIFY(w.isMinimized());
        }
        // Open brings it back.
        emit w.Tray().openRequested();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
    }
}

void TestMonitorWindow::exitAndEscapeEndTheProgram_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit") << "exit";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("Terminate in the tray menu") << "terminate";
    QTest::newRow("Exit while hidden") << "hidden exit";
}

void TestMonitorWindow::exitAndEscapeEndTheProgram() {
    QFETCH(QString, how);
    Fixture f;
    f.store.WriteProfileInt("Settings", "NumOpen", 2);
    f.store.WriteProfileInt("Settings", "LocX", 150);
    f.store.WriteProfileInt("Settings", "LocY", 60);
    CMonitorDlg& w = f.Open();
    w.move(210, 130);
    QSignalSpy ended(&w, &CMonitorDlg::ended);
    if (how == "exit") {
        w.Menu().Item(ids::kCmdExit)->trigger();
    } else if (how == "escape") {
        QTest::keyClick(w.AddressBox()->lineEdit(), Qt::Key_Escape);
    } else if (how == "terminate") {
        emit w.Tray().terminateRequested();
    } else {
        w.close();
        w.Exit();
    }
    QCOMPARE(ended.count(), 1);
    QVERIFY(w.Terminating());
    f.window.reset();
    QCOMPARE(f.Setting("LocX"), 210);
    QCOMPARE(f.Setting("LocY"), 130);
    QCOMPARE(f.Setting("NumOpen"), 1);
}

void TestMonitorWindow::startHidden() {
    // "Hid" = 1 in the store, or the --hidden option.
    for (auto [tray, option] : {std::pair(true, false), std::pair(false, false),
                                std::pair(true, true), std::pair(false, true)}) {
        Fixture f;
        if (!option) {
            f.store.WriteProfileInt("Settings", "Hid", 1);
        }
        CMonitorDlg& w = f.Open(tray, {}, 15, option);
        if (tray) {
            QVERIFY(!w.isVisible());
        } else {
            QVERIFY(w.isMinimized());
        }
    }
}

QTEST_MAIN(TestMonitorWindow)
#include "test_monitor_window.moc"
