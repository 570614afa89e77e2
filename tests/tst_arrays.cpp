#include "arrays.h"
#include "electrodelist.h"
#include "geometry.h"

#include <QBuffer>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

using namespace Kgw;

Q_DECLARE_METATYPE(Kgw::ArrayKind)
Q_DECLARE_METATYPE(Kgw::Quadruple)
Q_DECLARE_METATYPE(Kgw::GenerateOptions)

static QByteArray describe(const Kgw::Quadruple &q)
{
    return QByteArray::number(q.a) + ' ' + QByteArray::number(q.b) + ' ' + QByteArray::number(q.m)
        + ' ' + QByteArray::number(q.n);
}

namespace QTest {
template <>
char *toString(const Kgw::Quadruple &q)
{
    return qstrdup(describe(q));
}
} // namespace QTest

namespace {

const ArrayKind AllKinds[] = { ArrayKind::WennerAlpha, ArrayKind::WennerBeta,
    ArrayKind::WennerGamma, ArrayKind::Schlumberger, ArrayKind::DipoleDipole, ArrayKind::PoleDipole,
    ArrayKind::PolePole, ArrayKind::Gradient };

GenerateOptions options(int electrodes, int aMax, int nMax, bool reciprocals = false)
{
    GenerateOptions o;
    o.electrodes = electrodes;
    o.aMax = aMax;
    o.nMax = nMax;
    o.reciprocals = reciprocals;
    return o;
}

// How many first positions a configuration of that span has on the electrodes.
int positions(int electrodes, int span)
{
    return std::max(0, electrodes - span);
}

// The count of each array from its span alone: a configuration that reaches span electrodes
// past its first one can start at electrodes - span positions.
GenerateOptions chained(GenerateOptions o)
{
    o.chained = true;
    return o;
}

int closedFormCount(ArrayKind kind, const GenerateOptions &o)
{
    const int e = o.electrodes;
    const int s = o.nMax;
    int total = 0;
    for (int a = 1; a <= o.aMax; ++a) {
        switch (kind) {
        case ArrayKind::WennerAlpha:
        case ArrayKind::WennerBeta:
        case ArrayKind::WennerGamma:
            total += positions(e, 3 * a);
            break;
        case ArrayKind::Gradient:
            total += s * positions(e, (s + 2) * a);
            break;
        case ArrayKind::PolePole:
            break;
        default:
            for (int n = 1; n <= o.nMax; ++n) {
                if (kind == ArrayKind::Schlumberger)
                    total += positions(e, (2 * n + 1) * a);
                else if (kind == ArrayKind::DipoleDipole)
                    total += positions(e, (n + 2) * a);
                else
                    total += positions(e, (n + 1) * a);
            }
        }
    }
    if (kind == ArrayKind::PolePole) {
        for (int n = 1; n <= o.nMax; ++n)
            total += positions(e, n);
    }
    return total;
}

// The geometric sum 1/AM - 1/AN - 1/BM + 1/BN at unit spacing; remote terms drop out.
double signal(const Quadruple &q)
{
    auto term = [](int p, int r) { return p == 0 || r == 0 ? 0.0 : 1.0 / std::abs(p - r); };
    return term(q.a, q.m) - term(q.a, q.n) - term(q.b, q.m) + term(q.b, q.n);
}

// What a crew considers the same configuration: current pair and potential pair, each unordered.
std::array<int, 4> unordered(const Quadruple &q)
{
    return { std::min(q.a, q.b), std::max(q.a, q.b), std::min(q.m, q.n), std::max(q.m, q.n) };
}

} // namespace

class TestArrays : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void allowedNames();

    void optionRanges_data();
    void optionRanges();

    void countsByHand_data();
    void countsByHand();
    void countsClosedForm_data();
    void countsClosedForm();

    void firstAndLast_data();
    void firstAndLast();
    void wholeList_data();
    void wholeList();

    void mixed_data();
    void mixed();
    void swappedVariantsAreOneConfiguration_data();
    void swappedVariantsAreOneConfiguration();

    void reciprocals();
    void alongTheWholeLine();

    void everyOutputIsSound_data();
    void everyOutputIsSound();
    void roundTrip_data();
    void roundTrip();
    void percentOf_data();
    void percentOf();
    void arrayList_data();
    void arrayList();
};

