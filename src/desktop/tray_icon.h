#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QWidget;

namespace qova::desktop {

// Which fields of the record a change carries.
inline constexpr unsigned kTrayFlagMessage = 1;
inline constexpr unsigned kTrayFlagIcon = 2;
inline constexpr unsigned kTrayFlagTip = 4;

// The longest tip the tray shows; longer tips are cut.
inline constexpr int kTrayTipLength = 63;

enum class TrayAction { Add, Modify, Delete };

// The state of the one notification-area icon, handed whole to the shell at
// every change.
struct TrayRecord {
    int identifier = 0;      // the tray's number (110); also the number of its menu
    int callbackMessage = 0; // set when a window is attached
    bool windowAttached = false;
    unsigned flags = 0; // kTrayFlag* valid in this change
    QIcon icon;         // null: no icon in the notification area
    QString tip;        // at most kTrayTipLength characters
};

// The system side: shows, changes or removes the icon, and reports mouse
// actions on it as the events of ids.h (kTrayRightButtonUp, ...).
class TrayShell {
  public:
    virtual ~TrayShell() = default;
    // False when the system did not take the change.
    virtual bool Notify(TrayAction action, const TrayRecord& record) = 0;
    virtual void SetContextMenu(QMenu* menu) = 0;
    virtual void SetEventHandler(std::function<void(int event)> handler) = 0;
};

// The program's icon in the notification area. It only shows what it is told
// and turns mouse actions into signals: a right click opens the tray menu, a
// double click asks for the window, a single left click does nothing. The
// window that owns it decides what the signals do.
class CTrayIcon : public QObject {
    Q_OBJECT

  public:
    // On the system tray.
    explicit CTrayIcon(QObject* parent = nullptr);
    // On the given shell (tests use a fake one).
    explicit CTrayIcon(std::unique_ptr<TrayShell> shell, QObject* parent = nullptr);
    // Removes the icon from the notification area.
    ~CTrayIcon() override;

    // Whether a tray host runs. Where none does, a window that hid itself to
    // the tray could never be reached again, so the window minimises instead.
    static bool IsAvailable();

    // Mouse actions reach the window only once it is attached with a callback
    // message number; nothing is shown by this.
    void AttachWindow(QWidget* window, int callbackMessage);

    // Adds, replaces or removes (null icon) the icon; a tip, when given,
    // replaces the stored one, cut to kTrayTipLength characters.
    bool ChangeIcon(const QIcon& icon, const std::optional<QString>& tip);
    // The icon with that number and the string with that number as the tip
    // (empty when there is none); 0 removes the icon.
    bool ChangeIconFromResource(int resourceId);
    // The icon with that number (0 or an unknown number removes it) and the tip.
    bool ChangeIconAndTip(int iconId, const QString& tip);

    // One mouse action on an icon: 1 when handled, 0 when it was not ours or
    // is ignored (anything but a right button up or a left double click).
    int HandleNotification(int identifier, int event);

    const TrayRecord& Record() const { return record_; }
    QMenu* Menu() const { return menu_.get(); }

  signals:
    void openRequested();
    void aboutRequested();
    void terminateRequested();

  private:
    void BuildMenu();
    void OnShellEvent(int event);

    std::unique_ptr<TrayShell> shell_;
    std::unique_ptr<QMenu> menu_;
    QPointer<QWidget> window_;
    TrayRecord record_;
};

// The tip text as the tray holds it: the first kTrayTipLength characters, never
// ending inside a character that takes two UTF-16 units.
QString CutTrayTip(const QString& tip);

} // namespace qova::desktop
