#include "monitor_dlg.h"

#include "address_box.h"
#include "app/address_history.h"
#include "app/interval_text.h"
#include "app/paths.h"
#include "app/settings_store.h"
#include "app/window_place.h"
#include "engine_control.h"
#include "icons.h"
#include "ids.h"
#include "interval_arrows.h"
#include "load_chart.h"
#include "tray_icon.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qova::desktop {
namespace {

constexpr char kSettings[] = "Settings";
const QString kCaption = QStringLiteral("QOVA - Sentrovale");

// The labels of all groups share one column width, so the texts line up
// from group to group as they do in the dialog template.
constexpr int kLabelColumn = 96;
constexpr int kChartWidth = 440;
constexpr int kChartHeight = 120;

QLabel* RightLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFixedWidth(kLabelColumn);
    return label;
}

// One "label: text" row of a statistics group; returns the text.
QLabel* AddStatisticRow(QGridLayout* grid, int row, const QString& caption, int controlId,
                        bool bordered, QHash<int, QLabel*>& statistics) {
    QWidget* parent = grid->parentWidget();
    auto* value = new QLabel(parent);
    value->setObjectName(QStringLiteral("statistic%1").arg(controlId));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (bordered) {
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    grid->addWidget(RightLabel(caption, parent), row, 0);
    grid->addWidget(value, row, 1);
    statistics.insert(controlId, value);
    return value;
}

QGroupBox* StatisticsGroup(const QString& title, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(2);
    return group;
}

} // namespace

CMonitorDlg::CMonitorDlg(SettingsStore& store, std::unique_ptr<CTrayIcon> tray, QWidget* parent)
    : QDialog(parent), store_(store), tray_(std::move(tray)),
      trayAvailable_([] { return CTrayIcon::IsAvailable(); }) {
    if (!tray_) {
        tray_ = std::make_unique<CTrayIcon>();
    }
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kCaption);
    setWindowIcon(IconForResource(ids::kIconNormal));
    BuildControls();
    WireCommands();

    // The tray icon appears with the window, before window start.
    tray_->AttachWindow(this, ids::kTrayCallbackMessage);
    tray_->ChangeIconAndTip(ids::kIconNormal, kCaption);
}

CMonitorDlg::~CMonitorDlg() {
    // The place is stored also when the window is hidden, so the next start
    // opens where the user last saw it.
    store_.WriteProfileInt(kSettings, "LocX", pos().x());
    store_.WriteProfileInt(kSettings, "LocY", pos().y());
    if (leave_) {
        leave_();
    } else {
        store_.WriteProfileInt(kSettings, "NumOpen",
                               store_.GetProfileInt(kSettings, "NumOpen", 1) - 1);
    }
}

void CMonitorDlg::BuildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 6);
    outer->setSpacing(4);
    // The window takes the size of what it shows: the chart alone in the short
    // form, everything in the tall form.
    outer->setSizeConstraint(QLayout::SetFixedSize);

    menu_ = BuildMainMenu(this);
    outer->setMenuBar(menu_.bar);

    // The chart sits in a sunken frame as wide as the window.
    auto* chartFrame = new QFrame(this);
    chartFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* chartLayout = new QVBoxLayout(chartFrame);
    chartLayout->setContentsMargins(1, 1, 1, 1);
    chart_ = new CLoadChart(chartFrame);
    chart_->setObjectName(QStringLiteral("chart"));
    chart_->setFixedSize(kChartWidth, kChartHeight);
    chartLayout->addWidget(chart_);
    outer->addWidget(chartFrame);

    details_widget_ = new QWidget(this);
    auto* details = new QVBoxLayout(details_widget_);
    details->setContentsMargins(6, 0, 6, 0);
    details->setSpacing(4);
    outer->addWidget(details_widget_);

    QGroupBox* current =
        StatisticsGroup(QStringLiteral("Current page load times (as charted above)"), this);
    auto* grid = static_cast<QGridLayout*>(current->layout());
    AddStatisticRow(grid, 0, QStringLiteral("Last:"), ids::kLastText, true, statistics_);
    AddStatisticRow(grid, 1, QStringLiteral("Best:"), ids::kBestText, false, statistics_);
    AddStatisticRow(grid, 2, QStringLiteral("Worst:"), ids::kWorstText, false, statistics_);
    details->addWidget(current);

    QGroupBox* overall = StatisticsGroup(
        QStringLiteral("Overall page load times (since address first sampled)"), this);
    grid = static_cast<QGridLayout*>(overall->layout());
    AddStatisticRow(grid, 0, QStringLiteral("Best:"), ids::kAllTimeBestText, false, statistics_);
    AddStatisticRow(grid, 1, QStringLiteral("Worst:"), ids::kAllTimeWorstText, false, statistics_);
    details->addWidget(overall);

    QGroupBox* alerts = StatisticsGroup(QStringLiteral("Alerts"), this);
    grid = static_cast<QGridLayout*>(alerts->layout());
    AddStatisticRow(grid, 0, QStringLiteral("Last alert"), ids::kLastAlertText, false, statistics_);
    AddStatisticRow(grid, 1, QStringLiteral("Last recovery"), ids::kLastRecoveryText, false,
                    statistics_);
    details->addWidget(alerts);

    auto* polling = new QGroupBox(QStringLiteral("Polling Information"), this);
    auto* pollingLayout = new QVBoxLayout(polling);
    auto* addressLabel = new QLabel(QStringLiteral("Web address:"), polling);
    addressBox_ = new CAddressBox(polling);
    addressLabel->setBuddy(addressBox_);
    pollingLayout->addWidget(addressLabel);
    pollingLayout->addWidget(addressBox_);

    auto* row = new QHBoxLayout;
    pollNow_ = new QPushButton(QStringLiteral("Poll Now"), polling);
    pollNow_->setObjectName(QStringLiteral("pollNow"));
    pollNow_->setDefault(true);
    intervalField_ = new QLineEdit(polling);
    intervalField_->setObjectName(QStringLiteral("intervalField"));
    intervalField_->setFixedWidth(48);
    intervalField_->setAlignment(Qt::AlignRight);
    intervalField_->setAccessibleName(QStringLiteral("Interval (minutes)"));
    arrows_ = new IntervalArrows(polling);
    arrows_->setFixedHeight(intervalField_->sizeHint().height());
    auto* intervalLabel = new QLabel(QStringLiteral("Interval (minutes)"), polling);
    intervalLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    intervalLabel->setBuddy(intervalField_);
    row->addWidget(pollNow_);
    row->addStretch(1);
    row->addWidget(intervalLabel);
    row->addWidget(intervalField_);
    row->addWidget(arrows_);
    row->setSpacing(2);
    pollingLayout->addLayout(row);
    details->addWidget(polling);

    // The template's tab order: the address box, Poll Now, the field, the arrows.
    setTabOrder(addressBox_, pollNow_);
    setTabOrder(pollNow_, intervalField_);
    setTabOrder(intervalField_, arrows_);
}

