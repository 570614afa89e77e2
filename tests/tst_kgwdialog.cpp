#include "kgwdialog.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "testsupport.h"

#include <functional>

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>

namespace {

// What the user saw of one message box.
struct ShownBox {
    QWidget *parent = nullptr;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString informativeText;
    QMessageBox::StandardButtons buttons;
};

// Answers the modal windows that a slot opens, one handler per window in the order they come
// up. A window nobody expected is closed, so that a wrong turn fails the test instead of hanging
// it.
class ModalAnswerer : public QObject
{
public:
    using Handler = std::function<void(QWidget *)>;

    explicit ModalAnswerer(QList<Handler> handlers)
        : m_handlers(std::move(handlers))
    {
        poll();
    }

    int windowsSeen() const { return m_seen; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal != m_last.data()) {
            m_last = modal;
            ++m_seen;
            if (m_handlers.isEmpty())
                modal->close();
            else
                m_handlers.takeFirst()(modal);
        }
        QTimer::singleShot(5, this, [this] { poll(); });
    }

    QList<Handler> m_handlers;
    QPointer<QWidget> m_last;
    int m_seen = 0;
};

// Records a message box and presses its Ok button, or closes it when there is none.
ModalAnswerer::Handler answerBox(ShownBox *shown)
{
    return [shown](QWidget *window) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box) {
            shown->title = QStringLiteral("<not a message box: %1>")
                               .arg(QLatin1String(window->metaObject()->className()));
            window->close();
            return;
        }
        shown->parent = box->parentWidget();
        shown->title = box->windowTitle();
        shown->icon = box->icon();
        shown->text = box->text();
        shown->informativeText = box->informativeText();
        shown->buttons = box->standardButtons();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->close();
    };
}

QStringList entries(const QString &dirPath)
{
    return QDir(dirPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Lowers the file-size limit for as long as it lives, so that a write really fails.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old;
    void (*m_oldHandler)(int);
    bool m_ok = false;
};

} // namespace

class TestKgwDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowLayout();
    void metaObject();

    void chooserCancelled();
    void chooserAccepted();

    void badList_data();
    void badList();
    void badListKeepsEarlierFile();

    void spacing_data();
    void spacing();
    void typedSpacing_data();
    void typedSpacing();

    void outputIsADirectory();
    void writeFailureKeepsEarlierFile();

private:
    // Runs the conversion slot on a list and returns the one box it showed.
    ShownBox load(const QString &fileName, int *boxes = nullptr);
    QString writeList(const QString &name, const QByteArray &contents);

    KGWDialog *m_dialog = nullptr;
    QTemporaryDir *m_dir = nullptr;
};

void TestKgwDialog::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_dialog = new KGWDialog;
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TestKgwDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

ShownBox TestKgwDialog::load(const QString &fileName, int *boxes)
{
    ShownBox shown;
    ModalAnswerer answerer({ answerBox(&shown) });
    const bool invoked = QMetaObject::invokeMethod(m_dialog, "onLoad", Q_ARG(QString, fileName));
    if (!invoked)
        shown.title = QStringLiteral("<onLoad(QString) could not be invoked>");
    if (boxes)
        *boxes = answerer.windowsSeen();
    return shown;
}

QString TestKgwDialog::writeList(const QString &name, const QByteArray &contents)
{
    const QString path = m_dir->filePath(name);
    if (!writeBytes(path, contents))
        qWarning("could not write %s", qPrintable(path));
    return path;
}

