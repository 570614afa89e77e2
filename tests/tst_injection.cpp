#include "injection.h"
#include "testsupport.h"

#include <QtTest>

// Rules as the data tables give them.
Kgw::ChannelRules rulesOf(bool chained, int maxDipole = 0, bool allowEnclosing = false)
{
    return { chained ? Kgw::ChannelLayout::Chained : Kgw::ChannelLayout::Free, maxDipole,
        allowEnclosing };
}

class tst_Injection : public QObject
{
    Q_OBJECT

private slots:
    void validGroup_data();
    void validGroup();
    void groups_data();
    void groups();
    void reciprocals_data();
    void reciprocals();
};

void tst_Injection::validGroup_data()
{
    QTest::addColumn<QByteArray>("rows"); // hex, A B M N per row
    QTest::addColumn<bool>("chained");
    QTest::addColumn<int>("maxDipole");
    QTest::addColumn<bool>("allowEnclosing");
    QTest::addColumn<bool>("valid");

    QTest::newRow("dipole at the limit") << QByteArray("01020305") << false << 2 << false << true;
    QTest::newRow("just past the limit") << QByteArray("01020306") << false << 2 << false << false;
    QTest::newRow("N before M, at the limit")
        << QByteArray("01020503") << false << 2 << false << true;
    QTest::newRow("remote N, limited") << QByteArray("01020300") << false << 47 << false << false;
    QTest::newRow("two current pairs")
        << QByteArray("0102030402010506") << false << 0 << false << false;
    QTest::newRow("enclosing alone") << QByteArray("02050103") << false << 0 << false << true;
    QTest::newRow("A enclosed in a group")
        << QByteArray("0308020403080506") << false << 0 << false << false;
    QTest::newRow("dipole next to A")
        << QByteArray("0308010203080506") << false << 0 << false << true;
    QTest::newRow("enclosing allowed")
        << QByteArray("0308020403080506") << false << 0 << true << true;
    QTest::newRow("B enclosed, N before M")
        << QByteArray("0104050301040607") << false << 0 << false << false;
    // A remote electrode taken as position 0 would lie between 0 and M.
    QTest::newRow("remote electrodes enclose nothing")
        << QByteArray("0300050003000600") << false << 0 << false << true;
    QTest::newRow("chain") << QByteArray("010203040102040501020506") << true << 0 << false << true;
    QTest::newRow("chain broken") << QByteArray("0102030401020506") << true << 0 << false << false;
    QTest::newRow("apart, free") << QByteArray("0102030401020506") << false << 0 << false << true;
    QTest::newRow("chain out of order")
        << QByteArray("0102040501020304") << true << 0 << false << false;
    QTest::newRow("chain back to an electrode")
        << QByteArray("010203040102040501020503") << true << 0 << false << false;
}

void tst_Injection::validGroup()
{
    QFETCH(QByteArray, rows);
    QFETCH(bool, chained);
    QFETCH(int, maxDipole);
    QFETCH(bool, allowEnclosing);
    QFETCH(bool, valid);

    const QVector<Kgw::Quadruple> group = quadruplesFromHex(rows);
    QCOMPARE(Kgw::isValidGroup(
                 group.constData(), group.size(), rulesOf(chained, maxDipole, allowEnclosing)),
        valid);
}

void tst_Injection::groups_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<bool>("chained");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("groups"); // row indices, groups apart by |

    // 3 4 is listed after 4 5 but begins their chain.
    QTest::newRow("chained from its beginning")
        << QByteArray("010204050506010201020304") << true << 4 << "2 0|1";
    QTest::newRow("enclosing stays alone")
        << QByteArray("030802040308050603080607") << false << 3 << "0|1 2";
}

void tst_Injection::groups()
{
    QFETCH(QByteArray, rows);
    QFETCH(bool, chained);
    QFETCH(int, channels);
    QFETCH(QString, groups);

    QStringList found;
    for (const std::vector<int> &group :
        Kgw::injectionGroups(quadruplesFromHex(rows), channels, rulesOf(chained))) {
        QStringList members;
        for (const int i : group)
            members << QString::number(i);
        found << members.join(QLatin1Char(' '));
    }
    QCOMPARE(found.join(QLatin1Char('|')), groups);
}

void tst_Injection::reciprocals_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maxDipole");
    QTest::addColumn<QByteArray>("reciprocals");

    // Three rows share 3 4 as potential dipole: their reciprocals make one injection.
    const QByteArray rows("01020304050603040708030401020506");
    QTest::newRow("shared pair first") << rows << 3 << 0 << QByteArray("030401020304050603040708");
    QTest::newRow("cut to the count") << rows << 2 << 0 << QByteArray("0304010203040506");
    QTest::newRow("repeats left out") << QByteArray("0102030403040102") << 2 << 0 << QByteArray();
    // 3 4 1 2 reads 1 2, as long as the limit; 5 6 1 8 would read 1 8, longer.
    QTest::newRow("longer than the limit")
        << QByteArray("0102030401080506") << 2 << 1 << QByteArray("03040102");
}

void tst_Injection::reciprocals()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, count);
    QFETCH(int, maxDipole);
    QFETCH(QByteArray, reciprocals);

    QCOMPARE(hexOf(Kgw::groupedReciprocals(
                 quadruplesFromHex(rows), count, 3, rulesOf(false, maxDipole))),
        reciprocals);
}

QTEST_GUILESS_MAIN(tst_Injection)
#include "tst_injection.moc"
