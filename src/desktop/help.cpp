#include "help.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <map>

// The pages are compiled into this static library; a reference keeps the linker
// from dropping them.
static void LoadHelpPages() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)loaded;
}

namespace qova::desktop {
namespace {

const char* const kContextProperty = "qovaHelpContext";
const QString kDefaultPage = QStringLiteral("index.html");

// The topic of each window that asks for help; every other number gets the
// default page.
const std::map<int, QString>& Pages() {
    static const std::map<int, QString> pages{
        {HelpContext(ids::kMainDialog), QStringLiteral("main_window.html")},
        {HelpContext(ids::kEmailSetupDialog), QStringLiteral("email_setup.html")},
        {HelpContext(ids::kLogSettingsDialog), QStringLiteral("log_settings.html")},
        {HelpContext(ids::kLogViewDialog), QStringLiteral("log_viewer.html")},
        {HelpContext(ids::kTellFriendDialog), QStringLiteral("tell_friend.html")},
        {HelpContext(ids::kAboutDialog), QStringLiteral("about.html")},
    };
    return pages;
}

QUrl PageUrl(const QString& name) {
    return QUrl(QStringLiteral("qrc:/help/") + name);
}

bool PageExists(const QString& name) {
    return QFile::exists(QStringLiteral(":/help/") + name);
}

class HelpWindow : public QWidget {
  public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser) {
        setWindowTitle(QStringLiteral("QOVA Help"));
        setAttribute(Qt::WA_DeleteOnClose);
        browser_->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser_);
        resize(640, 520);
    }
    QTextBrowser* Browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

QPointer<HelpWindow>& TheHelpWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

class HelpKeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        constexpr Qt::KeyboardModifiers kHeld =
            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if (key->key() != Qt::Key_F1 || (key->modifiers() & kHeld) != 0) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr) {
            return false; // the key also reaches the widget itself; answer it there
        }
        ShowHelp(HelpContextOf(widget));
        return true;
    }
};

} // namespace

void SetHelpContext(QWidget* window, int dialogNumber) {
    window->setProperty(kContextProperty, HelpContext(dialogNumber));
    InstallHelpKey();
}

int HelpContextOf(const QWidget* window) {
    if (window == nullptr) {
        return 0;
    }
    QVariant context = window->window()->property(kContextProperty);
    return context.isValid() ? context.toInt() : 0;
}

QUrl HelpPageFor(int contextNumber) {
    LoadHelpPages();
    auto page = Pages().find(contextNumber);
    if (page != Pages().end() && PageExists(page->second)) {
        return PageUrl(page->second);
    }
    return PageUrl(kDefaultPage);
}

void ShowHelp(int contextNumber) {
    // A modal dialog blocks every window that is not its own, so the help
    // window belongs to the modal dialog that asks, if one is running.
    QWidget* owner = QApplication::activeModalWidget();
    QPointer<HelpWindow>& window = TheHelpWindow();
    if (window == nullptr) {
        window = new HelpWindow(owner);
    } else if (window->parentWidget() != owner) {
        window->setParent(owner, Qt::Window);
    }
    window->Browser()->setSource(HelpPageFor(contextNumber));
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowHelpForActiveWindow() {
    ShowHelp(HelpContextOf(QApplication::activeWindow()));
}

void InstallHelpKey() {
    static QPointer<HelpKeyFilter> filter;
    if (filter == nullptr && qApp != nullptr) {
        filter = new HelpKeyFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

QTextBrowser* HelpBrowser() {
    HelpWindow* window = TheHelpWindow();
    return window != nullptr ? window->Browser() : nullptr;
}

} // namespace qova::desktop
