// Measures what a crew waits for in KGW design: the window's first paint beside a bare
// QMainWindow's, and the time from pressing Design to the first picture of the design's
// resolution, beside the time the design itself takes.
//
// Each first paint is measured in a fresh child process, so that no run profits from another's
// caches. Usage: designwindowbench [MEASUREMENTS]   (default 1000, on 48 electrodes 1 m apart)
//        designwindowbench --screenshots DIR   (the pictures of the window in docs/: a design of
//                                               1000 for 8 channels, ordered)
// Without a display it runs on the offscreen platform.

#include "designwindow.h"
#include "pictureview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Runs = 5;
constexpr double FirstPaintTarget = 1.5;
constexpr double PictureTarget = 0.5;
constexpr int StallTarget = 100;
// What the benchmark waits for at most before it reports a failure instead of a figure.
constexpr int GiveUpMs = 600000;

// Ends the event loop at the first paint of the window or anything in it.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window)
        : m_window(window)
    { }
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(object);
        if (event->type() == QEvent::Paint && widget && widget->window() == m_window && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    QWidget *m_window;
    bool m_done = false;
};

enum class FirstWindow { Bare, WithText, Design };

// In a child: from nothing to the first paint, in milliseconds, on standard output.
int measureFirstPaint(FirstWindow kind)
{
    QElapsedTimer timer;
    timer.start();
    QWidget *window = nullptr;
    if (kind == FirstWindow::Design) {
        window = new DesignWindow;
    } else {
        auto *main = new QMainWindow;
        main->resize(1200, 800);
        // The least a window with words pays: the font machinery's start, which a bare window
        // never draws a glyph to need.
        if (kind == FirstWindow::WithText) {
            main->menuBar()->addMenu(QStringLiteral("&File"));
            main->setCentralWidget(new QLabel(QStringLiteral("Cable spacing (m):")));
        }
        window = main;
    }
    FirstPaint watcher(window);
    qApp->installEventFilter(&watcher);
    window->show();
    QApplication::exec();
    printf("%.3f\n", timer.nsecsElapsed() / 1e6);
    fflush(stdout);
    delete window;
    return 0;
}

double medianOf(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double childMilliseconds(const QString &mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { mode });
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble();
}

bool reportFirstPaint()
{
    QVector<double> bare;
    QVector<double> text;
    QVector<double> design;
    for (int run = 0; run < Runs; ++run) {
        bare.append(childMilliseconds(QStringLiteral("--measure-bare")));
        text.append(childMilliseconds(QStringLiteral("--measure-text")));
        design.append(childMilliseconds(QStringLiteral("--measure-window")));
    }
    const double bareMs = medianOf(bare);
    const double textMs = medianOf(text);
    const double designMs = medianOf(design);
    const double ratio = designMs / bareMs;
    printf("first paint, median of %d fresh processes: bare QMainWindow %.1f ms; with a menu and "
           "a label %.1f ms; KGW design %.1f ms: %.2f x the bare one (target <= %.1f x), %.2f x "
           "the one with words\n",
        Runs, bareMs, textMs, designMs, ratio, FirstPaintTarget, designMs / textMs);
    return bareMs > 0 && designMs > 0 && ratio <= FirstPaintTarget;
}

// Types into a box as a crew does, so that the window takes it up.
void typeInto(DesignWindow &window, const QString &name, const QString &text)
{
    auto *box = window.findChild<QLineEdit *>(name);
    box->selectAll();
    box->insert(text);
}

// Sets a design of `measurements` at 1 m and waits for the models of the cable.
void prepareDesign(DesignWindow &window, int measurements)
{
    window.resize(1280, 820);
    window.show();
    DesignSession *session = window.session();
    typeInto(window, QStringLiteral("spacing"), QStringLiteral("1"));
    window.findChild<QComboBox *>(QStringLiteral("source"))
        ->setCurrentIndex(int(SequenceSource::Design));
    window.findChild<QSpinBox *>(QStringLiteral("measurements"))->setValue(measurements);
    QElapsedTimer modelTimer;
    modelTimer.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (session->isCurrent(DesignSession::Model) && !session->isBusy())
            loop.quit();
    });
    poll.start();
    QTimer::singleShot(GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    printf("models of 48 electrodes 1 m apart, the design's and the sections': %.2f s\n",
        modelTimer.nsecsElapsed() / 1e9);
}