void TestKgwDialog::windowLayout()
{
    KGWDialog &dialog = *m_dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("KGW make"));
    QCOMPARE(dialog.minimumSize(), QSize(200, 150));
    QCOMPARE(dialog.maximumSize(), QSize(200, 150));
    QCOMPARE(dialog.size(), QSize(200, 150));
    QVERIFY(!dialog.isModal());

    const auto labels = dialog.findChildren<QLabel *>();
    const auto boxes = dialog.findChildren<QDoubleSpinBox *>();
    const auto buttons = dialog.findChildren<QPushButton *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(buttons.size(), 1);
    QLabel *label = labels.first();
    QDoubleSpinBox *spacing = boxes.first();
    QPushButton *load = buttons.first();

    QCOMPARE(label->text(), QStringLiteral("Cable spacing [m]:"));

    QCOMPARE(spacing->decimals(), 3);
    QCOMPARE(spacing->minimum(), 0.001);
    QCOMPARE(spacing->maximum(), 100.0);
    QCOMPARE(spacing->value(), 5.0);
    QCOMPARE(spacing->singleStep(), 1.0);
    QCOMPARE(spacing->text(), QStringLiteral("5.000"));
    QVERIFY(spacing->prefix().isEmpty());
    QVERIFY(spacing->suffix().isEmpty());

    QCOMPARE(load->text(), QStringLiteral("Load TXT"));
    QCOMPARE(load->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(load->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

    auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout());
    QVERIFY(layout);
    QCOMPARE(layout->count(), 3);
    QCOMPARE(layout->itemAt(0)->widget(), static_cast<QWidget *>(label));
    QCOMPARE(layout->itemAt(1)->widget(), static_cast<QWidget *>(spacing));
    QCOMPARE(layout->itemAt(2)->widget(), static_cast<QWidget *>(load));

    // On screen too: the button takes the height the label and the spin box leave.
    QVERIFY(label->geometry().bottom() < spacing->geometry().top());
    QVERIFY(spacing->geometry().bottom() < load->geometry().top());
    QVERIFY(load->height() > spacing->height());
    QVERIFY(load->height() > label->height());
}

void TestKgwDialog::metaObject()
{
    const QMetaObject &meta = KGWDialog::staticMetaObject;
    QCOMPARE(meta.className(), "KGWDialog");
    QCOMPARE(meta.superClass(), &QDialog::staticMetaObject);

    QCOMPARE(meta.methodCount() - meta.methodOffset(), 2);
    const QMetaMethod onLoad = meta.method(meta.methodOffset());
    QCOMPARE(onLoad.methodSignature(), QByteArray("onLoad(QString)"));
    QCOMPARE(onLoad.parameterNames(), QList<QByteArray> { "fileName" });
    QCOMPARE(onLoad.methodType(), QMetaMethod::Slot);
    QCOMPARE(onLoad.access(), QMetaMethod::Private);
    QCOMPARE(onLoad.returnType(), int(QMetaType::Void));

    const QMetaMethod onLoadTXT = meta.method(meta.methodOffset() + 1);
    QCOMPARE(onLoadTXT.methodSignature(), QByteArray("onLoadTXT()"));
    QCOMPARE(onLoadTXT.methodType(), QMetaMethod::Slot);
    QCOMPARE(onLoadTXT.access(), QMetaMethod::Private);
    QCOMPARE(onLoadTXT.returnType(), int(QMetaType::Void));

    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);
    QCOMPARE(m_dialog->metaObject(), &meta);
}

void TestKgwDialog::chooserCancelled()
{
    writeList(QStringLiteral("line.txt"), "1 2 3 4\n");
    const QStringList before = entries(m_dir->path());

    bool wasChooser = false;
    ModalAnswerer answerer({ [&](QWidget *window) {
        wasChooser = qobject_cast<QFileDialog *>(window) != nullptr;
        window->close();
    } });
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(), Qt::LeftButton);

    QVERIFY(wasChooser);
    QCOMPARE(answerer.windowsSeen(), 1); // nothing after the chooser
    QCOMPARE(entries(m_dir->path()), before);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestKgwDialog::chooserAccepted()
{
    const QString list = writeList(QStringLiteral("line.txt"), "1 2 3 4\n");

    QWidget *chooserParent = nullptr;
    QStringList filters;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptSave;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool wasChooser = false;
    ShownBox shown;
    ModalAnswerer answerer({ [&](QWidget *window) {
                                auto *chooser = qobject_cast<QFileDialog *>(window);
                                if (!chooser) {
                                    window->close();
                                    return;
                                }
                                wasChooser = true;
                                chooserParent = chooser->parentWidget();
                                filters = chooser->nameFilters();
                                acceptMode = chooser->acceptMode();
                                fileMode = chooser->fileMode();
                                chooser->selectFile(list);
                                static_cast<QDialog *>(chooser)->accept(); // public there
                            },
        answerBox(&shown) });
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(), Qt::LeftButton);

    QVERIFY(wasChooser);
    QCOMPARE(chooserParent, static_cast<QWidget *>(m_dialog));
    QCOMPARE(filters, QStringList { QStringLiteral("TXT files (*.txt)") });
    QCOMPARE(acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(fileMode, QFileDialog::ExistingFile);

    QCOMPARE(answerer.windowsSeen(), 2);
    QCOMPARE(shown.parent, static_cast<QWidget *>(m_dialog));
    QCOMPARE(shown.title, QStringLiteral("Information"));
    QCOMPARE(shown.icon, QMessageBox::Information);
    QCOMPARE(shown.text, QStringLiteral("KGW file created"));
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QCOMPARE(readBytes(list + QStringLiteral(".KGW")),
        sequenceFileFromHex("01000000", "88130000", "01030402"));
    QCOMPARE(entries(m_dir->path()),
        (QStringList { QStringLiteral("line.txt"), QStringLiteral("line.txt.KGW") }));
}

