#include "designwindow.h"
#include "findingsview.h"
#include "groundsection.h"
#include "pictureview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "testsupport.h"

namespace {

// Closes the next modal window once it is up, pressing `button` where it is a message box, and
// says what it was.
QString *answerNextModal(QMessageBox::StandardButton button)
{
    auto *seen = new QString;
    QTimer::singleShot(0, [seen, button] {
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000))
            return;
        QWidget *modal = QApplication::activeModalWidget();
        *seen = modal->windowTitle();
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box && box->button(button))
            box->button(button)->click();
        else
            modal->close();
    });
    return seen;
}

bool waitIdle(DesignSession *session)
{
    return QTest::qWaitFor([&] { return !session->hasPendingWork(); }, 120000);
}

} // namespace

class TestDesignWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void boxes_data();
    void boxes();
    void staleUntilWorkedOut();
    void designingSaysSo();
    void typedDecimalsSurviveARestart();
    void findingsOfTheListOnShow();
    void firstSight();
    void cancelKeepsTheWindowAnswering();
    void draggedRegionBecomesTheTarget();
    void savesAndOpens();
    void refusedFileSaysWhy();
    void saveNeverWritesOverAnotherList();
    void quittingAsksForAnUnsavedDesign();
    void lineSavedInSpreads();
    void impossibleLineRefused();
    void groundLoadedAndDrawnOn();
    void refusedGroundSaysWhere();
    void testComparesTheImages();

private:
    void setSmallCable(DesignWindow &window);
    // Wenner-alpha of a = 1 along a line of 12 positions, 2.5 m apart, with a cable of 6.
    void setSmallLine(DesignWindow &window, int move);
};

void TestDesignWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("KGW tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_designwindow"));
}

void TestDesignWindow::init()
{
    QSettings().clear();
}

void TestDesignWindow::setSmallCable(DesignWindow &window)
{
    window.findChild<QSpinBox *>(QStringLiteral("electrodes"))->setValue(12);
}

void TestDesignWindow::boxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    // One accepted and one refused per panel; the rules themselves are the settings' to test.
    QTest::newRow("cable: spacing with a comma") << "spacing"
                                                 << "1,5" << true;
    QTest::newRow("cable: spacing with a blank") << "spacing"
                                                 << "1 5" << false;
    QTest::newRow("instrument: seconds") << "secondsPerInjection"
                                         << "2,5" << true;
    QTest::newRow("instrument: seconds over an hour") << "secondsPerInjection"
                                                      << "3601" << false;
    QTest::newRow("sequence: target") << "target"
                                      << "0:10,0:5" << true;
    QTest::newRow("sequence: target backwards") << "target"
                                                << "10:0,0:5" << false;
    QTest::newRow("sequence: base arrays") << "baseArrays"
                                           << "wa,dd" << true;
    QTest::newRow("sequence: unknown base array") << "baseArrays"
                                                  << "wa,xx" << false;
}

