// The settings files, read and written as the Windows profile functions do, and never lost.

#include "conversions/windows1252.h"
#include "settings/fileaccess.h"
#include "settings/inidocument.h"
#include "settings/machinepolicy.h"
#include "settings/settingslocation.h"
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

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

QString loaded(const SetupStore::LoadedSetup &loaded, Family family, int channel)
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
#ifdef Q_OS_WIN
    return step();
#else
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
#endif
}

// Tells a file from a new one that took its name: its inode, or on Windows its creation time.
qint64 fileIdentity(const QString &path)
{
#ifdef Q_OS_WIN
    return QFileInfo(path).birthTime().toMSecsSinceEpoch();
#else
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return qint64(status.st_ino);
#endif
}

// A param.ini seeded from a read-only one beside the program must take the next "Envoi".
bool seededCopyKeepsSettings(const SettingsLocation &location)
{
    return SetupStore::SaveSetup(location.paramIniPath(), sampleSetup())
        && SetupStore::LoadSetup(location.paramIniPath(), QLocale::c()).entries.size() == 48
        && readBytes(location.paramIniPath()).contains("[action17]\r\nvaleur=3\r\n");
}

} // namespace

class TestSettingsFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString path(const QString &name) const { return m_folder.filePath(name); }

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    // What IT sets for every user of the computer: each value read as its kind, or the first
    // one that is not told and left unset; a server IT set is theirs unless they allow changes.
    void machinePolicy_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("server"); // "-": none set
        QTest::addColumn<bool>("changeable");
        QTest::addColumn<bool>("unencrypted");
        QTest::addColumn<QString>("problem"); // the value told, or empty
        QTest::newRow("nothing set") << QByteArray() << "-" << true << false << "";
        QTest::newRow("a server, theirs alone") << QByteArray("ServeurHistorique=service=atelier\n")
                                                << "service=atelier" << false << false << "";
        QTest::newRow("several hosts, commas unquoted")
            << QByteArray("ServeurHistorique=host=a,b port=5432,5433 dbname=atelier\n")
            << "host=a,b port=5432,5433 dbname=atelier" << false << false << "";
        QTest::newRow("users may change it, unencrypted accepted")
            << QByteArray("ServeurHistorique=\"host=a\"\nServeurHistoriqueModifiable=1\n"
                          "NonChiffreAccepte=true\n")
            << "host=a" << true << true << "";
        QTest::newRow("a flag that is neither 0 nor 1")
            << QByteArray("ServeurHistorique=host=a\nServeurHistoriqueModifiable=2\n") << "host=a"
            << false << false << "ServeurHistoriqueModifiable";
        QTest::newRow("a server that is not a text")
            << QByteArray("ServeurHistorique=@ByteArray(abc)\n") << "" << true << false
            << "ServeurHistorique";
    }
    void machinePolicy()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, server);
        QFETCH(bool, changeable);
        QFETCH(bool, unencrypted);
        QFETCH(QString, problem);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Tensiova.ini"));
        writeBytes(path, "[General]\n" + ini);
        const MachinePolicy policy = MachinePolicy::read(path);
        QCOMPARE(policy.server.value_or(QStringLiteral("-")),
                 problem == MachinePolicy::ServerKey ? QStringLiteral("-") : server);
        QCOMPARE(policy.serverChangeable, changeable);
        QCOMPARE(policy.unencryptedAccepted, unencrypted);
        QCOMPARE(policy.problem ? policy.problem->key : QString(), problem);
    }

    void iniRead_data() { addDataRows(QStringLiteral("ini-read.tsv")); }
    void iniRead()
    {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, expected);
        const auto value =
            IniDocument::fromBytes(unescaped(file)).value(unescaped(section), "valeur");
        QCOMPARE(value.value_or(QStringLiteral("<missing>")), expected);
    }

    // A write changes only its value; every other byte stays; writing what is stored changes
    // nothing.
    void iniWrite_data() { addDataRows(QStringLiteral("ini-write.tsv")); }
    void iniWrite()
    {
        QFETCH(QString, before);
        QFETCH(QString, section);
        QFETCH(QString, value);
        QFETCH(QString, after);
        value = QString::fromUtf8(unescaped(value));
        IniDocument document = IniDocument::fromBytes(unescaped(before));
        const bool unchanged = after == QLatin1String("unchanged");
        QCOMPARE(document.setValue(unescaped(section), "valeur", value), !unchanged);
        QCOMPARE(document.toBytes(), unescaped(unchanged ? before : after));
        const IniDocument reread = IniDocument::fromBytes(document.toBytes());
        // What a file in Windows-1252 cannot hold reads back as "?".
        QString kept = QString(value)
                           .replace(QLatin1Char('\r'), QLatin1Char(' '))
                           .replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!before.startsWith(QLatin1String("\\xEF"))) {
            kept = Windows1252::decode(Windows1252::encode(kept));
        }
        QCOMPARE(reread.value(unescaped(section), "valeur"), std::optional<QString>(kept));
    }

    void untouchedFileIsByteExact()
    {
        const QByteArray odd(
            "\xEF\xBB\xBF ; comment\r\n\r\n[ a ]  \nx = \"y\"\rjunk line\n[b\nz=1");
        QCOMPARE(IniDocument::fromBytes(odd).toBytes(), odd);
    }

    void readEntryCapacity_data() { addDataRows(QStringLiteral("readentry.tsv")); }
    void readEntryCapacity()
    {
        QFETCH(QString, value);
        QFETCH(QString, capacity);
        QFETCH(QString, read);
        writeBytes(path("capacity.ini"), "[s]\r\nvaleur=" + value.toLatin1() + "\r\n");
        QCOMPARE(SetupStore::ReadEntry(path("capacity.ini"), QStringLiteral("S"), capacity.toInt()),
                 read);
        QCOMPARE(SetupStore::ReadEntry(path("none.ini"), QStringLiteral("s"), 20), QString());
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    void saveFromNothingHasTheWindowsLayout()
    {
        QVERIFY(SetupStore::SaveSetup(path("new.txt"), sampleSetup()));
        const QByteArray bytes = readBytes(path("new.txt"));
        QVERIFY(bytes.startsWith(
            "[min0]\r\nvaleur=0.5\r\n[min1]\r\nvaleur=1\r\n[min2]\r\nvaleur=2\r\n"));
        QVERIFY(bytes.endsWith("[action16]\r\nvaleur=-1\r\n[action17]\r\nvaleur=3\r\n"));
        QCOMPARE(bytes.count("\r\n"), 96);
        QCOMPARE(bytes.count('\n'), 96);
    }

    void load_data() { addDataRows(QStringLiteral("load.tsv")); }
    void load()
    {
        QFETCH(QString, value);
        QFETCH(QString, english);
        QFETCH(QString, french);
        writeBytes(path("load.ini"), "[COEFF2]\r\nVALEUR=" + value.toLatin1() + "\r\n");
        const auto inEnglish = SetupStore::LoadSetup(path("load.ini"), QLocale(QLocale::English));
        const auto inFrench = SetupStore::LoadSetup(path("load.ini"), QLocale(QLocale::French));
        QCOMPARE(inEnglish.entries.size(), 48);
        QCOMPARE(loaded(inEnglish, Family::Coeff, 2), english);
        QCOMPARE(loaded(inFrench, Family::Coeff, 2), french);
        QCOMPARE(loaded(inEnglish, Family::Min, 0), QStringLiteral("0"));
    }

    void loadActions_data() { addDataRows(QStringLiteral("loadactions.tsv")); }
    void loadActions()
    {
        QFETCH(QString, value);
        QFETCH(QString, index);
        writeBytes(path("actions.ini"), "[Action23]\r\nvaleur=" + value.toLatin1() + "\r\n");
        QCOMPARE(loaded(SetupStore::LoadSetup(path("actions.ini"), QLocale::c()),
                        Family::AnalogAction, 3),
                 index);
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

    void unreadableFileIsNeverReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("problem");
#ifdef Q_OS_UNIX
        QTest::newRow("no read permission") << "0200" << int(FileStatus::Problem::System);
#endif
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
#ifdef Q_OS_UNIX
        if (kind == QLatin1String("0200")) {
            QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
            QVERIFY(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0
                    || ::geteuid() != 0);
        }
#endif
        if (kind == QLatin1String("huge")) {
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
        const qint64 identity = fileIdentity(file);
        QVERIFY(SetupStore::SaveSetup(file, sampleSetup()));
        QVERIFY(SetupStore::WriteEntry(file, SetupStore::portSection(), QStringLiteral("3")));
        QCOMPARE(readBytes(file), before);
        QCOMPARE(QFileInfo(file).lastModified(), past);
        QCOMPARE(fileIdentity(file), identity); // not replaced by a copy
    }

#ifdef Q_OS_UNIX

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

#endif

    void killedSaveLeavesOldOrNew()
    {
        const QString file = path("durable.ini");
        QFile::remove(file);
        QProcess saver;
        saver.start(QStringLiteral(SETUPSAVER), {file});
        QVERIFY(saver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), LongWaitMs);
        saver.kill();
        saver.waitForFinished();

        // Under Wine a process takes a good part of a second to start: fewer rounds there.
#ifdef Q_OS_WIN
        constexpr int Rounds = 60;
#else
        constexpr int Rounds = 300;
#endif
        int kills = 0;
        for (; kills < Rounds; ++kills) {
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
        QCOMPARE(kills, Rounds);
    }

    // Writable as the user can write it: root too is refused a file without write bits.
    void writableOrNot()
    {
        QVERIFY(FileAccess::isWritable(m_folder.path()));
        QVERIFY(!FileAccess::isWritable(path("absent/file.ini")));
        writeBytes(path("read-only.ini"), "");
        QVERIFY(QFile::setPermissions(path("read-only.ini"), QFileDevice::ReadOwner));
        QVERIFY(!FileAccess::isWritable(path("read-only.ini")));
    }

    void writableProgramFolderKeepsParamIni()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        const SettingsLocation location(program.path(), user.filePath(QStringLiteral("tensiova")));
        QCOMPARE(location.folder(), program.path());
        QCOMPARE(location.paramIniPath(), program.filePath(QStringLiteral("param.ini")));
        QVERIFY(!QFileInfo::exists(user.filePath(QStringLiteral("tensiova"))));
    }

#ifdef Q_OS_UNIX
    // Holds for root too: a folder without write bits counts as read-only.
    void readOnlyProgramFolderFallsBackToUserFolder()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        writeBytes(program.filePath(QStringLiteral("param.ini")), "[min0]\r\nvaleur=42\r\n");
        QVERIFY(QFile::setPermissions(program.filePath(QStringLiteral("param.ini")),
                                      QFileDevice::ReadOwner | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(program.path(),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther));
        const QString userFolder = user.filePath(QStringLiteral("tensiova"));
        const SettingsLocation location(program.path(), userFolder);
        QCOMPARE(location.folder(), userFolder);
        QCOMPARE(readBytes(location.paramIniPath()), QByteArray("[min0]\r\nvaleur=42\r\n"));
        QVERIFY(seededCopyKeepsSettings(location));

        // Later runs keep the user's own copy.
        writeBytes(location.paramIniPath(), "[min0]\r\nvaleur=7\r\n");
        const SettingsLocation again(program.path(), userFolder);
        QCOMPARE(readBytes(again.paramIniPath()), QByteArray("[min0]\r\nvaleur=7\r\n"));
        QFile::setPermissions(program.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    }

#endif

    // An installed program keeps its settings per user, seeded with the copy beside it, even
    // where the account could write beside it (root, an administrator, Wine).
    void sharedInstallUsesUserFolder()
    {
        QTemporaryDir user;
#ifdef Q_OS_WIN
        QTemporaryDir programs;
        qputenv("ProgramFiles", QDir::toNativeSeparators(programs.path()).toLocal8Bit());
        const QString program = programs.filePath(QStringLiteral("Tensiova"));
        QVERIFY(QDir().mkpath(program));
        const QString seed = QDir(program).filePath(QStringLiteral("param.ini"));
        writeBytes(seed, "[min0]\r\nvaleur=42\r\n");
        QVERIFY(QFile::setPermissions(seed, QFileDevice::ReadOwner));
#else
        const QString program = QStringLiteral("/usr/bin");
#endif
        const SettingsLocation location(program, user.path());
        QCOMPARE(location.folder(), user.path());
        QVERIFY(seededCopyKeepsSettings(location));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "tst_settingsfiles.moc"