void TestKgwDialog::badList_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("informativeText");

    QTest::newRow("A remote") << QByteArray("0 1 2 3\n") << "A electrode can not be remote (0)"
                              << "Line 1: 0 1 2 3";
    QTest::newRow("M remote before A range")
        << QByteArray("49 3 0 2\n") << "M electrode can not be remote (0)"
        << "Line 1: 49 3 0 2";
    QTest::newRow("A range after good lines") << QByteArray("1 4 2 3\n2 5 3 4\n-1 3 2 1\n5 6 7 8\n")
                                              << "A electrode is out of range [1, 48] (-1)"
                                              << "Line 3: -1 3 2 1";
    QTest::newRow("B range") << QByteArray("1 49 2 3\n")
                             << "B electrode is out of range [0, 48] (49)"
                             << "Line 1: 1 49 2 3";
    QTest::newRow("M range") << QByteArray("1 2 50 3\n")
                             << "M electrode is out of range [1, 48] (50)"
                             << "Line 1: 1 2 50 3";
    QTest::newRow("N range") << QByteArray("1 2 3 60\n")
                             << "N electrode is out of range [0, 48] (60)"
                             << "Line 1: 1 2 3 60";
    QTest::newRow("too large, not wrapped")
        << QByteArray("4294967297 2 3 4\n") << "A electrode is out of range [1, 48] (4294967297)"
        << "Line 1: 4294967297 2 3 4";
    QTest::newRow("not a number") << QByteArray("1 2 3 4\n1.5 2 3 4\n")
                                  << "A electrode is not a number (1.5)"
                                  << "Line 2: 1.5 2 3 4";
    QTest::newRow("CRLF line shown without its CR")
        << QByteArray("1 2 3 4\r\n5 6 0 8\r\n") << "M electrode can not be remote (0)"
        << "Line 2: 5 6 0 8";
    const QByteArray longLine = "1 2 3 60" + QByteArray(100, ' ') + "x";
    QTest::newRow("long line cut")
        << longLine + '\n'
        << "N electrode is out of range [0, 48] (60)"
        << "Line 1: " + QString::fromLatin1(longLine.left(80)) + QChar(0x2026);
    QTest::newRow("empty file") << QByteArray() << "TXT file is empty" << QString();
    QTest::newRow("first line empty")
        << QByteArray("\n1 2 3 4\n") << "TXT file is empty" << QString();
    QTest::newRow("missing file") << QByteArray() << "Failed to load TXT file"
                                  << "<the system's reason>";
}

void TestKgwDialog::badList()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, text);
    QFETCH(QString, informativeText);

    const bool missing = text == QLatin1String("Failed to load TXT file");
    QString list = m_dir->filePath(QStringLiteral("line.txt"));
    if (missing) {
        QFile probe(list);
        QVERIFY(!probe.open(QIODevice::ReadOnly));
        informativeText = probe.errorString();
        QVERIFY(!informativeText.isEmpty());
    } else {
        list = writeList(QStringLiteral("line.txt"), contents);
    }
    const QStringList before = entries(m_dir->path());

    int boxes = 0;
    const ShownBox shown = load(list, &boxes);
    QCOMPARE(boxes, 1);
    QCOMPARE(shown.parent, static_cast<QWidget *>(m_dialog));
    QCOMPARE(shown.title, QStringLiteral("Warning"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.informativeText, informativeText);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QCOMPARE(entries(m_dir->path()), before);
}

void TestKgwDialog::badListKeepsEarlierFile()
{
    const QString list = writeList(QStringLiteral("line.txt"), "1 2 3 4\n2 3 4 5\n");
    QCOMPARE(load(list).text, QStringLiteral("KGW file created"));
    const QByteArray earlier = readBytes(list + QStringLiteral(".KGW"));
    QCOMPARE(earlier.size(), 335 + 2 * 4);

    writeList(QStringLiteral("line.txt"), "1 2 3 4\n2 3 4 49\n");
    QCOMPARE(load(list).text, QStringLiteral("N electrode is out of range [0, 48] (49)"));
    QCOMPARE(readBytes(list + QStringLiteral(".KGW")), earlier);
    QCOMPARE(entries(m_dir->path()).size(), 2);
}

