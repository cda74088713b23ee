#include "settings/settingslocation.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Tensiova;

class TestSettingsLocation : public QObject
{
    Q_OBJECT

private slots:
    void writableProgramFolderKeepsParamIni()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        const SettingsLocation location(program.path(), user.filePath(QStringLiteral("tensiova")));
        QCOMPARE(location.folder(), program.path());
        QCOMPARE(location.paramIniPath(), program.filePath(QStringLiteral("param.ini")));
        QVERIFY(!QFileInfo::exists(user.filePath(QStringLiteral("tensiova"))));
    }

    // Holds for root too: a folder without write bits counts as read-only.
    void readOnlyProgramFolderFallsBackToUserFolder()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        writeBytes(program.filePath(QStringLiteral("param.ini")), "[min0]\r\nvaleur=42\r\n");
        QVERIFY(QFile::setPermissions(program.path(),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther));
        const QString userFolder = user.filePath(QStringLiteral("tensiova"));
        const SettingsLocation location(program.path(), userFolder);
        QCOMPARE(location.folder(), userFolder);
        QCOMPARE(readBytes(location.paramIniPath()), QByteArray("[min0]\r\nvaleur=42\r\n"));

        // Later runs keep the user's own copy.
        writeBytes(location.paramIniPath(), "[min0]\r\nvaleur=7\r\n");
        const SettingsLocation again(program.path(), userFolder);
        QCOMPARE(readBytes(again.paramIniPath()), QByteArray("[min0]\r\nvaleur=7\r\n"));
        QFile::setPermissions(program.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    }

    void systemInstallUsesUserFolder()
    {
        QTemporaryDir user;
        const SettingsLocation location(QStringLiteral("/usr/bin"), user.path());
        QCOMPARE(location.folder(), user.path());
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
