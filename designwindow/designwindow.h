#ifndef DESIGNWINDOW_H
#define DESIGNWINDOW_H

#include "designsession.h"

#include <QMainWindow>
#include <QSet>

class PictureView;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTableWidget;

// KGW design: a crew sets the cable, the ground and the instrument, makes a sequence (standard
// arrays, a design, or a list of its own), orders it for the field, sees what it resolves and
// saves what the instrument reads. Everything it works out comes from the libraries kgw uses;
// the window only gathers settings and shows results.
class DesignWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum View { CoverageView, SensitivityView, ResolutionView, FindingsView, SummaryView };

    explicit DesignWindow(QWidget *parent = nullptr);
    ~DesignWindow() override;

    DesignSession *session() const { return m_session; }
    PictureView *pictureView(View view) const;

    // What the File menu's entries do once a name is chosen; false, after telling the crew why,
    // when nothing was read or written.
    bool openFile(const QString &fileName);
    bool saveTo(const QString &fileName, SequenceFormat format);
    bool savePicture(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onSettingsEdited();
    void onSessionChanged();
    void onBusyChanged(bool busy);
    void onProgress(int permille, const QString &stage);
    void onOpen();
    void onSave();
    void onSaveAs();
    void onSavePicture();
    void onFindingActivated(int row);
    void onRegionDrawn(const QRectF &metres);
    void onAbout();

private:
    QWidget *makeCablePanel();
    QWidget *makeInstrumentPanel();
    QWidget *makeSequencePanel();
    QWidget *makeOrderPanel();
    void makeMenus();
    void makeFindingsTable();
    QLineEdit *addNumberBox(
        class QFormLayout *form, const QString &label, const QString &name, const QString &toolTip);
    void showSettings(const DesignSettings &settings);
    bool readSettings(DesignSettings *settings);
    // Hands the boxes' settings to the session; false, and nothing handed, while one is red.
    bool applySettings();
    void showPictures();
    void showFindings();
    void showSummary();
    void updateTitle();
    bool showsFileSequence() const;
    bool maybeSave();
    QString pictureName(View view) const;

    DesignSession *m_session = nullptr;
    bool m_showing = false; // while boxes are filled from settings, their signals mean nothing

    QSpinBox *m_electrodes = nullptr;
    QLineEdit *m_spacing = nullptr;
    QLineEdit *m_excluded = nullptr;
    QLineEdit *m_resistivity = nullptr;
    QLineEdit *m_current = nullptr;
    QLineEdit *m_floor = nullptr;
    QLineEdit *m_error = nullptr;
    QLineEdit *m_factorLimit = nullptr;
    QLineEdit *m_minVoltage = nullptr;

    QSpinBox *m_channels = nullptr;
    QComboBox *m_layout = nullptr;
    QSpinBox *m_maxDipole = nullptr;
    QCheckBox *m_allowEnclosing = nullptr;
    QLineEdit *m_secondsPerInjection = nullptr;

    QComboBox *m_source = nullptr;
    QStackedWidget *m_sourcePages = nullptr;
    QVector<QCheckBox *> m_arrays;
    QSpinBox *m_aMax = nullptr;
    QSpinBox *m_nMax = nullptr;
    QSpinBox *m_measurements = nullptr;
    QLineEdit *m_target = nullptr;
    QSpinBox *m_baseShare = nullptr;
    QLineEdit *m_baseArrays = nullptr;
    QLineEdit *m_maxCancellation = nullptr;
    QPushButton *m_designButton = nullptr;
    QLabel *m_openedLabel = nullptr;
    QSpinBox *m_reciprocals = nullptr;

    QCheckBox *m_orderEnabled = nullptr;
    QSpinBox *m_gap = nullptr;
    QLabel *m_orderFigures = nullptr;

    QTabWidget *m_views = nullptr;
    PictureView *m_coverage = nullptr;
    PictureView *m_sensitivity = nullptr;
    PictureView *m_resolution = nullptr;
    QWidget *m_findingsPage = nullptr;
    QTableWidget *m_findings = nullptr; // made when first shown
    QLabel *m_summary = nullptr;
    std::optional<Kgw::Quadruple> m_highlighted;
    QString m_highlightedField; // the field list the ring was chosen in

    QLabel *m_stage = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;

    QAction *m_saveAction = nullptr;
    QAction *m_saveAsAction = nullptr;
    QAction *m_savePictureAction = nullptr;

    bool m_inputsValid = true; // no box is red

    QString m_fileName; // the file the list was last saved to or opened from
    quint64 m_fileSequence = 0; // the sequence made that the file holds
    bool m_fileWritten = false; // saved there, rather than opened
    QString m_savedKey; // what was saved or opened there, to tell whether it changed since
    QSet<quint64> m_savedSequences;
};

#endif