void TestArrays::names_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("known");
    QTest::addColumn<ArrayKind>("kind");

    for (const ArrayKindName &entry : arrayKindNames()) {
        QTest::addRow("%s", entry.name.data()) << QString(entry.name) << true << entry.kind;
        QTest::addRow("%s", entry.alias.data()) << QString(entry.alias) << true << entry.kind;
    }
    QTest::newRow("upper case alias") << "DD" << true << ArrayKind::DipoleDipole;
    QTest::newRow("mixed case name") << "Wenner-Alpha" << true << ArrayKind::WennerAlpha;
    QTest::newRow("empty") << "" << false << ArrayKind::WennerAlpha;
    QTest::newRow("family only") << "wenner" << false << ArrayKind::WennerAlpha;
    QTest::newRow("prefix of alias") << "d" << false << ArrayKind::WennerAlpha;
    QTest::newRow("trailing space") << "dd " << false << ArrayKind::WennerAlpha;
    QTest::newRow("underscore") << "dipole_dipole" << false << ArrayKind::WennerAlpha;
}

void TestArrays::names()
{
    QFETCH(QString, text);
    QFETCH(bool, known);
    QFETCH(ArrayKind, kind);

    const std::optional<ArrayKind> found = findArrayKind(text);
    QCOMPARE(found.has_value(), known);
    if (known)
        QCOMPARE(*found, kind);
}

void TestArrays::allowedNames()
{
    QCOMPARE(allowedArrayNames(),
        QStringLiteral("wenner-alpha (wa), wenner-beta (wb), wenner-gamma (wg), schlumberger "
                       "(slm), dipole-dipole (dd), pole-dipole (pd), pole-pole (pp), gradient "
                       "(gr)"));
}

void TestArrays::optionRanges_data()
{
    QTest::addColumn<GenerateOptions>("opts");
    QTest::addColumn<bool>("valid");

    QTest::newRow("defaults") << GenerateOptions() << true;
    QTest::newRow("fewest electrodes") << options(4, 1, 1) << true;
    QTest::newRow("widest steps") << options(48, 47, 47) << true;
    QTest::newRow("3 electrodes") << options(3, 1, 1) << false;
    QTest::newRow("49 electrodes") << options(49, 1, 1) << false;
    QTest::newRow("a-max 0") << options(48, 0, 1) << false;
    QTest::newRow("a-max 48") << options(48, 48, 1) << false;
    QTest::newRow("n-max 0") << options(48, 1, 0) << false;
    QTest::newRow("n-max 48") << options(48, 1, 48) << false;
    QTest::newRow("negative") << options(-48, 1, 1) << false;
}

void TestArrays::optionRanges()
{
    QFETCH(GenerateOptions, opts);
    QFETCH(bool, valid);

    QCOMPARE(opts.isValid(), valid);
    // Out-of-range options must never reach a list: electrode 49 or more would be refused, and
    // huge steps would only spin.
    QVector<ArrayKind> kinds(std::begin(AllKinds), std::end(AllKinds));
    QCOMPARE(generateConfigurations(kinds, opts).isEmpty(), !valid);
}