void TestKgwDialog::spacing_data()
{
    QTest::addColumn<double>("metres");
    QTest::addColumn<QByteArray>("millimetresHex");

    QTest::newRow("smallest") << 0.001 << QByteArray("01000000");
    QTest::newRow("largest") << 100.0 << QByteArray("a0860100");
    QTest::newRow("2.5 m") << 2.5 << QByteArray("c4090000");
    // 1.005 * 1000 is just under 1005 in binary; cutting without rounding would give 1004.
    QTest::newRow("rounded, not cut") << 1.005 << QByteArray("ed030000");
}

void TestKgwDialog::spacing()
{
    QFETCH(double, metres);
    QFETCH(QByteArray, millimetresHex);

    m_dialog->findChild<QDoubleSpinBox *>()->setValue(metres);
    // The list also shows remote electrodes written as 0 and the body in the order A, M, N, B.
    const QString list = writeList(QStringLiteral("line.txt"), "1 0 2 3\n48 0 48 0\n");
    QCOMPARE(load(list).text, QStringLiteral("KGW file created"));
    QCOMPARE(readBytes(list + QStringLiteral(".KGW")),
        sequenceFileFromHex("02000000", millimetresHex.constData(), "01020300 30300000"));
}

void TestKgwDialog::typedSpacing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("metres");

    // Typed key by key: the thousands separator becomes the point, so the later point is refused,
    // and the 5 after it too, as a fourth decimal.
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C, comma for the point") << QLocale::c() << "1,5" << 1.5;
    QTest::newRow("C, thousands refused") << QLocale::c() << "1,000.5" << 1.0;
    QTest::newRow("German, comma for the point") << german << "1,5" << 1.5;
    QTest::newRow("German, thousands refused") << german << "1.000,5" << 1.0;
}

void TestKgwDialog::typedSpacing()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, typed);
    QFETCH(double, metres);

    const QLocale before;
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    QLocale::setDefault(locale);
    KGWDialog dialog; // a widget takes the default locale when it is made
    auto *box = dialog.findChild<QDoubleSpinBox *>();
    box->selectAll();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->value(), metres);
}

void TestKgwDialog::outputIsADirectory()
{
    const QString list = writeList(QStringLiteral("line.txt"), "1 2 3 4\n");
    const QString output = list + QStringLiteral(".KGW");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("line.txt.KGW")));
    QVERIFY(writeBytes(output + QStringLiteral("/inside"), "kept"));

    QSaveFile probe(output);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    const QString reason = probe.errorString();
    QVERIFY(!reason.isEmpty());

    int boxes = 0;
    const ShownBox shown = load(list, &boxes);
    QCOMPARE(boxes, 1);
    QCOMPARE(shown.title, QStringLiteral("Warning"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.text, QStringLiteral("Failed to create KGW file"));
    QCOMPARE(shown.informativeText, reason);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QVERIFY(QFileInfo(output).isDir());
    QCOMPARE(entries(output), QStringList { QStringLiteral("inside") });
    QCOMPARE(readBytes(output + QStringLiteral("/inside")), QByteArray("kept"));
    QCOMPARE(entries(m_dir->path()),
        (QStringList { QStringLiteral("line.txt"), QStringLiteral("line.txt.KGW") }));
}

void TestKgwDialog::writeFailureKeepsEarlierFile()
{
    const QString list = writeList(QStringLiteral("line.txt"), "1 2 3 4\n");
    const QString output = list + QStringLiteral(".KGW");
    const QByteArray earlier("an earlier sequence file");
    QVERIFY(writeBytes(output, earlier));

    ShownBox shown;
    int boxes = 0;
    {
        // Smaller than the header, so the new file can't be completed.
        FileSizeLimit limit(100);
        QVERIFY(limit.ok());
        shown = load(list, &boxes);
    }

    QCOMPARE(boxes, 1);
    QCOMPARE(shown.title, QStringLiteral("Warning"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.text, QStringLiteral("Failed to write KGW file"));
    QCOMPARE(shown.informativeText, QString::fromLocal8Bit(strerror(EFBIG)));
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QCOMPARE(readBytes(output), earlier);
    QCOMPARE(entries(m_dir->path()),
        (QStringList { QStringLiteral("line.txt"), QStringLiteral("line.txt.KGW") }));
}

QTEST_MAIN(TestKgwDialog)
#include "tst_kgwdialog.moc"
