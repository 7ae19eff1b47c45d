#include "about_dialog.h"
#include "help.h"
#include "ids.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace qova;
using namespace qova::desktop;

namespace {

// The page shown in the help window, or empty when it is not open.
QString ShownPage() {
    QTextBrowser* browser = HelpBrowser();
    return browser != nullptr && browser->window()->isVisible() ? browser->source().fileName()
                                                                : QString();
}

QString ShownTitle() {
    return HelpBrowser()->documentTitle();
}

void CloseHelp() {
    if (HelpBrowser() != nullptr) {
        HelpBrowser()->window()->close(); // deletes itself on close
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(HelpBrowser() == nullptr);
}

} // namespace

// Catches the product page instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

class HelpTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { CloseHelp(); }

    void eachContextHasItsPage_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("title");
        QTest::newRow("main window") << HelpContext(ids::kMainDialog) << "The main window";
        QTest::newRow("email setup") << HelpContext(ids::kEmailSetupDialog) << "Email setup";
        QTest::newRow("log settings") << HelpContext(ids::kLogSettingsDialog) << "Log settings";
        QTest::newRow("log viewer") << HelpContext(ids::kLogViewDialog) << "The log viewer";
        QTest::newRow("tell a friend") << HelpContext(ids::kTellFriendDialog) << "Tell a friend";
        QTest::newRow("about box") << HelpContext(ids::kAboutDialog) << "About QOVA";
        QTest::newRow("unknown number") << HelpContext(12345) << "QOVA Help";
        QTest::newRow("no context") << 0 << "QOVA Help";
    }

    void eachContextHasItsPage() {
        QFETCH(int, context);
        QFETCH(QString, title);
        ShowHelp(context);
        QVERIFY(!ShownPage().isEmpty());
        QCOMPARE(ShownTitle(), title);
    }

    void mainWindowContextIs131174() { QCOMPARE(HelpContext(ids::kMainDialog), 131174); }

    void f1AnswersWithTheWindowsPage_data() {
        QTest::addColumn<int>("dialogNumber"); // 0: a window without a context
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("title"); // empty: no help
        QTest::newRow("F1 in the log viewer")
            << ids::kLogViewDialog << int(Qt::NoModifier) << "The log viewer";
        QTest::newRow("F1 in a window without a page") << 0 << int(Qt::NoModifier) << "QOVA Help";
        QTest::newRow("Ctrl+F1") << ids::kLogViewDialog << int(Qt::ControlModifier) << "";
        QTest::newRow("Shift+F1") << ids::kLogViewDialog << int(Qt::ShiftModifier) << "";
        QTest::newRow("Alt+F1") << ids::kLogViewDialog << int(Qt::AltModifier) << "";
    }

    void f1AnswersWithTheWindowsPage() {
        QFETCH(int, dialogNumber);
        QFETCH(int, modifiers);
        QFETCH(QString, title);
        InstallHelpKey();
        QDialog window;
        auto* field = new QLabel("x", &window);
        if (dialogNumber != 0) {
            SetHelpContext(&window, dialogNumber);
        }
        window.show();
        QTest::keyClick(field, Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        if (title.isEmpty()) {
            QCOMPARE(ShownPage(), QString());
            return;
        }
        QVERIFY(!ShownPage().isEmpty());
        QCOMPARE(ShownTitle(), title);
    }

    void helpFromAModalDialogCanBeUsed() {
        // A help window outside the running modal dialog would be blocked by it,
        // so it must belong to the dialog.
        bool usable = false;
        QDialog dialog;
        SetHelpContext(&dialog, ids::kLogSettingsDialog);
        QTimer::singleShot(0, [&] {
            ShowHelp(HelpContextOf(&dialog));
            usable = HelpBrowser()->window()->parentWidget() == &dialog;
            dialog.reject();
        });
        dialog.exec();
        QVERIFY(usable);
        QCOMPARE(ShownTitle(), QString("Log settings"));
    }

    void aboutFromTheTrayLeavesAHiddenWindowHidden() {
        QWidget mainWindow;
        mainWindow.hide();
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            QVERIFY(!mainWindow.isVisible());
            QCOMPARE(about->windowTitle(), QString("About QOVA"));
            for (QLabel* label : about->findChildren<QLabel*>()) {
                texts << label->text();
            }
            QTest::keyClick(about, Qt::Key_Return);
        });
        CAboutDlg::Run(&mainWindow);
        QVERIFY(texts.contains("QOVA - Sentrovale"));
        QVERIFY(texts.contains("Version: 1.7"));
        QVERIFY(mainWindow.isHidden());
        QCOMPARE(lastClosed.count(), 0);
    }

    void onTheWebOpensTheProductPage() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("http", &catcher, "Open");
        OpenProductPage();
        QDesktopServices::unsetUrlHandler("http");
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl("http://www.halvorind.com/qova/")});
    }
};

QTEST_MAIN(HelpTest)
#include "test_help.moc"