void TestArrays::countsByHand_data()
{
    QTest::addColumn<ArrayKind>("kind");
    QTest::addColumn<GenerateOptions>("opts");
    QTest::addColumn<int>("count");

    // sum over a = 1..15 of 48 - 3a = 15 * 48 - 3 * 120
    QTest::newRow("wa a-max 15") << ArrayKind::WennerAlpha << options(48, 15, 6) << 360;
    QTest::newRow("wa a-max 47: no wider fits")
        << ArrayKind::WennerAlpha << options(48, 47, 6) << 360;
    QTest::newRow("wb defaults") << ArrayKind::WennerBeta << GenerateOptions() << 360;
    QTest::newRow("wg defaults") << ArrayKind::WennerGamma << GenerateOptions() << 360;
    // a = 1: 45 + 44 + 43, a = 2: 42 + 40 + 38
    QTest::newRow("dd a 2 n 3") << ArrayKind::DipoleDipole << options(48, 2, 3) << 252;
    // sum over n = 1..47 of 48 - n; a-max plays no part
    QTest::newRow("pp n 47") << ArrayKind::PolePole << options(48, 1, 47) << 1128;
    QTest::newRow("pp a-max ignored") << ArrayKind::PolePole << options(48, 47, 47) << 1128;
    // s = 6 dipoles at each of 48 - 8a positions, a = 1..5
    QTest::newRow("gr defaults") << ArrayKind::Gradient << GenerateOptions() << 720;
    // a = 1: 45 + 43 + 41, a = 2: 42 + 38 + 34
    QTest::newRow("slm a 2 n 3") << ArrayKind::Schlumberger << options(48, 2, 3) << 243;
    // a = 1: 46 + 45, a = 2: 44 + 42, a = 3: 42 + 39
    QTest::newRow("pd a 3 n 2") << ArrayKind::PoleDipole << options(48, 3, 2) << 258;
    QTest::newRow("wa on 4") << ArrayKind::WennerAlpha << options(4, 15, 6) << 1;
    QTest::newRow("dd on 4") << ArrayKind::DipoleDipole << options(4, 15, 6) << 1;
    QTest::newRow("pd on 4") << ArrayKind::PoleDipole << options(4, 15, 6) << 3;
    QTest::newRow("pp on 4") << ArrayKind::PolePole << options(4, 15, 6) << 6;
    QTest::newRow("gr on 4: nothing fits") << ArrayKind::Gradient << options(4, 15, 6) << 0;
    QTest::newRow("gr on 4, one dipole") << ArrayKind::Gradient << options(4, 15, 1) << 1;
    QTest::newRow("gr s 45 fits once") << ArrayKind::Gradient << options(48, 1, 45) << 45;
    QTest::newRow("gr s 47 fits nowhere") << ArrayKind::Gradient << options(48, 1, 47) << 0;
}

void TestArrays::countsByHand()
{
    QFETCH(ArrayKind, kind);
    QFETCH(GenerateOptions, opts);
    QFETCH(int, count);

    QCOMPARE(arrayConfigurations(kind, opts).size(), count);
    QCOMPARE(closedFormCount(kind, opts), count);
}

void TestArrays::countsClosedForm_data()
{
    QTest::addColumn<ArrayKind>("kind");
    QTest::addColumn<GenerateOptions>("opts");

    const GenerateOptions sets[] = { options(4, 1, 1), options(5, 15, 6), options(7, 2, 3),
        options(12, 3, 10), options(48, 1, 1), GenerateOptions(), options(48, 47, 47),
        options(30, 47, 2), options(48, 4, 47) };
    for (const ArrayKindName &entry : arrayKindNames()) {
        for (const GenerateOptions &o : sets) {
            QTest::addRow("%s E %d a %d n %d", entry.alias.data(), o.electrodes, o.aMax, o.nMax)
                << entry.kind << o;
        }
    }
}

void TestArrays::countsClosedForm()
{
    QFETCH(ArrayKind, kind);
    QFETCH(GenerateOptions, opts);

    QCOMPARE(arrayConfigurations(kind, opts).size(), closedFormCount(kind, opts));
}