void TestDesignWindow::boxes()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    DesignWindow window;
    window.show();
    // The design's boxes count only for a design.
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::Design));
    auto *edit = window.findChild<QLineEdit *>(box);
    QVERIFY(edit);
    // Everything the session was given, the seconds per injection, which only the summary
    // uses, included.
    const auto given = [&] {
        const DesignSettings &now = window.session()->settings();
        return now.modelKey() + now.sequenceKey() + now.orderKey()
            + QString::number(now.instrument.secondsPerInjection.value_or(0));
    };
    const QString before = given();
    // As one edit, as a paste is, so that no prefix of the text counts on its own.
    edit->selectAll();
    edit->insert(text);
    QCOMPARE(given() != before, accepted);
    // What is wrong is said beside the box.
    auto *problem = window.findChild<QLabel *>(box + QStringLiteral("Problem"));
    QVERIFY(problem);
    QCOMPARE(problem->isVisible(), !accepted);
    QCOMPARE(problem->text().isEmpty(), accepted);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDesignWindow::staleUntilWorkedOut()
{
    DesignWindow window;
    window.show();
    setSmallCable(window);
    QVERIFY(waitIdle(window.session()));
    PictureView *resolution = window.pictureView(DesignWindow::ResolutionView);
    QVERIFY(resolution->hasPicture());
    QVERIFY(window.isWindowModified());
    auto *saveAs = window.findChild<QAction *>(QStringLiteral("saveAs"));
    QVERIFY(saveAs->isEnabled());

    // A red box holds everything back, saving too: the list on show is not what the boxes say.
    auto *spacing = window.findChild<QLineEdit *>(QStringLiteral("spacing"));
    auto *stage = window.findChild<QLabel *>(QStringLiteral("stage"));
    spacing->selectAll();
    spacing->insert(QStringLiteral("2x"));
    QVERIFY(!saveAs->isEnabled());
    QVERIFY(window.session()->isCurrent(DesignSession::Figures));
    const QString redBox = stage->text();
    QVERIFY(!redBox.isEmpty());

    // Mended as it was, nothing needs working out, and nothing is held back any more.
    spacing->selectAll();
    spacing->insert(QStringLiteral("5"));
    QVERIFY(saveAs->isEnabled());
    QVERIFY(stage->text() != redBox);

    spacing->selectAll();
    QTest::keyClicks(spacing, QStringLiteral("2"));
    QVERIFY(!window.session()->isCurrent(DesignSession::Figures));
    QVERIFY(!saveAs->isEnabled());
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.session()->isCurrent(DesignSession::Figures));
    QVERIFY(saveAs->isEnabled());
    QCOMPARE(window.session()->settings().cable.spacingMetres, 2.0);
}

void TestDesignWindow::designingSaysSo()
{
    DesignWindow window;
    window.show();
    setSmallCable(window);
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::Design));
    QVERIFY(waitIdle(window.session()));
    PictureView *resolution = window.pictureView(DesignWindow::ResolutionView);
    const QString before = resolution->message();
    window.findChild<QPushButton *>(QStringLiteral("designButton"))->click();
    QVERIFY(window.session()->isDesigning());
    QVERIFY(!resolution->message().isEmpty());
    QVERIFY(resolution->message() != before);
    QVERIFY(waitIdle(window.session()));
    QVERIFY(resolution->hasPicture());
    QVERIFY(resolution->message().isEmpty());
}

void TestDesignWindow::typedDecimalsSurviveARestart()
{
    const QString typed = QStringLiteral("0,0000000001");
    {
        DesignWindow window;
        setSmallCable(window);
        auto *resistivity = window.findChild<QLineEdit *>(QStringLiteral("resistivity"));
        resistivity->selectAll();
        resistivity->insert(typed);
        QVERIFY(waitIdle(window.session()));
    }
    DesignWindow window;
    auto *resistivity = window.findChild<QLineEdit *>(QStringLiteral("resistivity"));
    QCOMPARE(resistivity->text(), typed);
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("resistivityProblem"))->isHidden());
    QCOMPARE(window.session()->settings().cable.survey.resistivity, 1e-10);
    // Whatever the model makes of such a ground, the window says it, rather than working on.
    QVERIFY(waitIdle(window.session()));
    PictureView *view = window.pictureView(DesignWindow::ResolutionView);
    QVERIFY(view->hasPicture() || !window.session()->error().isEmpty());
    QVERIFY(!view->message().endsWith(QChar(0x2026)));
}

