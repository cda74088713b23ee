#include "settings/inidocument.h"

#include <QTest>

using namespace Tensiova;

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("expected"); // "<missing>" when there is none

        const QString missing = QStringLiteral("<missing>");
        QTest::newRow("plain") << QByteArray("[min0]\r\nvaleur=12\r\n") << QByteArray("min0")
                               << "12";
        QTest::newRow("section case")
            << QByteArray("[MIN0]\r\nvaleur=12\r\n") << QByteArray("min0") << "12";
        QTest::newRow("key case") << QByteArray("[Action20]\r\nVALEUR=3\r\n")
                                  << QByteArray("action20") << "3";
        QTest::newRow("blanks in brackets")
            << QByteArray(" \t[ min0 \t] \r\nvaleur=1\r\n") << QByteArray("min0") << "1";
        QTest::newRow("name ends at last bracket")
            << QByteArray("[a]b]\r\nvaleur=1\r\n") << QByteArray("a]b") << "1";
        QTest::newRow("no closing bracket")
            << QByteArray("[min0\r\nvaleur=1\r\n") << QByteArray("min0") << missing;
        QTest::newRow("blanks around key and value")
            << QByteArray("[s]\r\n \tvaleur \t=\t 4.5 \r\n") << QByteArray("s") << "4.5";
        QTest::newRow("double quotes")
            << QByteArray("[s]\r\nvaleur=\" 7 \"\r\n") << QByteArray("s") << " 7 ";
        QTest::newRow("single quotes")
            << QByteArray("[s]\r\nvaleur='7'\r\n") << QByteArray("s") << "7";
        QTest::newRow("unbalanced quote")
            << QByteArray("[s]\r\nvaleur=\"7\r\n") << QByteArray("s") << "\"7";
        QTest::newRow("mixed quotes")
            << QByteArray("[s]\r\nvaleur=\"7'\r\n") << QByteArray("s") << "\"7'";
        QTest::newRow("inner quotes")
            << QByteArray("[s]\r\nvaleur=a\"7\"b\r\n") << QByteArray("s") << "a\"7\"b";
        QTest::newRow("empty value") << QByteArray("[s]\r\nvaleur=\r\n") << QByteArray("s") << "";
        QTest::newRow("no equals sign")
            << QByteArray("[s]\r\nvaleur\r\n") << QByteArray("s") << missing;
        QTest::newRow("split at first equals")
            << QByteArray("[s]\r\nvaleur=a=b\r\n") << QByteArray("s") << "a=b";
        QTest::newRow("comment line")
            << QByteArray("[s]\r\n;valeur=1\r\n") << QByteArray("s") << missing;
        QTest::newRow("no inline comment")
            << QByteArray("[s]\r\nvaleur=5 ; x\r\n") << QByteArray("s") << "5 ; x";
        QTest::newRow("first section wins")
            << QByteArray("[s]\r\nautre=1\r\n[s]\r\nvaleur=2\r\n") << QByteArray("s") << missing;
        QTest::newRow("first key wins")
            << QByteArray("[s]\r\nvaleur=1\r\nvaleur=2\r\n") << QByteArray("s") << "1";
        QTest::newRow("LF ends") << QByteArray("[s]\nvaleur=3\n") << QByteArray("s") << "3";
        QTest::newRow("CR ends") << QByteArray("[s]\rvaleur=3\r") << QByteArray("s") << "3";
        QTest::newRow("no final line end")
            << QByteArray("[s]\r\nvaleur=3") << QByteArray("s") << "3";
        QTest::newRow("key in another section")
            << QByteArray("[t]\r\nvaleur=1\r\n[s]\r\n") << QByteArray("s") << missing;
        QTest::newRow("windows-1252")
            << QByteArray("[s]\r\nvaleur=\x80\xE9\r\n") << QByteArray("s") << QStringLiteral("€é");
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF[s]\r\nvaleur=\xE2\x82\xAC\r\n")
                                         << QByteArray("s") << QStringLiteral("€");
        QTest::newRow("missing section")
            << QByteArray("[t]\r\nvaleur=1\r\n") << QByteArray("s") << missing;
        QTest::newRow("asked name trimmed")
            << QByteArray("[min0]\r\nvaleur=6\r\n") << QByteArray(" \tmin0 ") << "6";
        QTest::newRow("key without value comes first")
            << QByteArray("[s]\r\nvaleur\r\nvaleur=2\r\n") << QByteArray("s") << missing;
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, section);
        QFETCH(QString, expected);
        const auto value = IniDocument::fromBytes(file).value(section, "valeur");
        QCOMPARE(value.value_or(QStringLiteral("<missing>")), expected);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("from nothing") << QByteArray() << QByteArray("min0") << "0.5"
                                      << QByteArray("[min0]\r\nvaleur=0.5\r\n");
        QTest::newRow("new section at end")
            << QByteArray("[a]\r\nvaleur=1\r\n") << QByteArray("b") << "2"
            << QByteArray("[a]\r\nvaleur=1\r\n[b]\r\nvaleur=2\r\n");
        QTest::newRow("line end added first")
            << QByteArray("[a]\nvaleur=1") << QByteArray("b") << "2"
            << QByteArray("[a]\nvaleur=1\r\n[b]\r\nvaleur=2\r\n");
        QTest::newRow("replaced in place, spelling kept")
            << QByteArray("; mine\n[MIN0]\n  Valeur = 1 \n[max0]\nvaleur=5\n") << QByteArray("min0")
            << "7" << QByteArray("; mine\n[MIN0]\nValeur=7\n[max0]\nvaleur=5\n");
        QTest::newRow("missing key after last entry")
            << QByteArray("[s]\r\nautre=1\r\n\r\n; note\r\n[t]\r\n") << QByteArray("s") << "4"
            << QByteArray("[s]\r\nautre=1\r\nvaleur=4\r\n\r\n; note\r\n[t]\r\n");
        QTest::newRow("missing key in empty section")
            << QByteArray("[s]") << QByteArray("s") << "4" << QByteArray("[s]\r\nvaleur=4\r\n");
        QTest::newRow("first of duplicated sections")
            << QByteArray("[s]\r\nvaleur=1\r\n[s]\r\nvaleur=2\r\n") << QByteArray("S") << "3"
            << QByteArray("[s]\r\nvaleur=3\r\n[s]\r\nvaleur=2\r\n");
        QTest::newRow("line breaks become blanks")
            << QByteArray() << QByteArray("s") << "1\r\n[x]\nvaleur=9"
            << QByteArray("[s]\r\nvaleur=1  [x] valeur=9\r\n");
        QTest::newRow("windows-1252 bytes")
            << QByteArray() << QByteArray("s") << QStringLiteral("€é→")
            << QByteArray("[s]\r\nvaleur=\x80\xE9?\r\n");
        QTest::newRow("utf-8 file stays utf-8")
            << QByteArray("\xEF\xBB\xBF[s]\r\nvaleur=1\r\n") << QByteArray("s")
            << QStringLiteral("é") << QByteArray("\xEF\xBB\xBF[s]\r\nvaleur=\xC3\xA9\r\n");
        QTest::newRow("text before first section kept")
            << QByteArray("notes=x\r\n") << QByteArray("s") << "1"
            << QByteArray("notes=x\r\n[s]\r\nvaleur=1\r\n");
        QTest::newRow("key without equals is the place")
            << QByteArray("[s]\r\n  valeur \r\nautre=1\r\n") << QByteArray("s") << "4"
            << QByteArray("[s]\r\nvaleur=4\r\nautre=1\r\n");
        QTest::newRow("asked name trimmed")
            << QByteArray("[min0]\r\nvaleur=1\r\n") << QByteArray(" min0\t") << "2"
            << QByteArray("[min0]\r\nvaleur=2\r\n");
        QTest::newRow("new section of a trimmed name")
            << QByteArray() << QByteArray(" min0 ") << "2" << QByteArray("[min0]\r\nvaleur=2\r\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, section);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        IniDocument document = IniDocument::fromBytes(before);
        QVERIFY(document.setValue(section, "valeur", value));
        QCOMPARE(document.toBytes(), after);
    }

    // Writing what is stored already changes nothing, so the file need not be rewritten.
    void sameValueChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("changes");
        QTest::newRow("same") << QByteArray("[s]\r\nvaleur=4\r\n") << "4" << false;
        QTest::newRow("same with blanks") << QByteArray("[S]\n Valeur = 4 \n") << "4" << false;
        QTest::newRow("same windows-1252")
            << QByteArray("[s]\r\nvaleur=\xE9\r\n") << QStringLiteral("é") << false;
        QTest::newRow("other") << QByteArray("[s]\r\nvaleur=4\r\n") << "5" << true;
        QTest::newRow("quoted is other") << QByteArray("[s]\r\nvaleur=\"4\"\r\n") << "4" << true;
        QTest::newRow("empty to value") << QByteArray("[s]\r\nvaleur=\r\n") << "4" << true;
        QTest::newRow("key without value") << QByteArray("[s]\r\nvaleur\r\n") << "" << true;
    }

    void sameValueChangesNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QFETCH(bool, changes);
        IniDocument document = IniDocument::fromBytes(file);
        QCOMPARE(document.setValue("s", "valeur", value), changes);
        QCOMPARE(document.toBytes() != file, changes);
    }

    void untouchedFileIsByteExact()
    {
        const QByteArray odd(
            "\xEF\xBB\xBF ; comment\r\n\r\n[ a ]  \nx = \"y\"\rjunk line\n[b\nz=1");
        QCOMPARE(IniDocument::fromBytes(odd).toBytes(), odd);
    }

    void writtenValueReadsBack_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks kept inside") << "a  b";
        QTest::newRow("equals sign") << "a=b";
        QTest::newRow("semicolon") << ";x";
        QTest::newRow("bracket") << "[x]";
    }

    void writtenValueReadsBack()
    {
        QFETCH(QString, value);
        IniDocument document = IniDocument::fromBytes("[s]\r\nvaleur=1\r\n[t]\r\nvaleur=2\r\n");
        document.setValue("s", "valeur", value);
        const IniDocument reread = IniDocument::fromBytes(document.toBytes());
        QCOMPARE(reread.value("s", "valeur"), std::optional<QString>(value));
        QCOMPARE(reread.value("t", "valeur"), std::optional<QString>(QStringLiteral("2")));
    }
};

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
