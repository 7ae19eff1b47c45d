#include "icons.h"
#include "ids.h"
#include "tray_icon.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>
#include <vector>

using namespace qova;
using namespace qova::desktop;

namespace {

struct ShellCall {
    TrayAction action;
    unsigned flags;
    QString tip;
};

// Stands in for the system tray: records every change and refuses the ones it
// is told to.
class FakeShell : public TrayShell {
  public:
    explicit FakeShell(std::vector<ShellCall>* calls) : calls_(calls) {}
    bool Notify(TrayAction action, const TrayRecord& record) override {
        calls_->push_back({action, record.flags, record.tip});
        if (refuseNext_) {
            refuseNext_ = false;
            return false;
        }
        return true;
    }
    void SetContextMenu(QMenu*) override {}
    void SetEventHandler(std::function<void(int)> handler) override { handler_ = handler; }

    bool refuseNext_ = false;
    std::function<void(int)> handler_;

  private:
    std::vector<ShellCall>* calls_;
};

} // namespace

class TestTrayIcon : public QObject {
    Q_OBJECT

  private slots:
    void tipIsCutAt63Characters_data();
    void tipIsCutAt63Characters();
    void changesFollowTheRecord();
    void menuHasOpenAsBoldDefault();
    void notifications_data();
    void notifications();
    void mouseActionsWaitForAnAttachedWindow();
    void withoutTrayHostChangesFailQuietly();
    void progressIconsWalkTheGap();
};

void TestTrayIcon::tipIsCutAt63Characters_data() {
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("shown");
    const QString sixtyThree = QString(63, QChar('a'));
    QTest::newRow("63 whole") << sixtyThree << sixtyThree;
    QTest::newRow("64 cut") << sixtyThree + "b" << sixtyThree;
    QTest::newRow("long address cut") << "QOVA - Sentrovale\n" + QString(200, QChar('x'))
                                      << "QOVA - Sentrovale\n" + QString(45, 'x');
    QTest::newRow("line break kept") << "QOVA - Sentrovale\nexample.com"
                                     << "QOVA - Sentrovale\nexample.com";
    // A character outside the basic plane straddling the limit is dropped whole.
    QTest::newRow("no half character")
        << QString(62, QChar('a')) + QString::fromUtf8("\xF0\x9F\x98\x80")
        << QString(62, QChar('a'));
}

void TestTrayIcon::tipIsCutAt63Characters() {
    QFETCH(QString, tip);
    QFETCH(QString, shown);
    std::vector<ShellCall> calls;
    CTrayIcon tray(std::make_unique<FakeShell>(&calls));
    QVERIFY(tray.ChangeIconAndTip(ids::kIconNormal, tip));
    QCOMPARE(calls.size(), size_t{1});
    QCOMPARE(calls[0].tip, shown);
    QVERIFY(calls[0].flags & kTrayFlagTip);
}

// The calls the main window makes over a run, one shell call each, plus the
// failures the record must survive.
void TestTrayIcon::changesFollowTheRecord() {
    std::vector<ShellCall> calls;
    auto shell = std::make_unique<FakeShell>(&calls);
    FakeShell* fake = shell.get();
    {
        CTrayIcon tray(std::move(shell));

        // Removing an icon that is not shown calls nothing and succeeds.
        QVERIFY(tray.ChangeIconAndTip(0, "ignored"));
        QVERIFY(calls.empty());

        QWidget window;
        tray.AttachWindow(&window, ids::kTrayCallbackMessage);
        QVERIFY(tray.ChangeIconAndTip(ids::kIconNormal, "QOVA - Sentrovale"));
        QVERIFY(tray.ChangeIconFromResource(ids::kIconNormal));
        QCOMPARE(calls.size(), size_t{2});
        QCOMPARE(calls[0].action, TrayAction::Add);
        QCOMPARE(calls[0].flags, kTrayFlagMessage | kTrayFlagIcon | kTrayFlagTip);
        QCOMPARE(calls[1].action, TrayAction::Modify);
        QCOMPARE(calls[1].tip, QString("QOVA"));

        // An icon without a string clears the stored tip: the change carries
        // none, so the tip shown stays as it was.
        QVERIFY(tray.ChangeIconFromResource(ids::kIconProgressFirst));
        QCOMPARE(calls.back().flags, kTrayFlagMessage | kTrayFlagIcon);
        QVERIFY(tray.Record().tip.isEmpty());

        // A refused change forgets the icon; the next one adds it anew.
        fake->refuseNext_ = true;
        QVERIFY(!tray.ChangeIconAndTip(ids::kIconAttention, "QOVA - (site unreachable)\nx"));
        QVERIFY(tray.Record().icon.isNull());
        QVERIFY(tray.ChangeIconAndTip(ids::kIconNormal, "QOVA - Sentrovale\nx"));
        QCOMPARE(calls.back().action, TrayAction::Add);

        // An unknown icon number removes the icon.
        QVERIFY(tray.ChangeIconAndTip(130, "tip"));
        QCOMPARE(calls.back().action, TrayAction::Delete);
        QVERIFY(tray.ChangeIconAndTip(ids::kIconNormal, "back"));
        calls.clear();
    }
    // Destruction removes the icon.
    QCOMPARE(calls.size(), size_t{1});
    QCOMPARE(calls[0].action, TrayAction::Delete);
}