void TestDesignWindow::findingsOfTheListOnShow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Two findings in a list of its own; the arrays on the same cable have none.
    QVERIFY(writeBytes(dir, QStringLiteral("twice.txt"), "1 2 3 4\n1 2 3 4\n1 2 4 3\n"));
    DesignWindow window;
    window.show();
    setSmallCable(window);
    QVERIFY(window.openFile(dir.filePath(QStringLiteral("twice.txt"))));
    QVERIFY(waitIdle(window.session()));
    auto *views = window.findChild<QTabWidget *>();
    QCOMPARE(views->tabText(DesignWindow::FindingsView), QStringLiteral("Findings (2)"));
    QCOMPARE(window.findingsView()->model()->rowCount(), 2);

    // Another sequence: not a row of the opened list's stays, and the count is the summary's.
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::StandardArrays));
    QCOMPARE(window.findingsView()->model()->rowCount(), 0);
    QVERIFY(waitIdle(window.session()));
    QCOMPARE(views->tabText(DesignWindow::FindingsView), QStringLiteral("Findings"));
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("summary"))
                ->text()
                .contains(QStringLiteral("Findings</b></td><td>none")));

    // A change the list is not worked out for yet: its findings stay, said to be out of date.
    auto *spacing = window.findChild<QLineEdit *>(QStringLiteral("spacing"));
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::OpenedList));
    QVERIFY(waitIdle(window.session()));
    spacing->selectAll();
    spacing->insert(QStringLiteral("2"));
    QCOMPARE(window.findingsView()->model()->rowCount(), 2);
    QVERIFY(!window.findingsView()->staleText().isEmpty());
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.findingsView()->staleText().isEmpty());
}

void TestDesignWindow::firstSight()
{
    DesignWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The main action is in sight at the size the window opens at.
    auto *design = window.findChild<QPushButton *>(QStringLiteral("designButton"));
    QVERIFY(!design->visibleRegion().isEmpty());
    QVERIFY(window.rect().contains(QRect(design->mapTo(&window, QPoint()), design->size())));

    // Ordered for the field once there is more than one channel, unless the crew says not.
    auto *order = window.findChild<QCheckBox *>(QStringLiteral("enabled"));
    QVERIFY(!order->isChecked());
    window.findChild<QSpinBox *>(QStringLiteral("channels"))->setValue(8);
    QVERIFY(order->isChecked());
    QVERIFY(window.session()->settings().order.enabled);
    order->click();
    window.findChild<QSpinBox *>(QStringLiteral("channels"))->setValue(6);
    QVERIFY(!order->isChecked());
    QVERIFY(!window.session()->settings().order.enabled);
    window.session()->cancel();
}

void TestDesignWindow::cancelKeepsTheWindowAnswering()
{
    DesignWindow window;
    window.show();
    auto *cancel = window.findChild<QPushButton *>(QStringLiteral("cancelButton"));
    // The full cable's model takes long enough to be stopped half-way.
    QVERIFY(QTest::qWaitFor([&] { return window.session()->isBusy(); }, 5000));
    QTRY_VERIFY(cancel->isVisible());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(waitIdle(window.session()));
    QVERIFY(!cancel->isVisible());
    QVERIFY(!window.session()->isCurrent(DesignSession::Model));
}

void TestDesignWindow::draggedRegionBecomesTheTarget()
{
    DesignWindow window;
    window.resize(1200, 800);
    window.show();
    setSmallCable(window);
    QVERIFY(waitIdle(window.session()));
    PictureView *view = window.pictureView(DesignWindow::ResolutionView);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint centre = view->rect().center();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, centre - QPoint(60, 20));
    QTest::mouseMove(view, centre + QPoint(60, 40));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, centre + QPoint(60, 40));
    auto *target = window.findChild<QLineEdit *>(QStringLiteral("target"));
    QVERIFY(!target->text().isEmpty());
    QVERIFY(target->property("problem").toString().isEmpty());
    const std::optional<Kgw::TargetRegion> region = window.session()->settings().sequence.target;
    QVERIFY(region);
    // The middle of a cable of 12 electrodes 5 m apart lies at 27.5 m.
    QVERIFY(region->x0 < 27.5 && region->x1 > 27.5);
}

