// Bad input wherever a user or a file can put it: nothing crashes, nothing is lost, a value never
// becomes a section of its own, and every refusal says why.

#include "conversions/numberconversion.h"
#include "ptypair.h"
#include "settings/setupstore.h"
#include "windowfixture.h"

#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

#include <unistd.h>

using namespace Tensiova;

namespace {

int countLines(const QByteArray &bytes, const QByteArray &prefix)
{
    int count = 0;
    for (const QByteArray &line : bytes.split('\n')) {
        count += line.startsWith(prefix) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void strangeTextsInEveryField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("huge") << QString(100000, QLatin1Char('7')) << QByteArray(100000, '7');
        QTest::newRow("control characters")
            << QStringLiteral("\x01\x02\t5") << QByteArray("\x01\x02\t5");
        QTest::newRow("outside windows-1252") << QStringLiteral("→5日") << QByteArray("?5?");
        QTest::newRow("euro") << QStringLiteral("5€") << QByteArray("5\x80");
        QTest::newRow("pasted line breaks")
            << QStringLiteral("5\r\n[max0]\r\nvaleur=99") << QByteArray("5  [max0]  valeur=99");
    }

    void strangeTextsInEveryField()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        PtyPair device;
        WindowFixture fixture;
        QFile::link(device.devicePath(), fixture.folder.filePath(QStringLiteral("COM1")));
        const QByteArray before = iniBytes({{"min0", "1"}});
        writeBytes(fixture.paramIni(), before);
        MainWindow &window = fixture.open();
        window.setSetup(uniformSetup(text));

        // Envoi refuses, saying which fields and why, and keeps param.ini.
        window.Command6_Click();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().contains(QStringLiteral("AN7 – Coeff")));
        QVERIFY(fixture.dialogs.warnings.first().size() < 4000);
        QCOMPARE(readBytes(fixture.paramIni()), before);
        QCOMPARE(device.readFor(100), QByteArray());

        // Save As keeps every text on one line of its own section; Open reads them back.
        const QString file = fixture.folder.filePath(QStringLiteral("strange.txt"));
        fixture.dialogs.fileChoice = file;
        window.n_enregistrer_Click();
        const QByteArray saved = readBytes(file);
        QCOMPARE(countLines(saved, "["), 48);
        QCOMPARE(countLines(saved, "valeur="), 48);
        QVERIFY(saved.contains("[max0]\r\nvaleur=" + stored + "\r\n"));
        window.n_ouvrir_Click();
        const QString expected =
            NumberText(LeadingNumber(QString::fromLatin1(stored.left(4)).trimmed()), QLocale::c());
        QCOMPARE(window.setup().analog[0].max, expected);
    }

    void strangeSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary(4096, '\0');
        for (char &c : binary) {
            c = char(QRandomGenerator::global()->bounded(256));
        }
        QTest::newRow("binary") << binary;
        QTest::newRow("truncated") << QByteArray("[min0]\r\nval");
        QTest::newRow("all comments") << QByteArray("; [min0]\r\n;valeur=5\r\n;\r\n");
        QTest::newRow("only brackets") << QByteArray("[[[[]]]]\n[\n]\n=\n==\n");
        QTest::newRow("NUL in names") << QByteArray("[min\0000]\r\nvaleur=5\r\n", 18);
    }

    void strangeSettingsFiles()
    {
        QFETCH(QByteArray, content);
        WindowFixture fixture;
        writeBytes(fixture.paramIni(), content);
        MainWindow &window = fixture.open();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
        fixture.dialogs.fileChoice = fixture.paramIni();
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("0")));
        // Saving over it keeps what was there and adds the settings.
        window.n_enregistrer_Click();
        const QByteArray saved = readBytes(fixture.paramIni());
        QVERIFY(saved.startsWith(content));
        QCOMPARE(SetupStore::LoadSetup(fixture.paramIni(), QLocale::c()).entries.size(), 48);
    }

    // A file larger than is read is neither loaded nor rewritten, and the user is told.
    void enormousFileIsNeverRewritten()
    {
        WindowFixture fixture;
        const QString file = fixture.folder.filePath(QStringLiteral("enorme.txt"));
        writeBytes(file, "[min0]\r\nvaleur=9\r\n");
        QVERIFY(::truncate(QFile::encodeName(file).constData(), 100LL * 1024 * 1024) == 0);
        MainWindow &window = fixture.open();
        fixture.dialogs.fileChoice = file;
        window.setSetup(uniformSetup(QStringLiteral("4"), 1));
        window.n_ouvrir_Click();
        QCOMPARE(window.setup(), uniformSetup(QStringLiteral("4"), 1));
        window.n_enregistrer_Click();
        QCOMPARE(fixture.dialogs.warnings.size(), 2);
        QVERIFY(fixture.dialogs.warnings.first().startsWith(QStringLiteral("Ouvrir|")));
        QVERIFY(fixture.dialogs.warnings.last().contains(QStringLiteral("enorme.txt")));
        QCOMPARE(QFileInfo(file).size(), 100LL * 1024 * 1024);
        QVERIFY(readBytes(file).startsWith("[min0]\r\nvaleur=9\r\n"));
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