void CMonitorDlg::WireCommands() {
    auto on = [this](int command, auto member) {
        if (QAction* action = menu_.Item(command)) {
            connect(action, &QAction::triggered, this, member);
        }
    };
    on(ids::kCmdShowDetails, &CMonitorDlg::ShowDetails);
    on(ids::kCmdHide, &CMonitorDlg::HideWindow);
    on(ids::kCmdAlwaysOnTop, &CMonitorDlg::AlwaysOnTop);
    on(ids::kCmdExit, &CMonitorDlg::Exit);
    // The dialogs' items stay present but disabled until the program wires a
    // dialog to them.
    for (int command :
         {ids::kCmdAccessLog, ids::kCmdErrorLog, ids::kCmdEmailSettings, ids::kCmdLogSettings,
          ids::kCmdHelpContents, ids::kCmdOnTheWeb, ids::kCmdTellFriend, ids::kCmdAbout}) {
        menu_.Item(command)->setEnabled(false);
        connect(menu_.Item(command), &QAction::triggered, this, [this, command] {
            if (auto handler = commands_.value(command)) {
                handler();
            }
        });
    }
    connect(menu_.Item(ids::kCmdResetStatistics), &QAction::triggered, this, [this] {
        if (engine_) {
            engine_->ResetStatistics();
        }
    });

    connect(pollNow_, &QPushButton::clicked, this, &CMonitorDlg::PollNow);
    connect(arrows_, &IntervalArrows::stepped, this, &CMonitorDlg::IntervalStep);
    connect(addressBox_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (engine_) {
            engine_->AddressTextChanged(text);
        }
    });
    connect(addressBox_, &CAddressBox::edited, this, [this](const QString& text) {
        AddressHistory::AddressEdited(store_, text.toStdString());
    });
    // The engine has the picked text already: the edit part changed first.
    connect(addressBox_, &CAddressBox::picked, this, &CMonitorDlg::PollNow);

    connect(tray_.get(), &CTrayIcon::openRequested, this, &CMonitorDlg::OpenWindow);
    connect(tray_.get(), &CTrayIcon::terminateRequested, this, &CMonitorDlg::Exit);
    connect(tray_.get(), &CTrayIcon::aboutRequested, this, [this] {
        if (auto handler = commands_.value(ids::kCmdAbout)) {
            handler();
        }
    });
}

void CMonitorDlg::SetCommandHandler(int command, std::function<void()> handler) {
    commands_.insert(command, std::move(handler));
    if (QAction* action = menu_.Item(command)) {
        action->setEnabled(true);
    }
}

void CMonitorDlg::SetStartValues(const QString& addressText, int interval) {
    addressText_ = addressText;
    interval_ = interval;
}