void TestArrays::firstAndLast_data()
{
    QTest::addColumn<ArrayKind>("kind");
    QTest::addColumn<GenerateOptions>("opts");
    QTest::addColumn<Quadruple>("first");
    QTest::addColumn<Quadruple>("last");

    const GenerateOptions d;
    // With the defaults the widest a is 15 (i = 3) for all but pole-dipole, which at a = 15
    // still fits n = 2, pole-pole, which ends at n = 6, and gradient, whose current pair spans
    // 8a and so ends at a = 5.
    QTest::newRow("wa") << ArrayKind::WennerAlpha << d << Quadruple { 1, 4, 2, 3 }
                        << Quadruple { 3, 48, 18, 33 };
    QTest::newRow("wb") << ArrayKind::WennerBeta << d << Quadruple { 2, 1, 3, 4 }
                        << Quadruple { 18, 3, 33, 48 };
    QTest::newRow("wg") << ArrayKind::WennerGamma << d << Quadruple { 1, 3, 2, 4 }
                        << Quadruple { 3, 33, 18, 48 };
    QTest::newRow("slm") << ArrayKind::Schlumberger << d << Quadruple { 1, 4, 2, 3 }
                         << Quadruple { 3, 48, 18, 33 };
    QTest::newRow("dd") << ArrayKind::DipoleDipole << d << Quadruple { 2, 1, 3, 4 }
                        << Quadruple { 18, 3, 33, 48 };
    QTest::newRow("pd") << ArrayKind::PoleDipole << d << Quadruple { 1, 0, 2, 3 }
                        << Quadruple { 3, 0, 33, 48 };
    QTest::newRow("pp") << ArrayKind::PolePole << d << Quadruple { 1, 0, 2, 0 }
                        << Quadruple { 42, 0, 48, 0 };
    QTest::newRow("gr") << ArrayKind::Gradient << d << Quadruple { 1, 9, 2, 3 }
                        << Quadruple { 8, 48, 38, 43 };

    QTest::newRow("slm a 2 n 3") << ArrayKind::Schlumberger << options(48, 2, 3)
                                 << Quadruple { 1, 4, 2, 3 } << Quadruple { 34, 48, 40, 42 };
    QTest::newRow("dd on 10") << ArrayKind::DipoleDipole << options(10, 2, 2)
                              << Quadruple { 2, 1, 3, 4 } << Quadruple { 4, 2, 8, 10 };
    QTest::newRow("pd on 5") << ArrayKind::PoleDipole << options(5, 15, 6)
                             << Quadruple { 1, 0, 2, 3 } << Quadruple { 1, 0, 3, 5 };
    QTest::newRow("pp on 4") << ArrayKind::PolePole << options(4, 15, 6) << Quadruple { 1, 0, 2, 0 }
                             << Quadruple { 1, 0, 4, 0 };
    QTest::newRow("gr one dipole") << ArrayKind::Gradient << options(48, 15, 1)
                                   << Quadruple { 1, 4, 2, 3 } << Quadruple { 3, 48, 18, 33 };
    QTest::newRow("wg on 4") << ArrayKind::WennerGamma << options(4, 15, 6)
                             << Quadruple { 1, 3, 2, 4 } << Quadruple { 1, 3, 2, 4 };
}

void TestArrays::firstAndLast()
{
    QFETCH(ArrayKind, kind);
    QFETCH(GenerateOptions, opts);
    QFETCH(Quadruple, first);
    QFETCH(Quadruple, last);

    const QVector<Quadruple> list = generateConfigurations({ kind }, opts);
    QVERIFY(!list.isEmpty());
    QCOMPARE(list.first(), first);
    QCOMPARE(list.last(), last);
}