void TestDesignWindow::savesAndOpens()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignWindow window;
    window.show();
    setSmallCable(window);
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.isWindowModified());
    const QString saved = dir.filePath(QStringLiteral("line.KGW"));
    QVERIFY(window.saveTo(saved, formatForName(saved)));
    QVERIFY(!window.isWindowModified());
    QCOMPARE(window.windowTitle(), QStringLiteral("line.KGW[*] - KGW design"));

    DesignWindow reopened;
    QVERIFY(reopened.openFile(saved));
    QCOMPARE(reopened.findChild<QComboBox *>(QStringLiteral("source"))->currentIndex(),
        int(SequenceSource::OpenedList));
    QVERIFY(waitIdle(reopened.session()));
    QCOMPARE(reopened.session()->field()->quadruples, window.session()->field()->quadruples);
    QVERIFY(!reopened.isWindowModified());
}

void TestDesignWindow::refusedFileSaysWhy()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir, QStringLiteral("bad.txt"), "1 2 3 4\n1 2 3 60\n"));
    DesignWindow window;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
            return;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->close();
        }
    });
    QVERIFY(!window.openFile(dir.filePath(QStringLiteral("bad.txt"))));
    QVERIFY2(shown.contains(QStringLiteral("Line 2")), qPrintable(shown));
    QVERIFY(!window.session()->hasOpenedSequence());
}

void TestDesignWindow::saveNeverWritesOverAnotherList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray mine = "1 2 3 4\n2 3 4 5\n";
    QVERIFY(writeBytes(dir, QStringLiteral("mine.txt"), mine));
    DesignWindow window;
    window.show();
    setSmallCable(window);
    QVERIFY(window.openFile(dir.filePath(QStringLiteral("mine.txt"))));
    QVERIFY(waitIdle(window.session()));
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::StandardArrays));
    QVERIFY(waitIdle(window.session()));
    QCOMPARE(window.windowTitle(), QStringLiteral("untitled[*] - KGW design"));
    // The arrays are another list: Save asks where, rather than writing over the opened one.
    const std::unique_ptr<QString> asked(answerNextModal(QMessageBox::Cancel));
    window.findChild<QAction *>(QStringLiteral("save"))->trigger();
    QCOMPARE(*asked, QStringLiteral("Save sequence"));
    QCOMPARE(readBytes(dir, QStringLiteral("mine.txt")), mine);
}

void TestDesignWindow::quittingAsksForAnUnsavedDesign()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignWindow window;
    window.show();
    setSmallCable(window);
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::Design));
    window.findChild<QSpinBox *>(QStringLiteral("measurements"))->setValue(20);
    auto *target = window.findChild<QLineEdit *>(QStringLiteral("target"));
    target->selectAll();
    target->insert(QStringLiteral("5:40,0:5"));
    window.findChild<QPushButton *>(QStringLiteral("designButton"))->click();
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.session()->lastDesign());
    // A targeted design's summary gives the figure in the target.
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("summary"))
                ->text()
                .contains(QStringLiteral("In the target")));

    const std::unique_ptr<QString> asked(answerNextModal(QMessageBox::Cancel));
    QVERIFY(!window.close());
    QCOMPARE(*asked, QStringLiteral("KGW design"));
    QVERIFY(window.isVisible());

    const QString saved = dir.filePath(QStringLiteral("design.KGW"));
    QVERIFY(window.saveTo(saved, formatForName(saved)));
    QVERIFY(window.close());
}

void TestDesignWindow::setSmallLine(DesignWindow &window, int move)
{
    window.findChild<QSpinBox *>(QStringLiteral("electrodes"))->setValue(6);
    auto *spacing = window.findChild<QLineEdit *>(QStringLiteral("spacing"));
    spacing->selectAll();
    spacing->insert(QStringLiteral("2,5"));
    for (QCheckBox *array : window.findChildren<QCheckBox *>(QRegularExpression("^array-")))
        array->setChecked(array->objectName() == QLatin1String("array-wa"));
    window.findChild<QSpinBox *>(QStringLiteral("aMax"))->setValue(1);
    window.findChild<QSpinBox *>(QStringLiteral("positions"))->setValue(12);
    window.findChild<QSpinBox *>(QStringLiteral("move"))->setValue(move);
}

