#ifndef DESIGNWINDOW_H
#define DESIGNWINDOW_H

#include "designdocument.h"
#include "designsession.h"

#include <QHash>
#include <QMainWindow>

class FindingsView;
class GroundPanel;
class OrderPanel;
class PictureView;
class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class SequencePanel;
class SettingsPanel;

// KGW design: a crew sets the cable, the ground and the instrument, makes a sequence (standard
// arrays, a design, or a list of its own), orders it for the field, sees what it resolves and
// saves what the instrument reads. Everything it works out comes from the libraries kgw uses,
// and every box is one of kgw's options; the window gathers settings and shows results.
//
// On the left the panels of settings with the Design button below them, always in sight; on
// the right the views of the list on show: its pictures, its findings and a summary.
class DesignWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum View {
        CoverageView,
        SensitivityView,
        ResolutionView,
        FindingsView,
        SummaryView,
        LineView,
        GroundView,
        TestView
    };

    explicit DesignWindow(QWidget *parent = nullptr);
    ~DesignWindow() override;

    DesignSession *session() const { return m_session; }
    const DesignDocument &document() const { return m_document; }
    PictureView *pictureView(View view) const;
    ::FindingsView *findingsView() const { return m_findings; }

    // What the File menu's entries do once a name is chosen; false, after telling the crew why,
    // when nothing was read or written.
    bool openFile(const QString &fileName);
    bool saveTo(const QString &fileName, SequenceFormat format);
    bool savePicture(const QString &fileName);
    // Every spread's sequence file and the whole line's file into the folder, or none of them.
    bool saveSpreads(const QString &folder);
    // The ground the list is seen over, from a ground file; refused with the file's line in the
    // Ground group. Save Ground writes the ground on show, drawn or loaded.
    bool openGround(const QString &fileName);
    bool saveGround(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeSettingsSide();
    void makeViews();
    void makeStatusBar();
    void makeMenus();

    void onEdited();
    // Reads the boxes, shows beside each what is wrong with it, and hands the settings to the
    // session; false, and nothing handed, while a box needs another value.
    bool applySettings();
    void onDesign();
    void onSessionChanged();
    void onBusyChanged(bool busy);
    void onProgress(int permille, const QString &stage);
    void onOpen();
    void onSave();
    void onSaveAs();
    void onSavePicture();
    void onSaveSpreads();
    void onConfigurationChosen(const Kgw::Quadruple &configuration);
    void onRegionDrawn(const QRectF &metres);
    void onBlockDrawn(const QRectF &metres);
    void onLoadGround();
    void onSaveGround();
    void onTest();
    void setGround(const std::shared_ptr<const Kgw::Ground> &ground, const QString &name);
    void onAbout();

    // Why what the part shows is not what the settings give; empty when it is.
    QString staleText(DesignSession::Part part) const;
    void showPictures();
    void showFindings();
    void showSummary();
    void showLine();
    void showGround();
    void showReadings();
    void showTest();
    void showStatus();
    void updateTitle();
    bool maybeSave();
    bool canSave() const;
    bool canSaveSpreads() const;
    // What the line's files are named after: the list's file, or "line".
    QString spreadPrefix() const;
    quint64 sequenceOnShow() const;
    // The content of the field list on show, as the document compares it.
    QString fieldContentKey();

    DesignSession *m_session = nullptr;
    DesignDocument m_document;
    Kgw::OptionValues m_values;
    QHash<const Kgw::Option *, QString> m_problems;

    QVector<SettingsPanel *> m_panels;
    SequencePanel *m_sequencePanel = nullptr;
    OrderPanel *m_orderPanel = nullptr;
    GroundPanel *m_groundPanel = nullptr;
    QPushButton *m_designButton = nullptr;

    QTabWidget *m_views = nullptr;
    PictureView *m_coverage = nullptr;
    PictureView *m_sensitivity = nullptr;
    PictureView *m_resolution = nullptr;
    ::FindingsView *m_findings = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_linePlan = nullptr;
    PictureView *m_lineView = nullptr;
    PictureView *m_groundView = nullptr;
    QLabel *m_voltage = nullptr;
    PictureView *m_readingsView = nullptr;
    QLabel *m_testStatus = nullptr;
    QWidget *m_testPanels = nullptr;
    // The true ground, the list's image and the standard arrays', each below its title.
    QVector<QLabel *> m_testTitles;
    QVector<PictureView *> m_testViews;
    // The ground's section as drawn last, and what it was drawn of: drawing it takes a mean
    // over every cell, too much to do again for every change of the session.
    std::shared_ptr<const Kgw::SectionPlot> m_groundPlot;
    QString m_groundPlotKey;
    std::optional<Kgw::Quadruple> m_highlighted;
    std::shared_ptr<const FieldList> m_highlightedField; // the field list the ring was chosen in
    std::shared_ptr<const FieldList> m_keyedField;
    QString m_fieldContentKey;

    QLabel *m_stage = nullptr;
    QString m_progressStage;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;

    QAction *m_saveAction = nullptr;
    QAction *m_saveAsAction = nullptr;
    QAction *m_savePictureAction = nullptr;
    QAction *m_saveSpreadsAction = nullptr;
    QAction *m_saveGroundAction = nullptr;
};

#endif
