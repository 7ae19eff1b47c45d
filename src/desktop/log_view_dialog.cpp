#include "log_view_dialog.h"

#include "dialog_hooks.h"
#include "help.h"
#include "ids.h"

#include <QAbstractTextDocumentLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace qova::desktop {
namespace {

// Batches between the loader and the view: one being shown, one ready.
constexpr int kBatchesInFlight = 2;

// Log lines per paragraph of the view. A paragraph costs the view about as
// much memory as a hundred characters of text, so one per log line would
// nearly double what a log takes; the lines of a paragraph are joined by line
// separators, which the view shows (and copies) as line breaks all the same.
constexpr int kLinesPerParagraph = 32;

// Characters the view would take as the end of a line or paragraph.
bool IsBreakOfTheView(QChar c) {
    return c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) ||
           c == QChar(0xfdd1);
}

} // namespace

// Turns the loader's results into the dialog's signals, on the loader's thread.
class CLogViewDlg::Sink : public LogLinesSink {
  public:
    Sink(CLogViewDlg* dialog, quint64 run) : dialog_(dialog), run_(run) {}
    void Opened(const std::string& fullPath) override {
        emit dialog_->LogOpened(run_, QString::fromStdString(fullPath));
    }
    void Lines(std::string lines) override {
        // Decoding and grouping here keep that work off the window's thread.
        QString text = QString::fromUtf8(lines.data(), qsizetype(lines.size()));
        for (QChar& c : text) {
            if (IsBreakOfTheView(c)) {
                c = QChar::ReplacementCharacter; // a line of the file stays one line
            } else if (c == u'\n' && ++linesInParagraph_ < kLinesPerParagraph) {
                c = QChar::LineSeparator;
            } else if (c == u'\n') {
                linesInParagraph_ = 0;
            }
        }
        emit dialog_->LinesRead(run_, text);
    }

  private:
    CLogViewDlg* dialog_;
    quint64 run_;
    int linesInParagraph_ = 0;
};

