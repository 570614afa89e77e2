#include "spacing.h"

#include <QtTest>

class TestSpacing : public QObject
{
    Q_OBJECT

private slots:
    void parsesLikeTheSpinBox_data();
    void parsesLikeTheSpinBox();
};

void TestSpacing::parsesLikeTheSpinBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("millimetres"); // 0: refused

    QTest::newRow("whole") << "5" << 5000;
    QTest::newRow("smallest") << "0.001" << 1;
    QTest::newRow("largest") << "100.000" << 100000;
    QTest::newRow("no leading digit") << ".25" << 250;
    QTest::newRow("leading zeros") << "007.5" << 7500;
    QTest::newRow("three decimals") << "2.345" << 2345;
    QTest::newRow("half millimetre never rounds") << "1.0005" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("below") << "0.0001" << 0;
    QTest::newRow("above") << "100.001" << 0;
    QTest::newRow("far above") << "100000000000000000000" << 0;
    QTest::newRow("beyond any double") << QString(400, QLatin1Char('9')) << 0;
    QTest::newRow("negative") << "-5" << 0;
    QTest::newRow("exponent") << "1e1" << 0;
    QTest::newRow("comma") << "2,5" << 0;
    QTest::newRow("trailing dot") << "5." << 0;
    QTest::newRow("lone dot") << "." << 0;
    QTest::newRow("blank") << " 5" << 0;
    QTest::newRow("line break after") << "5\n" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("text") << "five" << 0;
    QTest::newRow("Arabic-Indic digit") << QString(QChar(0x0665)) << 0;
}

void TestSpacing::parsesLikeTheSpinBox()
{
    QFETCH(QString, text);
    QFETCH(int, millimetres);

    const std::optional<double> metres = Kgw::parseSpacing(text);
    QCOMPARE(metres.has_value(), millimetres != 0);
    if (metres)
        QCOMPARE(*metres, millimetres / 1000.0);
}

QTEST_GUILESS_MAIN(TestSpacing)
#include "tst_spacing.moc"
