#include "about_dialog.h"

#include "help.h"
#include "icons.h"
#include "ids.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace qova::desktop {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About QOVA"));
    SetHelpContext(this, ids::kAboutDialog);

    auto* icon = new QLabel;
    icon->setPixmap(IconForResource(ids::kIconNormal).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);

    auto* notice = new QLabel(QStringLiteral("Copyright \u00a9 Halvorind. All rights reserved."));
    notice->setAlignment(Qt::AlignCenter);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("QOVA - Sentrovale")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Version: 1.7")), 1, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->addWidget(notice, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(16);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutDlg::Run(QWidget* owner) {
    // Showing a child never shows its parent; and as the parent's child the box
    // is no primary window, so closing it cannot end a program whose only
    // other window is hidden.
    CAboutDlg about(owner);
    about.exec();
}

void OpenProductPage() {
    QDesktopServices::openUrl(QUrl(kProductPage));
}

} // namespace qova::desktop
