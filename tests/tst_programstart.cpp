#include "app/design.h"
#include "scripteduserdialogs.h"
#include "app/mainwindow.h"
#include "app/programstart.h"
#include "app/splashwindow.h"
#include "testdata.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace Tensiova;

class TestProgramStart : public QObject
{
    Q_OBJECT

private:
    struct Start
    {
        QTemporaryDir folder;
        std::unique_ptr<ProgramStart> start;

        Start()
        {
            start =
                std::make_unique<ProgramStart>(std::make_unique<ScriptedUserDialogs>(), QLocale::c());
            start->setSettingsLocation(SettingsLocation(folder.path(), folder.path()));
            start->showSplash();
        }
    };

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void splashLayout()
    {
        Start program;
        SplashWindow *splash = program.start->splash();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QCOMPARE(splash->windowTitle(),
                 QStringLiteral("Surveillance de tensions - BREVANNE  - Tensiova"));
        QCOMPARE(splash->size(), QSize(585, 506));
        QCOMPARE(splash->findChild<QWidget *>(QStringLiteral("Picture3"))->geometry(),
                 Design::rect(180, 630, 8475, 3045));
        QCOMPARE(splash->findChild<QWidget *>(QStringLiteral("Picture1"))->geometry(),
                 Design::rect(1140, 2460, 6855, 4305));
        auto *label = splash->findChild<QLabel *>(QStringLiteral("Label1"));
        QCOMPARE(label->text(), QStringLiteral("Brevanne"));
        QCOMPARE(label->geometry(), Design::rect(210, 7200, 1395, 255));
        QVERIFY(!program.start->mainWindow());
    }

    void picturesHaveTheirDesignSizes()
    {
        QCOMPARE(QPixmap(QStringLiteral(":/pictures/splash.jpg")).size(), QSize(704, 338));
        QCOMPARE(QPixmap(QStringLiteral(":/pictures/button.gif")).size(), QSize(107, 27));
        QCOMPARE(QIcon(QStringLiteral(":/pictures/banner.svg")).availableSizes().isEmpty(), true);
        QImage banner(QStringLiteral(":/pictures/banner.svg"));
        QCOMPARE(banner.size(), QSize(356, 34));
    }

    void clickOpensTheMainWindow_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("background") << "";
        QTest::newRow("vector picture") << "Picture3";
        QTest::newRow("photograph") << "Picture1";
    }

    void clickOpensTheMainWindow()
    {
        QFETCH(QString, target);
        Start program;
        writeBytes(program.folder.filePath(QStringLiteral("param.ini")),
                   iniBytes({{"min3", "42"}}));
        SplashWindow *splash = program.start->splash();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QWidget *clicked = target.isEmpty() ? splash : splash->findChild<QWidget *>(target);
        QTest::mouseClick(clicked, Qt::LeftButton, {},
                          target.isEmpty() ? QPoint(5, 5) : QPoint(10, 10));
        MainWindow *window = program.start->mainWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->setup().analog[3].min, QStringLiteral("42"));
        QTRY_VERIFY(!program.start->splash());
    }

    void clickOnTheLabelDoesNothing()
    {
        Start program;
        SplashWindow *splash = program.start->splash();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::mouseClick(splash->findChild<QLabel *>(QStringLiteral("Label1")), Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(!program.start->mainWindow());
        QVERIFY(splash->isVisible());
    }

    void closingTheSplashNeverLoadsTheMainWindow()
    {
        Start program;
        QVERIFY(QTest::qWaitForWindowExposed(program.start->splash()));
        program.start->splash()->close();
        QTRY_VERIFY(!program.start->splash());
        QVERIFY(!program.start->mainWindow());
        // With no window left, the application ends.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            QVERIFY(!window->isVisible());
        }
        QVERIFY(QDir(program.folder.path()).isEmpty());
    }
};

QTEST_MAIN(TestProgramStart)
#include "tst_programstart.moc"
