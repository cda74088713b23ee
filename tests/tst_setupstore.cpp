#include "settings/setupstore.h"
#include "testdata.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Tensiova;

namespace {

MonitoringSetup sampleSetup()
{
    MonitoringSetup setup;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        setup.analog[channel] = {QString::number(channel), QString::number(100 + channel),
                                 QStringLiteral("1"), channel % 4};
        setup.logic[channel] = {QString::number(channel % 2), 3 - channel % 4};
    }
    setup.analog[0].min = QStringLiteral("0.5");
    setup.logic[7].action = 3;
    setup.logic[6].action = -1;
    return setup;
}

QString loadedText(const SetupStore::LoadedSetup &loaded, Family family, int channel)
{
    for (const auto &entry : loaded.entries) {
        if (entry.family == family && entry.channel == channel) {
            return isActionFamily(family)
                ? (entry.index ? QString::number(*entry.index) : QStringLiteral("overflow"))
                : entry.text;
        }
    }
    return QStringLiteral("absent");
}

// Runs the step as an unprivileged user, where the test runs as root (which reads any file):
// a file of mode 0200 is then as unreadable as on a user's desktop.
bool asUnprivilegedUser(const std::function<bool()> &step)
{
    if (::geteuid() != 0) {
        return step();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t Nobody = 65534;
        const bool dropped = ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0;
        ::_exit(dropped && step() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}

} // namespace

class TestSetupStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString path(const QString &name) const { return m_folder.filePath(name); }

private slots:
    void sectionNames()
    {
        QCOMPARE(SetupStore::sectionName(Family::Min, 3), QStringLiteral("min3"));
        QCOMPARE(SetupStore::sectionName(Family::Et, 0), QStringLiteral("ET0"));
        QCOMPARE(SetupStore::sectionName(Family::AnalogAction, 0), QStringLiteral("action20"));
        QCOMPARE(SetupStore::sectionName(Family::LogicAction, 7), QStringLiteral("action17"));
    }

    void readEntryCapacity_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("read");
        QTest::newRow("12.75 at 5") << QByteArray("12.75") << 5 << "12.7";
        QTest::newRow("10000 at 5") << QByteArray("10000") << 5 << "1000";
        QTest::newRow("short at 5") << QByteArray("4") << 5 << "4";
        QTest::newRow("quotes removed before cutting") << QByteArray("\"12345\"") << 5 << "1234";
        QTest::newRow("19 of 25 at 20")
            << QByteArray("1234567890123456789012345") << 20 << "1234567890123456789";
        QTest::newRow("nothing at 1") << QByteArray("12") << 1 << "";
        QTest::newRow("nothing at 0") << QByteArray("12") << 0 << "";
    }

    void readEntryCapacity()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, capacity);
        QFETCH(QString, read);
        writeBytes(path("capacity.ini"), "[s]\r\nvaleur=" + value + "\r\n");
        QCOMPARE(SetupStore::ReadEntry(path("capacity.ini"), QStringLiteral("S"), capacity), read);
    }

    void readEntryOfMissingFileIsEmpty()
    {
        QCOMPARE(SetupStore::ReadEntry(path("none.ini"), QStringLiteral("s"), 20), QString());
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    void saveFromNothingHasTheWindowsLayout()
    {
        const MonitoringSetup setup = sampleSetup();
        QVERIFY(SetupStore::SaveSetup(path("new.txt"), setup));
        const QByteArray bytes = readBytes(path("new.txt"));
        QVERIFY(bytes.startsWith(
            "[min0]\r\nvaleur=0.5\r\n[min1]\r\nvaleur=1\r\n[min2]\r\nvaleur=2\r\n"));
        QVERIFY(bytes.endsWith("[action16]\r\nvaleur=-1\r\n[action17]\r\nvaleur=3\r\n"));
        QCOMPARE(bytes.count("\r\n"), 96);
        QCOMPARE(bytes.count('\n'), 96);
    }

    // One write of the 48 entries gives exactly what 48 single writes in order give.
    void saveEqualsFortyEightWrites_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("other content") << QByteArray("; mes notes\n[autre]\nx=1");
        QTest::newRow("some sections, odd case") << QByteArray(
            "[MAX3]\nVALEUR=9\n\n[Port COM]\nvaleur=2\n[min0]\r\n; garde\r\nvaleur = 3 \r\n");
    }

    void saveEqualsFortyEightWrites()
    {
        QFETCH(QByteArray, before);
        const MonitoringSetup setup = sampleSetup();
        writeBytes(path("one.ini"), before);
        writeBytes(path("many.ini"), before);
        QVERIFY(SetupStore::SaveSetup(path("one.ini"), setup));
        for (const Family family : FamilyOrder) {
            for (int channel = 0; channel < ChannelCount; ++channel) {
                QVERIFY(SetupStore::WriteEntry(path("many.ini"),
                                               SetupStore::sectionName(family, channel),
                                               setup.fieldText(family, channel)));
            }
        }
        QCOMPARE(readBytes(path("one.ini")), readBytes(path("many.ini")));
    }

    void portEntryGoesWhereItWasFirstWritten()
    {
        const MonitoringSetup setup = sampleSetup();
        QVERIFY(SetupStore::SaveSetup(path("envoi-first.ini"), setup));
        QVERIFY(SetupStore::WriteEntry(path("envoi-first.ini"), SetupStore::portSection(),
                                       QStringLiteral("2")));
        QVERIFY(readBytes(path("envoi-first.ini"))
                    .endsWith("[action17]\r\nvaleur=3\r\n[Port COM]\r\nvaleur=2\r\n"));

        QVERIFY(SetupStore::WriteEntry(path("port-first.ini"), SetupStore::portSection(),
                                       QStringLiteral("2")));
        QVERIFY(SetupStore::SaveSetup(path("port-first.ini"), setup));
        QVERIFY(
            readBytes(path("port-first.ini")).startsWith("[Port COM]\r\nvaleur=2\r\n[min0]\r\n"));
        // A second save changes values only.
        const QByteArray once = readBytes(path("port-first.ini"));
        QVERIFY(SetupStore::SaveSetup(path("port-first.ini"), setup));
        QCOMPARE(readBytes(path("port-first.ini")), once);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("french");
        QTest::newRow("blanks around") << QByteArray("  4.5  ") << "4.5"
                                       << "4,5";
        QTest::newRow("unit") << QByteArray("4.5V") << "4.5"
                              << "4,5";
        QTest::newRow("word") << QByteArray("abc") << "0"
                              << "0";
        QTest::newRow("five characters") << QByteArray("0.125") << "0.12"
                                         << "0,12";
        QTest::newRow("negative") << QByteArray("-1.5") << "-1.5"
                                  << "-1,5";
        QTest::newRow("trailing zero") << QByteArray("2.50") << "2.5"
                                       << "2,5";
        QTest::newRow("comma") << QByteArray("2,5") << "2"
                               << "2";
        QTest::newRow("leading zeros") << QByteArray("007") << "7"
                                       << "7";
        QTest::newRow("cut") << QByteArray("12.75") << "12.7"
                             << "12,7";
        QTest::newRow("empty") << QByteArray("") << "0"
                               << "0";
        QTest::newRow("state 1.0") << QByteArray("1.0") << "1"
                                   << "1";
    }

    void load()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, english);
        QFETCH(QString, french);
        writeBytes(path("load.ini"), "[COEFF2]\r\nVALEUR=" + value + "\r\n");
        const auto inEnglish = SetupStore::LoadSetup(path("load.ini"), QLocale(QLocale::English));
        const auto inFrench = SetupStore::LoadSetup(path("load.ini"), QLocale(QLocale::French));
        QCOMPARE(inEnglish.entries.size(), 48);
        QCOMPARE(loadedText(inEnglish, Family::Coeff, 2), english);
        QCOMPARE(loadedText(inFrench, Family::Coeff, 2), french);
        QCOMPARE(loadedText(inEnglish, Family::Min, 0), QStringLiteral("0"));
    }

    void loadActions_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("index");
        QTest::newRow("two") << QByteArray("2") << "2";
        QTest::newRow("one and a half") << QByteArray("1.5") << "2";
        QTest::newRow("two and a half") << QByteArray("2.5") << "2";
        QTest::newRow("below half") << QByteArray("0.4") << "0";
        QTest::newRow("none selected") << QByteArray("-1") << "-1";
        QTest::newRow("refused later") << QByteArray("3.5") << "4";
        QTest::newRow("overflow") << QByteArray("40000") << "overflow";
        QTest::newRow("nineteen characters read") << QByteArray("0000000000000000002999") << "2";
        QTest::newRow("missing") << QByteArray() << "0";
    }

    void loadActions()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, index);
        writeBytes(path("actions.ini"),
                   value.isNull() ? QByteArray() : "[Action23]\r\nvaleur=" + value + "\r\n");
        QCOMPARE(loadedText(SetupStore::LoadSetup(path("actions.ini"), QLocale::c()),
                            Family::AnalogAction, 3),
                 index);
    }

    void applyingKeepsRefusedIndexes()
    {
        writeBytes(path("apply.ini"),
                   iniBytes({{"action20", "7"},
                             {"action21", "-1"},
                             {"action22", "99999"},
                             {"action10", "3"},
                             {"min0", "9"}}));
        MonitoringSetup current;
        current.analog[0].action = 2;
        current.analog[2].action = 1;
        current.analog[5].action = 3;
        const MonitoringSetup loaded = SetupStore::applyLoadedEntries(
            current, SetupStore::LoadSetup(path("apply.ini"), QLocale::c()));
        QCOMPARE(loaded.analog[0].action, 2); // 7 refused
        QCOMPARE(loaded.analog[1].action, -1);
        QCOMPARE(loaded.analog[2].action, 1); // overflow
        QCOMPARE(loaded.analog[5].action, 0); // missing entry
        QCOMPARE(loaded.logic[0].action, 3);
        QCOMPARE(loaded.analog[0].min, QStringLiteral("9"));
        QCOMPARE(loaded.logic[4].et, QStringLiteral("0"));
    }

    void readOnlyFileIsLeftUntouched()
    {
        const QString file = path("locked.ini");
        writeBytes(file, "[min0]\r\nvaleur=1\r\n");
        QVERIFY(QFile::setPermissions(
            file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QVERIFY(!SetupStore::WriteEntry(file, QStringLiteral("min0"), QStringLiteral("2")));
        QVERIFY(!SetupStore::SaveSetup(file, sampleSetup()));
        QCOMPARE(readBytes(file), QByteArray("[min0]\r\nvaleur=1\r\n"));
    }

    // A file that exists but cannot be read whole is never replaced by what little was read.
    void unreadableFileIsNeverReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("problem");
        QTest::newRow("no read permission") << "0200" << int(FileStatus::Problem::System);
        QTest::newRow("folder") << "folder" << int(FileStatus::Problem::Folder);
        QTest::newRow("over the size limit") << "huge" << int(FileStatus::Problem::TooLarge);
    }

    void unreadableFileIsNeverReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(int, problem);
        QTemporaryDir shared;
        QVERIFY(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
        const QString file = shared.filePath(QStringLiteral("param.ini"));
        const QByteArray before("; notes de l'atelier\r\n[Port COM]\r\nvaleur=3\r\n");
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(file));
        } else {
            writeBytes(file, before);
        }
        if (kind == QLatin1String("0200")) {
            QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
            QVERIFY(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0
                    || ::geteuid() != 0);
        } else if (kind == QLatin1String("huge")) {
            QVERIFY(QFile::resize(file, ProfileFile::LargestFileRead + 1));
        }
        QVERIFY(asUnprivilegedUser([&] {
            const FileStatus saved = SetupStore::SaveSetup(file, sampleSetup());
            const FileStatus written =
                SetupStore::WriteEntry(file, QStringLiteral("min0"), QStringLiteral("2"));
            const SetupStore::LoadedSetup loaded = SetupStore::LoadSetup(file, QLocale::c());
            return int(saved.problem) == problem && int(written.problem) == problem
                && int(loaded.status.problem) == problem
                && !saved.systemReason.isEmpty() == (problem == int(FileStatus::Problem::System));
        }));
        if (kind != QLatin1String("folder")) {
            QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QCOMPARE(readBytes(file).first(before.size()), before);
        }
    }

    // Writing values that are stored already leaves the file as it was, down to its time.
    void unchangedValuesLeaveTheFileAlone()
    {
        const QString file = path("same.ini");
        QFile::remove(file);
        QVERIFY(SetupStore::SaveSetup(file, sampleSetup()));
        QVERIFY(SetupStore::WriteEntry(file, SetupStore::portSection(), QStringLiteral("3")));
        const QDateTime past = QDateTime::currentDateTime().addDays(-2);
        {
            QFile handle(file);
            QVERIFY(handle.open(QIODevice::ReadWrite));
            QVERIFY(handle.setFileTime(past, QFileDevice::FileModificationTime));
        }
        const QByteArray before = readBytes(file);
        const auto inode = [&] {
            struct stat status = {};
            ::stat(QFile::encodeName(file).constData(), &status);
            return status.st_ino;
        };
        const ino_t inodeBefore = inode();
        QVERIFY(SetupStore::SaveSetup(file, sampleSetup()));
        QVERIFY(SetupStore::WriteEntry(file, SetupStore::portSection(), QStringLiteral("3")));
        QCOMPARE(readBytes(file), before);
        QCOMPARE(QFileInfo(file).lastModified(), past);
        QCOMPARE(inode(), inodeBefore);
    }

    void linkWritesTheFileItPointsTo()
    {
        const QString target = path("real.ini");
        const QString link = path("link.ini");
        writeBytes(target, "[x]\r\nvaleur=1\r\n");
        QVERIFY(QFile::link(target, link));
        QVERIFY(SetupStore::WriteEntry(link, QStringLiteral("x"), QStringLiteral("2")));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readBytes(target), QByteArray("[x]\r\nvaleur=2\r\n"));
    }

    void permissionsAreKept()
    {
        const QString file = path("shared.ini");
        writeBytes(file, "[x]\r\nvaleur=1\r\n");
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(file, permissions));
        const auto before = QFile::permissions(file);
        QVERIFY(SetupStore::WriteEntry(file, QStringLiteral("x"), QStringLiteral("2")));
        QCOMPARE(QFile::permissions(file), before);
    }

    void newFileGetsUsualPermissions()
    {
        const mode_t mask = ::umask(022);
        QVERIFY(
            SetupStore::WriteEntry(path("fresh.ini"), QStringLiteral("x"), QStringLiteral("1")));
        ::umask(mask);
        QVERIFY(QFile::permissions(path("fresh.ini")).testFlag(QFileDevice::ReadOther));
    }

    // A save killed at any moment leaves the complete old settings or the complete new ones.
    void killedSaveLeavesOldOrNew()
    {
        const QString file = path("durable.ini");
        QFile::remove(file);
        QProcess saver;
        saver.start(QStringLiteral(SETUPSAVER), {file});
        QVERIFY(saver.waitForStarted());
        QTRY_VERIFY(QFile::exists(file));
        saver.kill();
        saver.waitForFinished();

        int kills = 0;
        for (; kills < 300; ++kills) {
            saver.start(QStringLiteral(SETUPSAVER), {file});
            QVERIFY(saver.waitForStarted());
            QThread::usleep(QRandomGenerator::global()->bounded(500, 8000));
            saver.kill();
            saver.waitForFinished();
            const MonitoringSetup loaded =
                SetupStore::applyLoadedEntries({}, SetupStore::LoadSetup(file, QLocale::c()));
            const QString text = loaded.analog[0].min;
            QVERIFY2(text == QLatin1String("1") || text == QLatin1String("22"), qPrintable(text));
            const int action = text == QLatin1String("1") ? 1 : 2;
            for (int channel = 0; channel < ChannelCount; ++channel) {
                QCOMPARE(loaded.analog[channel], (AnalogChannelSetup {text, text, text, action}));
                QCOMPARE(loaded.logic[channel], (LogicChannelSetup {text, action}));
            }
        }
        QCOMPARE(kills, 300);
    }
};

QTEST_GUILESS_MAIN(TestSetupStore)
#include "tst_setupstore.moc"