void CMonitorDlg::Start(bool startHidden) {
    // What the fields hold when the window opens.
    addressBox_->setEditText(addressText_);
    intervalField_->setText(QString::number(interval_));

    alwaysOnTop_ = false;
    details_ = true;
    programFolder_ = ProgramFolder();
    tray_->ChangeIconFromResource(ids::kIconNormal);

    ApplyStoredPlace();
    if (store_.GetProfileInt(kSettings, "AOT", 0) != 0) {
        AlwaysOnTop();
    }
    details_ = store_.GetProfileInt(kSettings, "ViewDetails", 1) == 0;
    ShowDetails();
    hideAtStart_ = store_.GetProfileInt(kSettings, "Hid", 0);

    addressBox_->setFocus();
    if (hideAtStart_ != 0 || startHidden) {
        // Where no tray host runs the window could not be opened again, so it
        // starts minimised instead of hidden.
        if (!trayAvailable_()) {
            showMinimized();
        }
        return;
    }
    show();
    if (AcceptedWindowPlace(store_.GetProfileInt(kSettings, "LocX", kNoWindowPlace),
                            store_.GetProfileInt(kSettings, "LocY", kNoWindowPlace))) {
        raise();
    }
}

void CMonitorDlg::ApplyStoredPlace() {
    auto place = AcceptedWindowPlace(store_.GetProfileInt(kSettings, "LocX", kNoWindowPlace),
                                     store_.GetProfileInt(kSettings, "LocY", kNoWindowPlace));
    if (place) {
        move(place->x, place->y);
    } else if (QScreen* screen = this->screen()) {
        move(screen->geometry().topLeft());
    }
}

void CMonitorDlg::PollNow() {
    if (engine_) {
        engine_->PollNow();
    }
}

void CMonitorDlg::IntervalStep(int step) {
    interval_ = StepInterval(intervalField_->text().toStdString(), step);
    intervalField_->setText(QString::number(interval_));
    store_.WriteProfileInt(kSettings, "Interval", interval_);
    if (engine_) {
        engine_->IntervalChanged(interval_);
    }
}

void CMonitorDlg::ShowDetails() {
    const QRect before = frameGeometry();
    details_ = !details_;
    menu_.Item(ids::kCmdShowDetails)->setChecked(details_);
    details_widget_->setVisible(details_);
    layout()->activate();
    if (details_ && isVisible()) {
        // A window near the bottom of the screen grows upward, keeping its
        // bottom edge, so the tall form never ends below the screen.
        const QRect after = frameGeometry();
        QScreen* screen = this->screen();
        if (screen && before.top() + after.height() > screen->geometry().bottom() + 1) {
            move(x(), before.bottom() + 1 - after.height());
        }
    }
    update();
    store_.WriteProfileInt(kSettings, "ViewDetails", details_ ? 1 : 0);
}

void CMonitorDlg::AlwaysOnTop() {
    alwaysOnTop_ = !alwaysOnTop_;
    menu_.Item(ids::kCmdAlwaysOnTop)->setChecked(alwaysOnTop_);
    // Changing the flag re-creates the native window: keep its place and show
    // it again when it was shown.
    const bool wasVisible = isVisible();
    const QPoint place = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_);
    move(place);
    if (wasVisible) {
        show();
    }
    store_.WriteProfileInt(kSettings, "AOT", alwaysOnTop_ ? 1 : 0);
}

void CMonitorDlg::PutAway() {
    if (trayAvailable_()) {
        hide();
    } else {
        showMinimized();
    }
}

void CMonitorDlg::HideWindow() {
    PutAway();
}

void CMonitorDlg::OpenWindow() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void CMonitorDlg::Exit() {
    terminating_ = true;
    close();
}

void CMonitorDlg::closeEvent(QCloseEvent* event) {
    if (terminating_) {
        event->accept();
        End();
        return;
    }
    // Closing only puts the window away; the program goes on polling.
    event->ignore();
    PutAway();
}

void CMonitorDlg::reject() {
    terminating_ = true;
    End();
}

void CMonitorDlg::accept() {
    PollNow();
}

void CMonitorDlg::End() {
    if (ended_) {
        return;
    }
    ended_ = true;
    hide();
    emit ended();
}

void CMonitorDlg::ShowTitle(const QString& title) {
    setWindowTitle(title);
}

void CMonitorDlg::ShowStatisticText(int controlId, const QString& text) {
    if (QLabel* label = StatisticLabel(controlId)) {
        label->setText(text);
    }
}

void CMonitorDlg::ShowTray(int iconId, const QString& tip) {
    tray_->ChangeIconAndTip(iconId, tip);
}

void CMonitorDlg::AppendAddress(const QString& text) {
    addressBox_->AppendEntry(text);
}

void CMonitorDlg::RemoveAddress(int index) {
    addressBox_->RemoveEntry(index);
}

void CMonitorDlg::SelectAddress(int index) {
    addressBox_->SelectEntry(index);
}

} // namespace qova::desktop
