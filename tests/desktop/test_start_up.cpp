// The program as a user starts it: the built `qova` in a process of its own.
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

class TestStartUp : public QObject {
    Q_OBJECT

  private slots:
    void withoutADisplayItSaysSoAndEnds_data();
    void withoutADisplayItSaysSoAndEnds();
};

namespace {

QString QovaPath() {
    return QCoreApplication::applicationDirPath() + "/../../src/desktop/qova";
}

} // namespace

void TestStartUp::withoutADisplayItSaysSoAndEnds_data() {
    QTest::addColumn<QString>("display");
    QTest::newRow("no DISPLAY") << QString();
    // A display named but not running: the toolkit would abort here.
    QTest::newRow("DISPLAY of no server") << ":87";
    QTest::newRow("DISPLAY not a number") << ":x";
}

void TestStartUp::withoutADisplayItSaysSoAndEnds() {
    QFETCH(QString, display);
    qova::test::TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        env.remove(name);
    }
    if (!display.isEmpty()) {
        env.insert("DISPLAY", display);
    }
    env.insert("QOVA_SETTINGS", QString::fromStdString(dir.File("settings.db")));
    QProcess qova;
    qova.setProcessEnvironment(env);
    qova.start(QovaPath(), {});
    QVERIFY(qova.waitForFinished(10000));
    QCOMPARE(qova.exitStatus(), QProcess::NormalExit);
    QCOMPARE(qova.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(qova.readAllStandardError());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains("no display") && err.contains("qova-cli monitor"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "test_start_up.moc"
