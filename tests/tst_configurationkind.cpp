#include "configurationkind.h"

#include <QtTest>

using Kgw::ConfigurationKind;
using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)
Q_DECLARE_METATYPE(ConfigurationKind)

class TestConfigurationKind : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data();
    void kinds();
};

void TestConfigurationKind::kinds_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<ConfigurationKind>("kind");

    QTest::newRow("pole-pole") << Quadruple { 1, 0, 2, 0 } << ConfigurationKind::PolePole;
    QTest::newRow("pole-dipole, B remote")
        << Quadruple { 1, 0, 2, 3 } << ConfigurationKind::PoleDipole;
    QTest::newRow("pole-dipole, N remote")
        << Quadruple { 1, 5, 2, 0 } << ConfigurationKind::PoleDipole;
    QTest::newRow("pole-dipole, A remote")
        << Quadruple { 0, 5, 2, 3 } << ConfigurationKind::PoleDipole;
    QTest::newRow("dipole-dipole, left")
        << Quadruple { 2, 1, 3, 4 } << ConfigurationKind::DipoleDipole;
    QTest::newRow("dipole-dipole, right")
        << Quadruple { 40, 41, 4, 3 } << ConfigurationKind::DipoleDipole;
    QTest::newRow("Wenner") << Quadruple { 1, 4, 2, 3 } << ConfigurationKind::Nested;
    QTest::newRow("Schlumberger reversed")
        << Quadruple { 20, 1, 11, 10 } << ConfigurationKind::Nested;
    QTest::newRow("Wenner-gamma") << Quadruple { 1, 3, 2, 4 } << ConfigurationKind::Other;
    QTest::newRow("current inside potential")
        << Quadruple { 3, 4, 1, 6 } << ConfigurationKind::Other;
    QTest::newRow("repeated") << Quadruple { 1, 4, 1, 3 } << ConfigurationKind::Other;
    QTest::newRow("both current remote") << Quadruple { 0, 0, 2, 3 } << ConfigurationKind::Other;
}

void TestConfigurationKind::kinds()
{
    QFETCH(Quadruple, q);
    QFETCH(ConfigurationKind, kind);
    QCOMPARE(Kgw::configurationKind(q), kind);
}

QTEST_GUILESS_MAIN(TestConfigurationKind)

#include "tst_configurationkind.moc"