void TestArrays::wholeList_data()
{
    QTest::addColumn<QVector<ArrayKind>>("kinds");
    QTest::addColumn<GenerateOptions>("opts");
    QTest::addColumn<QByteArray>("text");

    // n before i: both n = 1 positions come ahead of the n = 2 ones.
    QTest::newRow("dd: a, then n, then i")
        << QVector<ArrayKind> { ArrayKind::DipoleDipole } << options(6, 1, 2)
        << QByteArray("2 1 3 4\n3 2 4 5\n4 3 5 6\n2 1 4 5\n3 2 5 6\n");
    // a before n: a = 2 with n = 1 comes after all of a = 1.
    QTest::newRow("pd: a outermost")
        << QVector<ArrayKind> { ArrayKind::PoleDipole } << options(5, 2, 2)
        << QByteArray("1 0 2 3\n2 0 3 4\n3 0 4 5\n1 0 3 4\n"
                      "2 0 4 5\n1 0 3 5\n");
    QTest::newRow("gr: k innermost")
        << QVector<ArrayKind> { ArrayKind::Gradient } << options(6, 2, 2)
        << QByteArray("1 5 2 3\n1 5 3 4\n2 6 3 4\n2 6 4 5\n");
    // Each current pair's dipoles in a chain: 3 4 then 4 5 for the pair 2 1.
    QTest::newRow("dd chained: a, then i, then n")
        << QVector<ArrayKind> { ArrayKind::DipoleDipole } << chained(options(6, 1, 2))
        << QByteArray("2 1 3 4\n2 1 4 5\n3 2 4 5\n3 2 5 6\n4 3 5 6\n");
    QTest::newRow("wa with reciprocals")
        << QVector<ArrayKind> { ArrayKind::WennerAlpha } << options(5, 15, 6, true)
        << QByteArray("1 4 2 3\n2 5 3 4\n2 3 1 4\n3 4 2 5\n");
    QTest::newRow("nothing fits") << QVector<ArrayKind> { ArrayKind::Gradient }
                                  << options(4, 15, 6, true) << QByteArray();
}

void TestArrays::wholeList()
{
    QFETCH(QVector<ArrayKind>, kinds);
    QFETCH(GenerateOptions, opts);
    QFETCH(QByteArray, text);

    QCOMPARE(electrodeListText(generateConfigurations(kinds, opts)), text);
}

void TestArrays::mixed_data()
{
    QTest::addColumn<QVector<ArrayKind>>("kinds");
    QTest::addColumn<GenerateOptions>("opts");
    // The expected list as the concatenation of single arrays, each filtered by hand.
    QTest::addColumn<QByteArray>("text");

    using K = ArrayKind;
    // Wenner alpha is Schlumberger with n = 1, so only slm n = 2 is new.
    QTest::newRow("wa slm") << QVector<K> { K::WennerAlpha, K::Schlumberger } << options(8, 2, 2)
                            << QByteArray("1 4 2 3\n2 5 3 4\n3 6 4 5\n4 7 5 6\n5 8 6 7\n"
                                          "1 7 3 5\n2 8 4 6\n"
                                          "1 6 3 4\n2 7 4 5\n3 8 5 6\n");
    QTest::newRow("slm wa: wa adds nothing")
        << QVector<K> { K::Schlumberger, K::WennerAlpha } << options(8, 2, 2)
        << QByteArray("1 4 2 3\n2 5 3 4\n3 6 4 5\n4 7 5 6\n5 8 6 7\n"
                      "1 6 3 4\n2 7 4 5\n3 8 5 6\n"
                      "1 7 3 5\n2 8 4 6\n");
    // Wenner beta is dipole-dipole with n = 1.
    QTest::newRow("wb dd") << QVector<K> { K::WennerBeta, K::DipoleDipole } << options(6, 1, 2)
                           << QByteArray("2 1 3 4\n3 2 4 5\n4 3 5 6\n2 1 4 5\n3 2 5 6\n");
    // Gradient with a single dipole is Wenner alpha.
    QTest::newRow("gr s 1 wa") << QVector<K> { K::Gradient, K::WennerAlpha } << options(7, 2, 1)
                               << QByteArray("1 4 2 3\n2 5 3 4\n3 6 4 5\n4 7 5 6\n1 7 3 5\n");
    QTest::newRow("same array twice")
        << QVector<K> { K::PolePole, K::PolePole } << options(4, 1, 2)
        << QByteArray("1 0 2 0\n2 0 3 0\n3 0 4 0\n1 0 3 0\n2 0 4 0\n");
    QTest::newRow("disjoint arrays keep all") << QVector<K> { K::PolePole,
        K::WennerGamma } << options(4, 1, 1) << QByteArray("1 0 2 0\n2 0 3 0\n3 0 4 0\n1 3 2 4\n");
}

