#include "tray_icon.h"

#include "icons.h"
#include "ids.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace qova::desktop {
namespace {

// The strings the icons may take their tip from; every other number has none.
QString TipString(int resourceId) {
    if (resourceId == ids::kStrTrayTip || resourceId == ids::kStrAppName) {
        return QStringLiteral("QOVA");
    }
    return {};
}

class SystemTrayShell : public TrayShell {
  public:
    SystemTrayShell() {
        QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (handler_) {
                                 handler_(EventFor(reason));
                             }
                         });
    }

    bool Notify(TrayAction action, const TrayRecord& record) override {
        if (action == TrayAction::Delete) {
            tray_.hide();
            return true;
        }
        // Without a tray host there is nowhere to add the icon; the record then
        // forgets it, and the next change tries again, so the icon appears once
        // a host starts.
        if (action == TrayAction::Add && !QSystemTrayIcon::isSystemTrayAvailable()) {
            return false;
        }
        if (record.flags & kTrayFlagIcon) {
            tray_.setIcon(record.icon);
        }
        if (record.flags & kTrayFlagTip) {
            tray_.setToolTip(record.tip);
        } else if (action == TrayAction::Add) {
            tray_.setToolTip(QString());
        }
        if (action == TrayAction::Add) {
            tray_.show();
        }
        return tray_.isVisible();
    }

    void SetContextMenu(QMenu* menu) override { tray_.setContextMenu(menu); }
    void SetEventHandler(std::function<void(int event)> handler) override {
        handler_ = std::move(handler);
    }

  private:
    static int EventFor(QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Context:
            return ids::kTrayRightButtonUp;
        case QSystemTrayIcon::DoubleClick:
            return ids::kTrayLeftDoubleClick;
        case QSystemTrayIcon::Trigger:
            return ids::kTrayLeftButtonUp;
        default:
            return 0;
        }
    }

    QSystemTrayIcon tray_;
    std::function<void(int)> handler_;
};

} // namespace

QString CutTrayTip(const QString& tip) {
    if (tip.size() <= kTrayTipLength) {
        return tip;
    }
    qsizetype keep = kTrayTipLength;
    if (tip.at(keep - 1).isHighSurrogate()) {
        --keep;
    }
    return tip.left(keep);
}

CTrayIcon::CTrayIcon(QObject* parent) : CTrayIcon(std::make_unique<SystemTrayShell>(), parent) {}

CTrayIcon::CTrayIcon(std::unique_ptr<TrayShell> shell, QObject* parent)
    : QObject(parent), shell_(std::move(shell)) {
    record_.identifier = ids::kTrayIconId;
    record_.tip = TipString(ids::kTrayIconId);
    BuildMenu();
    shell_->SetContextMenu(menu_.get());
    shell_->SetEventHandler([this](int event) { OnShellEvent(event); });
}

CTrayIcon::~CTrayIcon() {
    ChangeIconFromResource(0);
    shell_->SetEventHandler({});
    shell_->SetContextMenu(nullptr);
}

bool CTrayIcon::IsAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::BuildMenu() {
    menu_ = std::make_unique<QMenu>(QStringLiteral("&Tray"));
    QAction* open = menu_->addAction(QStringLiteral("&Open QOVA"));
    open->setData(ids::kCmdOpen);
    QAction* about = menu_->addAction(QStringLiteral("&About QOVA..."));
    about->setData(ids::kCmdAbout);
    menu_->addSeparator();
    QAction* terminate = menu_->addAction(QStringLiteral("&Terminate QOVA"));
    terminate->setData(ids::kCmdExit);
    // Bold from the start, also where the tray host shows the menu itself.
    menu_->setDefaultAction(open);

    connect(open, &QAction::triggered, this, &CTrayIcon::openRequested);
    connect(about, &QAction::triggered, this, &CTrayIcon::aboutRequested);
    connect(terminate, &QAction::triggered, this, &CTrayIcon::terminateRequested);
}

void CTrayIcon::AttachWindow(QWidget* window, int callbackMessage) {
    window_ = window;
    record_.windowAttached = window != nullptr;
    record_.callbackMessage = callbackMessage;
}

bool CTrayIcon::ChangeIcon(const QIcon& icon, const std::optional<QString>& tip) {
    record_.flags = 0;
    TrayAction action;
    if (!icon.isNull()) {
        action = record_.icon.isNull() ? TrayAction::Add : TrayAction::Modify;
        record_.icon = icon;
        record_.flags |= kTrayFlagIcon;
    } else {
        if (record_.icon.isNull()) {
            return true; // nothing shown, nothing to remove
        }
        action = TrayAction::Delete;
    }
    if (tip) {
        record_.tip = CutTrayTip(*tip);
    }
    // The stored tip goes with every change, even one that gave none.
    if (!record_.tip.isEmpty()) {
        record_.flags |= kTrayFlagTip;
    }
    if (record_.callbackMessage != 0 && record_.windowAttached) {
        record_.flags |= kTrayFlagMessage;
    }
    bool ok = shell_->Notify(action, record_);
    // A change the system refused leaves no icon behind, so the next change adds
    // it anew (this is how the icon comes back after the tray host restarts).
    if (action == TrayAction::Delete || !ok) {
        record_.icon = QIcon();
    }
    return ok;
}

bool CTrayIcon::ChangeIconFromResource(int resourceId) {
    if (resourceId == 0) {
        return ChangeIcon(QIcon(), std::nullopt);
    }
    record_.tip = CutTrayTip(TipString(resourceId));
    return ChangeIcon(IconForResource(resourceId), std::nullopt);
}

bool CTrayIcon::ChangeIconAndTip(int iconId, const QString& tip) {
    return ChangeIcon(IconForResource(iconId), tip);
}

int CTrayIcon::HandleNotification(int identifier, int event) {
    if (identifier != record_.identifier ||
        (event != ids::kTrayRightButtonUp && event != ids::kTrayLeftDoubleClick)) {
        return 0;
    }
    QList<QAction*> actions = menu_->actions();
    if (actions.isEmpty()) {
        return 0;
    }
    QAction* first = actions.first();
    if (event == ids::kTrayRightButtonUp) {
        menu_->setDefaultAction(first);
        // Most tray hosts open the menu themselves before they report the
        // click; only where none did does it open here, at the pointer.
        if (!menu_->isVisible()) {
            menu_->popup(QCursor::pos());
        }
    } else {
        first->trigger();
    }
    return 1;
}

void CTrayIcon::OnShellEvent(int event) {
    // Mouse actions have nowhere to go until a window is attached.
    if (!record_.windowAttached || record_.callbackMessage == 0 || window_.isNull()) {
        return;
    }
    HandleNotification(record_.identifier, event);
}

} // namespace qova::desktop
