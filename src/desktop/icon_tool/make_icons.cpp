// Writes the program's icon as PNG files for the desktop entry, at the sizes
// icon themes look for, from the same drawing the window and the tray use.
#include "icons.h"
#include "ids.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qova_make_icons FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        if (!folder.mkpath(sub) || !qova::desktop::IconPixmap(qova::ids::kIconNormal, size)
                                        .save(folder.filePath(sub + QStringLiteral("/qova.png")))) {
            std::fprintf(stderr, "qova_make_icons: cannot write %s\n", qPrintable(sub));
            return 1;
        }
    }
    return 0;
}