void TestArrays::mixed()
{
    QFETCH(QVector<ArrayKind>, kinds);
    QFETCH(GenerateOptions, opts);
    QFETCH(QByteArray, text);

    QCOMPARE(electrodeListText(generateConfigurations(kinds, opts)), text);
}

void TestArrays::swappedVariantsAreOneConfiguration_data()
{
    QTest::addColumn<Quadruple>("earlier");
    QTest::addColumn<Quadruple>("later");
    QTest::addColumn<bool>("same");

    const Quadruple q { 2, 1, 3, 4 };
    QTest::newRow("identical") << q << q << true;
    QTest::newRow("A and B swapped") << q << Quadruple { 1, 2, 3, 4 } << true;
    QTest::newRow("M and N swapped") << q << Quadruple { 2, 1, 4, 3 } << true;
    QTest::newRow("both swapped") << q << Quadruple { 1, 2, 4, 3 } << true;
    QTest::newRow("remote B swapped")
        << Quadruple { 5, 0, 6, 7 } << Quadruple { 0, 5, 6, 7 } << true;
    QTest::newRow("reciprocal is another") << q << reciprocal(q) << false;
    QTest::newRow("pairs crossed") << q << Quadruple { 2, 3, 1, 4 } << false;
    QTest::newRow("one electrode moved") << q << Quadruple { 2, 1, 3, 5 } << false;
    // Keys must not alias values at the ends of an electrode byte or that differ in sign.
    QTest::newRow("far values") << Quadruple { -128, 2, 3, 4 } << Quadruple { 127, 2, 3, 4 }
                                << false;
    QTest::newRow("negative") << Quadruple { -1, 2, 3, 4 } << Quadruple { 1, 2, 3, 4 } << false;
}

void TestArrays::swappedVariantsAreOneConfiguration()
{
    QFETCH(Quadruple, earlier);
    QFETCH(Quadruple, later);
    QFETCH(bool, same);

    ConfigurationSet set;
    QVERIFY(set.insert(earlier));
    QCOMPARE(set.insert(later), !same);
    QVERIFY(!set.insert(later));
}

void TestArrays::reciprocals()
{
    const QVector<ArrayKind> kinds(std::begin(AllKinds), std::end(AllKinds));
    GenerateOptions opts;
    const QVector<Quadruple> forward = generateConfigurations(kinds, opts);
    opts.reciprocals = true;
    const QVector<Quadruple> both = generateConfigurations(kinds, opts);

    // None of the standard arrays is the reciprocal of another, so every reciprocal stays.
    QCOMPARE(both.size(), 2 * forward.size());
    QCOMPARE(both.mid(0, forward.size()), forward);
    for (int i = 0; i < forward.size(); ++i) {
        const Quadruple &f = forward.at(i);
        QCOMPARE(both.at(forward.size() + i), (Quadruple { f.m, f.n, f.a, f.b }));
    }
}

void TestArrays::everyOutputIsSound_data()
{
    QTest::addColumn<QVector<ArrayKind>>("kinds");
    QTest::addColumn<GenerateOptions>("opts");

    const GenerateOptions sets[] = { GenerateOptions(), options(48, 47, 47, true),
        options(4, 1, 1, true), options(9, 3, 3, true), options(48, 15, 6, true) };
    for (const GenerateOptions &o : sets) {
        const QByteArray suffix = QByteArray(" E ") + QByteArray::number(o.electrodes) + " a "
            + QByteArray::number(o.aMax) + " n " + QByteArray::number(o.nMax)
            + (o.reciprocals ? " r" : "");
        for (const ArrayKindName &entry : arrayKindNames()) {
            QTest::newRow((QByteArray(entry.alias.data()) + suffix).constData())
                << QVector<ArrayKind> { entry.kind } << o;
        }
        QVector<ArrayKind> all(std::begin(AllKinds), std::end(AllKinds));
        QTest::newRow(("all" + suffix).constData()) << all << o;
        std::reverse(all.begin(), all.end());
        QTest::newRow(("all reversed" + suffix).constData()) << all << o;
    }
}