CLogViewDlg::CLogViewDlg(std::string logPath, QWidget* parent)
    : QDialog(parent), logPath_(std::move(logPath)), text_(new QPlainTextEdit),
      pathField_(new QLineEdit), refresh_(new QPushButton(QStringLiteral("Refresh"))),
      clearLog_(new QPushButton(QStringLiteral("Clear Log"))),
      close_(new QPushButton(QStringLiteral("Close"))) {
    setWindowTitle(QStringLiteral("Log"));
    SetHelpContext(this, ids::kLogViewDialog);

    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setUndoRedoEnabled(false);
    text_->setMinimumSize(640, 380);
    pathField_->setReadOnly(true);

    auto* label = new QLabel(QStringLiteral("Current log file:"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(label);
    pathRow->addWidget(pathField_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(refresh_);
    buttons->addWidget(clearLog_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &CLogViewDlg::accept);
    connect(refresh_, &QPushButton::clicked, this, &CLogViewDlg::OnRefresh);
    connect(clearLog_, &QPushButton::clicked, this, &CLogViewDlg::OnClearLog);

    connect(this, &CLogViewDlg::LogOpened, this, &CLogViewDlg::ShowOpened, Qt::QueuedConnection);
    connect(this, &CLogViewDlg::LogNotOpened, this, &CLogViewDlg::ShowNotOpened,
            Qt::QueuedConnection);
    connect(this, &CLogViewDlg::LinesRead, this, &CLogViewDlg::AppendLines, Qt::QueuedConnection);
    connect(this, &CLogViewDlg::LoaderDone, this, &CLogViewDlg::FinishRun, Qt::QueuedConnection);
    connect(text_->document()->documentLayout(), &QAbstractTextDocumentLayout::update, this,
            &CLogViewDlg::KeepLineCounts);
}

CLogViewDlg::~CLogViewDlg() {
    StopLoader();
}

void CLogViewDlg::ViewLog(const std::string& path, QWidget* parent) {
    CLogViewDlg dialog(path, parent);
    do {
        dialog.exec();
    } while (dialog.RefreshRequested());
}

void CLogViewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        OnInitDialog();
    }
}

void CLogViewDlg::OnInitDialog() {
    started_ = true;
    refreshRequested_ = false;
    text_->clear();
    pathField_->clear();
    text_->setFocus();

    const quint64 run = ++run_;
    gate_ = std::make_shared<BatchGate>(kBatchesInFlight);
    loading_ = true;
    loader_ = std::jthread([this, run, gate = gate_, path = logPath_](const std::stop_token& stop) {
        Sink sink(this, run);
        if (ReadLog(path, stop, *gate, sink) == LogReadEnd::CouldNotOpen) {
            emit LogNotOpened(run);
        }
        emit LoaderDone(run);
        loading_ = false;
    });
}

void CLogViewDlg::StopLoader() {
    if (loader_.joinable()) {
        loader_.request_stop();
        loader_.join();
    }
    loading_ = false;
}

void CLogViewDlg::done(int result) {
    StopLoader();
    started_ = false;
    QDialog::done(result);
}

void CLogViewDlg::OnRefresh() {
    refreshRequested_ = true;
    done(QDialog::Accepted);
}

void CLogViewDlg::OnClearLog() {
    if (!MessageBoxes::AskYesNo(this,
                                QStringLiteral("The log will be permanently deleted, Continue?"))) {
        return;
    }
    // The viewer's own loader holds the log's lock while it reads; it is ours
    // to end, so Clear Log stops it rather than report the log as held. A lock
    // held by anyone else (the log writer, another program) still fails it.
    const bool wasLoading = loading_;
    StopLoader();
    if (ClearLog(logPath_)) {
        ++run_; // lines still queued from the loader belong to the old file
        text_->clear();
        return;
    }
    MessageBoxes::Inform(this, QStringLiteral("Could not clear log file'") +
                                   QString::fromStdString(logPath_) + "'");
    if (wasLoading) {
        OnInitDialog(); // the log is whole still: show all of it again
    }
}

void CLogViewDlg::ShowOpened(quint64 run, const QString& fullPath) {
    if (run == run_ && started_) {
        pathField_->setText(fullPath);
    }
}

void CLogViewDlg::ShowNotOpened(quint64 run) {
    if (run == run_ && started_) {
        text_->setPlainText(QStringLiteral("Could not open log '") +
                            QString::fromStdString(logPath_) + "'");
    }
}

void CLogViewDlg::AppendLines(quint64 run, const QString& lines) {
    if (run != run_ || !started_) {
        return; // a batch of a stopped run
    }
    // The lines go in at the end through a cursor of our own, so a selection
    // the user makes meanwhile stays. The view stays where the user put it,
    // except that one parked at the very end follows the new lines.
    QScrollBar* bar = text_->verticalScrollBar();
    const bool follow = bar->value() > 0 && bar->value() == bar->maximum();
    QTextDocument* document = text_->document();
    QTextBlock from = document->lastBlock();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(lines);
    CountLines(from);
    if (follow) {
        bar->setValue(bar->maximum());
    }
    gate_->Leave();
}

// The view counts a paragraph it has not laid out yet as one line, and forgets
// its counts whenever it lays the text out anew (a new font, say); counting
// them here keeps the scroll bar right for text the view has not shown yet.
void CLogViewDlg::CountLines(QTextBlock from) {
    for (QTextBlock block = from; block.isValid(); block = block.next()) {
        block.setLineCount(int(block.text().count(QChar::LineSeparator)) + 1);
    }
    QTextDocument* document = text_->document();
    linesShown_ = document->lineCount();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
}

void CLogViewDlg::KeepLineCounts() {
    if (text_->document()->lineCount() < linesShown_) {
        CountLines(text_->document()->firstBlock());
    }
}

void CLogViewDlg::FinishRun(quint64 run) {
    if (run == run_ && started_) {
        emit LogShown();
    }
}

} // namespace qova::desktop
