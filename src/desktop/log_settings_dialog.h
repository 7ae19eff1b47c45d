#pragma once

#include "app/settings_store.h"
#include "engine/monitor_record.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qova::desktop {

// The "Logs" dialog: switches the access and error logs on or off and picks
// their files. It shows the record's four log values; OK puts the edited values
// back into the record and the store, Cancel (Escape, the close box) changes
// nothing. Nothing is validated: a path the writer cannot open simply keeps
// its entries waiting as missed entries.
class CLogSettingsDlg : public QDialog {
    Q_OBJECT

  public:
    CLogSettingsDlg(MonitorRecord& record, SettingsStore& store, QWidget* parent = nullptr);

    void accept() override;

    QCheckBox* AccessLogCheck() const { return doAccessLog_; }
    QLineEdit* AccessLogPathEdit() const { return accessLogPath_; }
    QPushButton* BrowseAccessLogButton() const { return browseAccessLog_; }
    QCheckBox* ErrorLogCheck() const { return doErrorLog_; }
    QLineEdit* ErrorLogPathEdit() const { return errorLogPath_; }
    QPushButton* BrowseErrorLogButton() const { return browseErrorLog_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    void OnBrowseAccessLog();
    void OnBrowseErrorLog();
    void Browse(QLineEdit* target, const QString& logFilter);

    MonitorRecord& record_;
    SettingsStore& store_;
    QCheckBox* doAccessLog_;
    QLineEdit* accessLogPath_;
    QPushButton* browseAccessLog_;
    QCheckBox* doErrorLog_;
    QLineEdit* errorLogPath_;
    QPushButton* browseErrorLog_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace qova::desktop