void TestDesignWindow::lineSavedInSpreads()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignWindow window;
    window.show();
    auto *saveSpreads = window.findChild<QAction *>(QStringLiteral("saveSpreads"));
    QVERIFY(!saveSpreads->isEnabled());
    setSmallLine(window, 4);
    QVERIFY(waitIdle(window.session()));
    // Spreads 1-6, 5-10 and 7-12, as kgw rollalong plans them.
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("linePlan"))
                ->text()
                .startsWith(QStringLiteral(
                    "line: 12 electrodes at 2.500 m; a cable of 6 moved by 4: 3 spreads\n")));
    QVERIFY(window.pictureView(DesignWindow::LineView)->hasPicture());
    QVERIFY(saveSpreads->isEnabled());

    QTimer::singleShot(0, [&dir] {
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000))
            return;
        QWidget *modal = QApplication::activeModalWidget();
        auto *chooser = qobject_cast<QFileDialog *>(modal);
        if (!chooser) {
            modal->close();
            return;
        }
        chooser->setDirectory(dir.path());
        QMetaObject::invokeMethod(chooser, "accept");
    });
    saveSpreads->trigger();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
        QStringList({ "line-1.KGW", "line-2.KGW", "line-3.KGW", "line.dat" }));
    // Spread 3 starts at 7, so Wenner-alpha at 7 stands first on its cable at 1.
    const QVector<Kgw::Quadruple> wenner { { 2, 5, 3, 4 }, { 3, 6, 4, 5 } };
    QCOMPARE(readBytes(dir, QStringLiteral("line-3.KGW")), sequenceFileOf(wenner, 2500));
}

void TestDesignWindow::impossibleLineRefused()
{
    DesignWindow window;
    window.show();
    setSmallLine(window, 7);
    QVERIFY(waitIdle(window.session()));
    auto *problem = window.findChild<QLabel *>(QStringLiteral("moveProblem"));
    QVERIFY(problem->isVisible());
    QString impossible;
    QVERIFY(!Kgw::SpreadLayout::plan(12, 6, 7, &impossible));
    QCOMPARE(problem->text(), impossible);
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("saveSpreads"))->isEnabled());
}