void TestTrayIcon::menuHasOpenAsBoldDefault() {
    std::vector<ShellCall> calls;
    CTrayIcon tray(std::make_unique<FakeShell>(&calls));
    QStringList texts;
    for (QAction* action : tray.Menu()->actions()) {
        texts << (action->isSeparator() ? QString("-") : action->text());
    }
    QCOMPARE(texts, QStringList({"&Open QOVA", "&About QOVA...", "-", "&Terminate QOVA"}));
    QCOMPARE(tray.Menu()->actions().first()->data().toInt(), ids::kCmdOpen);
    QCOMPARE(tray.Menu()->actions().last()->data().toInt(), ids::kCmdExit);

    QCOMPARE(tray.HandleNotification(ids::kTrayIconId, ids::kTrayRightButtonUp), 1);
    QCOMPARE(tray.Menu()->defaultAction(), tray.Menu()->actions().first());
    QVERIFY(tray.Menu()->isVisible());
    tray.Menu()->hide();
}

void TestTrayIcon::notifications_data() {
    QTest::addColumn<int>("identifier");
    QTest::addColumn<int>("event");
    QTest::addColumn<int>("handled");
    QTest::addColumn<int>("opens");
    QTest::newRow("double click opens") << ids::kTrayIconId << ids::kTrayLeftDoubleClick << 1 << 1;
    QTest::newRow("other identifier")
        << ids::kTrayIconId + 1 << ids::kTrayLeftDoubleClick << 0 << 0;
    QTest::newRow("other identifier, right click")
        << ids::kTrayIconId + 1 << ids::kTrayRightButtonUp << 0 << 0;
    QTest::newRow("single left click") << ids::kTrayIconId << ids::kTrayLeftButtonUp << 0 << 0;
    QTest::newRow("mouse move") << ids::kTrayIconId << ids::kTrayMouseMove << 0 << 0;
}

void TestTrayIcon::notifications() {
    QFETCH(int, identifier);
    QFETCH(int, event);
    QFETCH(int, handled);
    QFETCH(int, opens);
    std::vector<ShellCall> calls;
    CTrayIcon tray(std::make_unique<FakeShell>(&calls));
    QSignalSpy open(&tray, &CTrayIcon::openRequested);
    QCOMPARE(tray.HandleNotification(identifier, event), handled);
    QCOMPARE(open.count(), opens);
    QVERIFY(!tray.Menu()->isVisible());
}

void TestTrayIcon::mouseActionsWaitForAnAttachedWindow() {
    std::vector<ShellCall> calls;
    auto shell = std::make_unique<FakeShell>(&calls);
    FakeShell* fake = shell.get();
    CTrayIcon tray(std::move(shell));
    QSignalSpy open(&tray, &CTrayIcon::openRequested);

    fake->handler_(ids::kTrayLeftDoubleClick);
    QCOMPARE(open.count(), 0);

    QWidget window;
    tray.AttachWindow(&window, ids::kTrayCallbackMessage);
    fake->handler_(ids::kTrayLeftDoubleClick);
    QCOMPARE(open.count(), 1);
}

// The offscreen platform, like a plain desktop session, has no tray host.
void TestTrayIcon::withoutTrayHostChangesFailQuietly() {
    QVERIFY(!CTrayIcon::IsAvailable());
    CTrayIcon tray;
    QWidget window;
    tray.AttachWindow(&window, ids::kTrayCallbackMessage);
    QVERIFY(!tray.ChangeIconAndTip(ids::kIconNormal, "QOVA - Sentrovale"));
    QVERIFY(!tray.ChangeIconAndTip(ids::kIconProgressFirst, "QOVA - Sentrovale"));
    QVERIFY(tray.Record().icon.isNull());
}

// Icon 131 + k lacks bar k; 138 is 128 in red.
void TestTrayIcon::progressIconsWalkTheGap() {
    const int size = 32;
    auto barColumn = [](int bar) { return 3 + bar * 4; };
    auto pixelAt = [&](int iconId, int bar) {
        return IconPixmap(iconId, size).toImage().pixelColor(barColumn(bar), 27);
    };
    for (int bar = 0; bar < 7; ++bar) {
        QVERIFY(pixelAt(ids::kIconNormal, bar).green() > 200);
        QVERIFY(pixelAt(ids::kIconAttention, bar).red() > 200);
        for (int id = ids::kIconProgressFirst; id <= ids::kIconProgressLast; ++id) {
            bool missing = id - ids::kIconProgressFirst == bar;
            QCOMPARE(pixelAt(id, bar).green() > 200, !missing);
        }
    }
    QVERIFY(IconForResource(130).isNull());
    QVERIFY(IconForResource(0).isNull());
    QVERIFY(!IconForResource(ids::kIconNormal).pixmap(22, 22).isNull());
}

QTEST_MAIN(TestTrayIcon)
#include "test_tray_icon.moc"
