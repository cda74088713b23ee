#include <QTest>
class TestBadInput : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