void TestArrays::everyOutputIsSound()
{
    QFETCH(QVector<ArrayKind>, kinds);
    QFETCH(GenerateOptions, opts);

    const QVector<Quadruple> list = generateConfigurations(kinds, opts);
    std::set<std::array<int, 4>> seen;
    for (const Quadruple &q : list) {
        const QByteArray where = describe(q);
        // What the converter accepts.
        QVERIFY2(q.a >= 1 && q.a <= opts.electrodes, where);
        QVERIFY2(q.m >= 1 && q.m <= opts.electrodes, where);
        QVERIFY2(q.b >= 0 && q.b <= opts.electrodes, where);
        QVERIFY2(q.n >= 0 && q.n <= opts.electrodes, where);
        // No repeated electrode; remote ones don't count.
        QVERIFY2(q.a != q.b, where);
        QVERIFY2(q.m != q.n || q.m == 0, where);
        for (int current : { q.a, q.b }) {
            QVERIFY2(current == 0 || (current != q.m && current != q.n), where);
        }
        QVERIFY2(std::abs(signal(q)) > 1e-9, where);
        QVERIFY2(seen.insert(unordered(q)).second, where);
    }
}

void TestArrays::roundTrip_data()
{
    QTest::addColumn<QVector<ArrayKind>>("kinds");
    QTest::addColumn<GenerateOptions>("opts");

    const QVector<ArrayKind> all(std::begin(AllKinds), std::end(AllKinds));
    QTest::newRow("all, defaults, reciprocals") << all << options(48, 15, 6, true);
    QTest::newRow("all, widest") << all << options(48, 47, 47);
    QTest::newRow("pp on 4") << QVector<ArrayKind> { ArrayKind::PolePole } << options(4, 1, 3);
}

void TestArrays::roundTrip()
{
    QFETCH(QVector<ArrayKind>, kinds);
    QFETCH(GenerateOptions, opts);

    const QVector<Quadruple> list = generateConfigurations(kinds, opts);
    QByteArray text = electrodeListText(list);
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::ReadOnly));

    const ListResult read = readElectrodeList(&buffer);
    QVERIFY2(read.ok(), qPrintable(read.message + QLatin1Char(' ') + read.informativeText()));
    QCOMPARE(read.quadruples, list);
}

void TestArrays::percentOf_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("rows");

    QTest::newRow("half of 7 rounds up") << 7 << 50 << 4;
    QTest::newRow("1.5 rounds up") << 150 << 1 << 2;
    QTest::newRow("1.49 rounds down") << 149 << 1 << 1;
    QTest::newRow("a third of 1000") << 1000 << 33 << 330;
    QTest::newRow("any share asks for one") << 49 << 1 << 1;
    QTest::newRow("no share") << 1000 << 0 << 0;
    QTest::newRow("of nothing") << 0 << 50 << 0;
    QTest::newRow("all of the largest list") << 67108864 << 100 << 67108864;
}

void TestArrays::percentOf()
{
    QFETCH(int, count);
    QFETCH(int, percent);
    QFETCH(int, rows);

    QCOMPARE(Kgw::percentOf(count, percent), rows);
}

