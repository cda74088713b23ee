#include "answertext.h"

#include <QTest>

using namespace Tensiova;

class TestAnswerText : public QObject
{
    Q_OBJECT

private slots:
    void appendsAsReceived()
    {
        AnswerText answers;
        answers.append(u"OK");
        answers.append(u"\r\n");
        QCOMPARE(answers.text(), QStringLiteral("OK\r\n"));
        answers.clear();
        answers.append(u"A");
        QCOMPARE(answers.text(), QStringLiteral("A"));
    }

    void keepsTheMostRecent_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("kept");
        QTest::newRow("fits") << QStringList {"abc", "de"} << "abcde";
        QTest::newRow("drops oldest") << QStringList {"abcd", "ef", "g"} << "cdefg";
        QTest::newRow("one long piece") << QStringList {"ab", "0123456789"} << "56789";
    }

    void keepsTheMostRecent()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, kept);
        AnswerText answers(5);
        for (const QString &piece : pieces) {
            answers.append(piece);
        }
        QCOMPARE(answers.text(), kept);
    }
};

QTEST_GUILESS_MAIN(TestAnswerText)
#include "tst_answertext.moc"
