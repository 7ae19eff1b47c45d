#pragma once

#include <QDialog>
#include <QString>

namespace qova::desktop {

// The product's page on the maker's site: the "On the web..." command opens it
// and Tell a friend recommends it.
inline const QString kProductPage = QStringLiteral("http://www.halvorind.com/qova/");

// "About QOVA": the icon, the name, the version and the rights notice. Nothing
// is read or written; OK, Escape and the close box end it.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Runs a new about box owned by `owner`. A hidden owner (the main window
    // while QOVA sits in the tray) stays hidden.
    static void Run(QWidget* owner);
};

// "On the web...": the product page in the user's browser; a failure is silent.
void OpenProductPage();

} // namespace qova::desktop