// On 8 electrodes, dipole-dipole of n = 1 gives the five a = 1 rows (2 1 3 4) .. (6 5 7 8),
// |K| = 6 pi, dipoles 1 long, and the two a = 2 rows (3 1 5 7) and (4 2 6 8), |K| = 12 pi,
// dipoles 2 long; pole-pole of n = 1 gives seven rows with a remote N, longer than any dipole.
// A row is counted by the first step that drops it: |K|, then --exclude, then --max-dipole.
void TestArrays::arrayList_data()
{
    QTest::addColumn<Kgw::ArrayKind>("kind");
    QTest::addColumn<int>("nMax");
    QTest::addColumn<double>("factorLimit"); // metres, at a 1 m spacing
    QTest::addColumn<QString>("excluded");
    QTest::addColumn<int>("maxDipole");
    QTest::addColumn<int>("emptied");
    QTest::addColumn<int>("rows"); // what is written
    // Left out over |K|, using an excluded electrode, over --max-dipole.
    QTest::addColumn<QVector<int>>("counts");

    const ArrayKind dd = ArrayKind::DipoleDipole;
    const double inf = qInf();
    using C = QVector<int>;
    // The a = 1 rows' own |K|, so that they stand exactly at the limit.
    const double atLimit = std::abs(geometricFactor(Quadruple { 2, 1, 3, 4 }, 1));
    QTest::newRow("|K| at the limit kept")
        << dd << 1 << atLimit << "" << 0 << 0 << 5 << C { 2, 0, 0 };
    QTest::newRow("|K| just past the limit") << dd << 1 << std::nextafter(atLimit, 0.0) << "" << 0
                                             << int(ArrayList::ByFactorLimit) << 0 << C { 7, 0, 0 };
    // (4 2 6 8) uses 8 too, but |K| dropped it first.
    QTest::newRow("|K| before --exclude")
        << dd << 1 << atLimit << "8" << 0 << 0 << 4 << C { 2, 1, 0 };
    // (3 1 5 7) is 2 long too, but uses 1.
    QTest::newRow("--exclude before --max-dipole")
        << dd << 1 << inf << "1" << 1 << 0 << 4 << C { 0, 2, 1 };
    QTest::newRow("every row excluded")
        << dd << 1 << inf << "4-5" << 0 << int(ArrayList::ByExcluded) << 0 << C { 0, 7, 0 };
    QTest::newRow("every dipole too long") << ArrayKind::PolePole << 1 << inf << "" << 1
                                           << int(ArrayList::ByMaxDipole) << 0 << C { 0, 0, 7 };
    // Gradient of s = 7 needs 9 electrodes.
    QTest::newRow("nothing fits") << ArrayKind::Gradient << 7 << inf << "" << 0
                                  << int(ArrayList::NothingFits) << 0 << C { 0, 0, 0 };
}

void TestArrays::arrayList()
{
    QFETCH(Kgw::ArrayKind, kind);
    QFETCH(int, nMax);
    QFETCH(double, factorLimit);
    QFETCH(QString, excluded);
    QFETCH(int, maxDipole);
    QFETCH(int, emptied);
    QFETCH(int, rows);
    QFETCH(QVector<int>, counts);

    ArrayListRequest request;
    request.kinds = { kind };
    request.options.electrodes = 8;
    request.options.aMax = 2;
    request.options.nMax = nMax;
    request.spacingMetres = 1;
    request.factorLimitMetres = factorLimit;
    QString error;
    if (!excluded.isEmpty())
        request.excluded = *parseElectrodeSet(excluded, &error);
    request.rules.maxDipole = maxDipole;
    const ArrayList list = makeArrayList(request);
    QCOMPARE(int(list.emptied), emptied);
    QCOMPARE(list.configurations.size(), rows);
    QCOMPARE(
        (QVector<int> { list.overFactorLimit, list.usingExcluded, list.overMaxDipole }), counts);
}

// Line rows reach past the cable, to the longest line, in the cable's order.
void TestArrays::alongTheWholeLine()
{
    GenerateOptions options;
    options.electrodes = Kgw::MaxLinePositions;
    options.nMax = 2;
    const QVector<Kgw::LineQuadruple> rows
        = Kgw::arrayConfigurations<Kgw::LineQuadruple>(ArrayKind::PolePole, options);
    QCOMPARE(rows.size(), 999 + 998);
    QVERIFY(rows.constFirst() == Kgw::LineQuadruple(1, 0, 2, 0));
    QVERIFY(rows.at(998) == Kgw::LineQuadruple(999, 0, 1000, 0));
    QVERIFY(rows.constLast() == Kgw::LineQuadruple(998, 0, 1000, 0));
    options.electrodes = Kgw::MaxLinePositions + 1;
    QVERIFY(Kgw::arrayConfigurations<Kgw::LineQuadruple>(ArrayKind::PolePole, options).isEmpty());
}

QTEST_GUILESS_MAIN(TestArrays)
#include "tst_arrays.moc"
