#pragma once

#include "ids.h"

#include <QString>
#include <QUrl>

class QTextBrowser;
class QWidget;

namespace qova::desktop {

// The context number a dialog asks for help with: the help base plus its number.
constexpr int HelpContext(int dialogNumber) {
    return ids::kHelpContextBase + dialogNumber;
}

// Makes `window` ask for the topic of `dialogNumber` when F1 is pressed in it or
// "Contents" is chosen while it is active. Installs the F1 key on first use.
void SetHelpContext(QWidget* window, int dialogNumber);
// The context number `window` (or the window it sits in) asks with; 0 for none.
int HelpContextOf(const QWidget* window);

// The page of a context number; the default page for one without a page of its own.
QUrl HelpPageFor(int contextNumber);
// Shows the page of `contextNumber` in the help window, opening it when needed.
void ShowHelp(int contextNumber);
// "Contents": the page of the active window, or the default page.
void ShowHelpForActiveWindow();

// F1 with none of Shift, Ctrl and Alt, in any window of the program, shows the
// page of that window. Safe to call more than once.
void InstallHelpKey();

// The help window's page view while it exists, for tests; null otherwise.
QTextBrowser* HelpBrowser();

} // namespace qova::desktop