void TestDesignWindow::groundLoadedAndDrawnOn()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir, QStringLiteral("g.ground"), "background 100\nblock 20 35 2 6 10\n"));
    DesignWindow window;
    window.resize(1200, 800);
    window.show();
    setSmallCable(window);
    QVERIFY(window.openGround(dir.filePath(QStringLiteral("g.ground"))));
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.findChild<PictureView *>(QStringLiteral("groundReadingsView"))->hasPicture());
    const QString voltage = window.findChild<QLabel *>(QStringLiteral("groundVoltage"))->text();
    QVERIFY2(voltage.startsWith(QStringLiteral("voltage: ")) && voltage.endsWith("at 100 mA"),
        qPrintable(voltage));
    // The sections are the ground's.
    const SequenceFigures *figures = window.session()->figures();
    QVERIFY(figures && figures->sensitivityPlot && figures->resolutionPlot);
    QVERIFY2(figures->resolutionPlot->title().contains(QStringLiteral(" over g.ground")),
        qPrintable(figures->resolutionPlot->title()));
    QVERIFY(figures->sensitivityPlot->title().contains(QStringLiteral(" over g.ground")));

    // A block 10 to 20 m along and 2 to 4 m deep, dragged where the view shows those metres.
    window.findChild<QTabWidget *>()->setCurrentIndex(DesignWindow::GroundView);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PictureView *view = window.pictureView(DesignWindow::GroundView);
    const Kgw::SectionPlot plot = Kgw::groundSectionPlot(Kgw::Ground(100), 12, 5, QString());
    const QTransform placed = Kgw::fitInto(plot.size(), QRectF(view->rect()));
    const auto pixel
        = [&](double x, double z) { return placed.map(plot.frame().toPicture(x, z)).toPoint(); };
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, pixel(10, 2));
    QTest::mouseMove(view, pixel(20, 4));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, pixel(20, 4));
    const std::shared_ptr<const Kgw::Ground> ground = window.document().ground();
    QCOMPARE(ground->shapeCount(), 2);
    const Kgw::Ground::Shape &block = ground->shape(1);
    // Within a cell of the section drawn, and the tenth of a metre a drag is rounded to.
    const double cell = Kgw::groundSectionArea(12, 5).width() / 460 + 0.05;
    QVERIFY2(qAbs(block.x0 - 10) <= cell && qAbs(block.x1 - 20) <= cell
            && qAbs(block.z0 - 2) <= cell && qAbs(block.z1 - 4) <= cell,
        qPrintable(
            QStringLiteral("%1 %2 %3 %4").arg(block.x0).arg(block.x1).arg(block.z0).arg(block.z1)));
    QCOMPARE(block.rho, 10.0);
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.session()->isCurrent(DesignSession::Readings));
}

void TestDesignWindow::refusedGroundSaysWhere()
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.ground"));
    QVERIFY(writeBytes(bad, "background 100\nlens 1 2 3\n"));
    DesignWindow window;
    QVERIFY(!window.openGround(bad));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("groundProblem"))->text(),
        QDir::toNativeSeparators(bad)
            + ":2: Unknown keyword lens: expected background, layer, block, polygon or grid");
    QVERIFY(!window.document().ground());
}

void TestDesignWindow::testComparesTheImages()
{
    QTemporaryDir dir;
    const QString groundFile = dir.filePath(QStringLiteral("g.ground"));
    QVERIFY(writeBytes(groundFile, "background 100\nblock 20 35 2 6 10\n"));
    DesignWindow window;
    window.show();
    setSmallCable(window);
    // Without a ground there is nothing to test, and the button says so.
    auto *test = window.findChild<QPushButton *>(QStringLiteral("testButton"));
    QVERIFY(!test->isEnabled());
    QVERIFY(test->toolTip().startsWith(QStringLiteral("Set a ground first")));

    QVERIFY(window.openGround(groundFile));
    QVERIFY(waitIdle(window.session()));
    QTest::mouseClick(test, Qt::LeftButton);
    QVERIFY(waitIdle(window.session()));
    QVERIFY(window.session()->isCurrent(DesignSession::Test));
    auto *list = window.findChild<PictureView *>(QStringLiteral("testListView"));
    for (const char *name : { "testGroundView", "testListView", "testStandardView" })
        QVERIFY(window.findChild<PictureView *>(name)->hasPicture());
    const QString figures = window.findChild<QLabel *>(QStringLiteral("testListTitle"))->text();
    QVERIFY2(figures.contains(QStringLiteral(": RMS 0.")), qPrintable(figures));

    // Another ground makes the images stale; a test of it cancelled leaves them so.
    QVERIFY(window.openGround(groundFile));
    QVERIFY(waitIdle(window.session()));
    QTest::mouseClick(test, Qt::LeftButton);
    QTRY_VERIFY(window.findChild<QLabel *>(QStringLiteral("stage"))->text().startsWith("Testing"));
    QTest::mouseClick(
        window.findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QVERIFY(waitIdle(window.session()));
    QVERIFY2(
        list->staleText().contains(QStringLiteral("press Test")), qPrintable(list->staleText()));
}

QTEST_MAIN(TestDesignWindow)
#include "tst_designwindow.moc"