bool waitForFigures(DesignSession *session)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!session->isBusy() && session->isCurrent(DesignSession::Figures)
            && session->isCurrent(DesignSession::Field))
            loop.quit();
    });
    poll.start();
    QTimer::singleShot(GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    return session->isCurrent(DesignSession::Field);
}

int takeScreenshots(const QString &dir)
{
    DesignWindow window;
    prepareDesign(window, 1000);
    window.findChild<QSpinBox *>(QStringLiteral("channels"))->setValue(8);
    typeInto(window, QStringLiteral("secondsPerInjection"), QStringLiteral("2.5"));
    window.findChild<QPushButton *>(QStringLiteral("designButton"))->click();
    if (!waitForFigures(window.session())) {
        fprintf(stderr, "the design was not made: %s\n", qPrintable(window.session()->error()));
        return 1;
    }
    auto *views = window.findChild<QTabWidget *>();
    const QVector<QPair<int, QString>> shots { { DesignWindow::ResolutionView,
                                                   QStringLiteral("kgwdesign.png") },
        { DesignWindow::SummaryView, QStringLiteral("kgwdesign-summary.png") } };
    for (const auto &shot : shots) {
        views->setCurrentIndex(shot.first);
        QApplication::processEvents();
        const QString path = QDir(dir).filePath(shot.second);
        if (!window.grab().save(path)) {
            fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        printf("%s\n", qPrintable(path));
    }
    return 0;
}

bool reportDesignToPicture(int measurements)
{
    DesignWindow window;
    prepareDesign(window, measurements);
    DesignSession *session = window.session();
    QEventLoop loop;

    PictureView *resolution = window.pictureView(DesignWindow::ResolutionView);
    QElapsedTimer timer;
    double pictureSeconds = 0;
    QObject::connect(resolution, &PictureView::painted, &loop, [&] {
        const MadeSequence *sequence = session->sequence();
        if (timer.isValid() && sequence && sequence->design
            && session->isCurrent(DesignSession::Figures) && resolution->hasPicture()) {
            pictureSeconds = timer.nsecsElapsed() / 1e9;
            loop.quit();
        }
    });
    // A timer that should tick every 5 ms: the longest wait between its ticks is the longest the
    // window left the crew unanswered.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &loop,
        [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    timer.start();
    sinceTick.start();
    ticker.start();
    window.findChild<QPushButton *>(QStringLiteral("designButton"))->click();
    QTimer::singleShot(GiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (pictureSeconds == 0 || !session->sequence()) {
        printf("no resolution picture of a design came within %d s: %s\n", GiveUpMs / 1000,
            qPrintable(session->error()));
        return false;
    }
    const double designSeconds = session->sequence()->seconds;
    const double extra = pictureSeconds - designSeconds;
    printf("design of %d: the design itself %.2f s; Design to first resolution picture %.2f s: "
           "%.2f s more (target <= %.1f s)\n",
        measurements, designSeconds, pictureSeconds, extra, PictureTarget);
    printf("longest the event loop stalled meanwhile: %lld ms (target <= %d ms)\n", longestStall,
        StallTarget);
    return extra <= PictureTarget && longestStall <= StallTarget;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Never the crew's own settings.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setOrganizationName(QStringLiteral("KGW bench"));
    QApplication::setApplicationName(QStringLiteral("designwindowbench"));
    QSettings().clear();
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList { QStringLiteral("--measure-bare") })
        return measureFirstPaint(FirstWindow::Bare);
    if (args == QStringList { QStringLiteral("--measure-text") })
        return measureFirstPaint(FirstWindow::WithText);
    if (args == QStringList { QStringLiteral("--measure-window") })
        return measureFirstPaint(FirstWindow::Design);
    if (args.size() == 2 && args.first() == QLatin1String("--screenshots"))
        return takeScreenshots(args.at(1));
    const int measurements = args.isEmpty() ? 1000 : args.first().toInt();
    if (measurements < 1) {
        fprintf(stderr, "usage: designwindowbench [MEASUREMENTS]\n");
        return 2;
    }
    printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    const bool paint = reportFirstPaint();
    const bool picture = reportDesignToPicture(measurements);
    printf("%s\n", paint && picture ? "all targets met" : "TARGET MISSED");
    return paint && picture ? 0 : 2;
}
