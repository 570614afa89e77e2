#include "designdocument.h"
#include "findingsmodel.h"

#include <QtTest>

// What the window's document knows of what is saved where, and the findings it shows: rules
// that need no window.
class TestDesignDocument : public QObject
{
    Q_OBJECT

private slots:
    void whatSaveWritesOver_data();
    void whatSaveWritesOver();
    void everyFindingHasItsRow();
};

using Step = std::function<void(DesignDocument &)>;
Q_DECLARE_METATYPE(Step)

void TestDesignDocument::whatSaveWritesOver_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<quint64>("shown"); // the sequence on show
    QTest::addColumn<QString>("content"); // its content key
    QTest::addColumn<QString>("target"); // what Save writes over; empty when it asks
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("modified");

    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    const Step nothing = [](DesignDocument &) {};
    const Step saved = [](DesignDocument &d) { d.saved(QStringLiteral("/w/line.KGW"), 7, "a"); };
    const Step opened = [](DesignDocument &d) { d.opened(QStringLiteral("/w/mine.txt"), 7, "a"); };
    QTest::newRow("nothing saved") << nothing << quint64(7) << a << ""
                                   << "untitled" << true;
    QTest::newRow("saved, unchanged") << saved << quint64(7) << a << "/w/line.KGW"
                                      << "line.KGW" << false;
    QTest::newRow("saved, ordered since") << saved << quint64(7) << b << "/w/line.KGW"
                                          << "line.KGW" << true;
    QTest::newRow("saved, another list made since") << saved << quint64(8) << a << ""
                                                    << "untitled" << true;
    // An opened list is the crew's own: Save never writes over it.
    QTest::newRow("opened") << opened << quint64(7) << a << ""
                            << "mine.txt" << false;
    QTest::newRow("opened, another spacing since") << opened << quint64(7) << b << ""
                                                   << "mine.txt" << true;
}

void TestDesignDocument::whatSaveWritesOver()
{
    QFETCH(Step, step);
    QFETCH(quint64, shown);
    QFETCH(QString, content);
    QFETCH(QString, target);
    QFETCH(QString, title);
    QFETCH(bool, modified);

    DesignDocument document;
    step(document);
    QCOMPARE(document.saveTarget(shown), target);
    QCOMPARE(document.title(shown), title);
    QCOMPARE(document.isModified(shown, content), modified);
    QCOMPARE(document.wasSaved(shown), !target.isEmpty());
}

void TestDesignDocument::everyFindingHasItsRow()
{
    // 1500 repeats of one configuration: each after the first duplicates line 1.
    auto field = std::make_shared<FieldList>();
    field->quadruples.fill(Kgw::Quadruple { 1, 2, 4, 3 }, 1500);
    field->report = Kgw::checkQuadruples(field->quadruples, 1, Kgw::CheckOptions());
    FindingsModel model;
    model.setField(field);
    QCOMPARE(model.rowCount(), 1499);
    const int last = model.rowCount() - 1;
    QCOMPARE(model.index(last, FindingsModel::LineColumn).data().toInt(), 1500);
    QCOMPARE(model.index(last, FindingsModel::ConfigurationColumn).data().toString(),
        QStringLiteral("1 2 4 3"));
    QCOMPARE(model.index(last, FindingsModel::FindingColumn).data().toString(),
        QStringLiteral("Duplicate of line 1"));
    QCOMPARE(model.configuration(last)->n, qint8(3));
    model.setField(nullptr);
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TestDesignDocument)
#include "tst_designdocument.moc"
