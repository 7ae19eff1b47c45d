#pragma once

#include "logs/log_reader.h"

#include <QDialog>
#include <QTextBlock>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qova::desktop {

// The "Log" viewer: shows a whole log file, reloads it or empties it.
//
// Every time the dialog is shown it starts a loader thread that reads the file
// under the log's lock and hands its lines over in batches through queued
// signals, so the dialog opens at once, empty, and fills while the user
// watches. Every way of ending the dialog (Close, Enter, Escape, the close box,
// Refresh), Clear Log and the dialog's destruction stop the loader and wait for its thread: the
// loader never waits for this thread, only for the view to take a batch, and a
// stop releases that wait, so the hand-over cannot deadlock and no loader
// outlives the dialog.
class CLogViewDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CLogViewDlg(std::string logPath, QWidget* parent = nullptr);
    ~CLogViewDlg() override;

    // "Access log" and "Error log": shows the log at `path` modally, and again
    // on the same path as long as it ended with Refresh.
    static void ViewLog(const std::string& path, QWidget* parent);

    bool RefreshRequested() const { return refreshRequested_; }
    // True while the loader thread of this dialog runs.
    bool Loading() const { return loading_; }

    QPlainTextEdit* Text() const { return text_; }
    QLineEdit* PathField() const { return pathField_; }
    QPushButton* RefreshButton() const { return refresh_; }
    QPushButton* ClearLogButton() const { return clearLog_; }
    QPushButton* CloseButton() const { return close_; }

    void done(int result) override;

  signals:
    // Sent from the loader thread; each names the run it belongs to, so a batch
    // still queued from a run that was stopped is recognised and dropped.
    void LogOpened(quint64 run, const QString& fullPath);
    void LogNotOpened(quint64 run);
    void LinesRead(quint64 run, const QString& lines);
    void LoaderDone(quint64 run);
    // Every line of the file is shown (for whoever waits on the whole file).
    void LogShown();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    class Sink;

    void OnInitDialog();
    void OnRefresh();
    void OnClearLog();
    void StopLoader();

    void ShowOpened(quint64 run, const QString& fullPath);
    void ShowNotOpened(quint64 run);
    void AppendLines(quint64 run, const QString& lines);
    void FinishRun(quint64 run);
    void CountLines(QTextBlock from);
    void KeepLineCounts();

    const std::string logPath_;
    bool refreshRequested_ = false;
    bool started_ = false;
    quint64 run_ = 0;
    std::shared_ptr<BatchGate> gate_;
    int linesShown_ = 1; // the lines the view holds, as counted by CountLines
    std::atomic<bool> loading_{false};
    std::jthread loader_;

    QPlainTextEdit* text_;
    QLineEdit* pathField_;
    QPushButton* refresh_;
    QPushButton* clearLog_;
    QPushButton* close_;
};

} // namespace qova::desktop
