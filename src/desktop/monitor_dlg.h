#pragma once

#include "main_menu.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace qova {
class SettingsStore;
}

namespace qova::desktop {

class CAddressBox;
class CLoadChart;
class CTrayIcon;
class EngineControl;
class IntervalArrows;

// The main window: the chart on top, the statistics below it, the polling
// controls at the bottom, and the menu bar. It only shows and asks: every poll
// runs in the engine, which the window reaches through EngineControl and
// which shows its effects through the Show* slots.
//
// Closing the window hides it (minimises it where no tray host runs, so it can
// always be found again); Exit and Escape end the program.
class CMonitorDlg : public QDialog {
    Q_OBJECT

  public:
    // Without a tray, the window builds one on the system tray.
    explicit CMonitorDlg(SettingsStore& store, std::unique_ptr<CTrayIcon> tray = nullptr,
                         QWidget* parent = nullptr);
    // Stores the window's place and leaves the count of running instances.
    ~CMonitorDlg() override;

    // Before Start: the address and interval the window opens with.
    void SetStartValues(const QString& addressText, int interval);
    void SetEngine(EngineControl* engine) { engine_ = engine; }
    // How the instance leaves the count of running ones when the window is
    // destroyed; by default "NumOpen" is lowered by one.
    void SetLeaveCount(std::function<void()> leave) { leave_ = std::move(leave); }
    // Whether a tray host runs; tests answer it.
    void SetTrayCheck(std::function<bool()> check) { trayAvailable_ = std::move(check); }
    // Window start: shows the window in its stored place, form and stacking,
    // unless it starts hidden ("Hid" = 1 or `startHidden`).
    void Start(bool startHidden = false);

    // Commands
    void PollNow();
    void ShowDetails();
    void AlwaysOnTop();
    void HideWindow();
    void OpenWindow();
    void Exit();
    void IntervalStep(int step);

    // Effects of the engine
    void ShowTitle(const QString& title);
    void ShowStatisticText(int controlId, const QString& text);
    void ShowTray(int iconId, const QString& tip);
    void AppendAddress(const QString& text);
    void RemoveAddress(int index);
    void SelectAddress(int index);

    // Dialog commands are wired here by the program, as the dialogs exist.
    void SetCommandHandler(int command, std::function<void()> handler);

    // State and parts, for the program and its tests
    bool DetailsShown() const { return details_; }
    bool OnTop() const { return alwaysOnTop_; }
    bool Terminating() const { return terminating_; }
    int HideAtStart() const { return hideAtStart_; }
    CAddressBox* AddressBox() const { return addressBox_; }
    QPushButton* PollNowButton() const { return pollNow_; }
    QLineEdit* IntervalField() const { return intervalField_; }
    IntervalArrows* Arrows() const { return arrows_; }
    QLabel* StatisticLabel(int controlId) const { return statistics_.value(controlId, nullptr); }
    CLoadChart* Chart() const { return chart_; }
    QWidget* Details() const { return details_widget_; }
    CTrayIcon& Tray() const { return *tray_; }
    const MainMenu& Menu() const { return menu_; }
    const std::string& ProgramFolderPath() const { return programFolder_; }

  signals:
    // Exit or Escape: the program ends once the engine has stopped.
    void ended();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape
    void accept() override; // OK: Poll Now, never a close

  private:
    void BuildControls();
    void WireCommands();
    void ApplyStoredPlace();
    void PutAway();
    void End();

    SettingsStore& store_;
    std::unique_ptr<CTrayIcon> tray_;
    EngineControl* engine_ = nullptr;
    std::function<bool()> trayAvailable_;
    std::function<void()> leave_;
    QHash<int, std::function<void()>> commands_;

    // Fields
    QString addressText_;
    int interval_ = 0;
    std::string programFolder_;
    bool alwaysOnTop_ = false;
    bool details_ = true;
    bool terminating_ = false;
    bool ended_ = false;
    int hideAtStart_ = 0;

    // Controls
    MainMenu menu_;
    CLoadChart* chart_ = nullptr;
    QWidget* details_widget_ = nullptr;
    CAddressBox* addressBox_ = nullptr;
    QPushButton* pollNow_ = nullptr;
    QLineEdit* intervalField_ = nullptr;
    IntervalArrows* arrows_ = nullptr;
    QHash<int, QLabel*> statistics_;
};

} // namespace qova::desktop
