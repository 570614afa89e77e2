#ifndef SETTINGSPANELS_H
#define SETTINGSPANELS_H

#include "optionbox.h"

class QLabel;
class QPushButton;
class QStackedWidget;

// The panels of the window's left side, top to bottom, each of the settings it names.

// The cable as it lies, the ground and the least signal worth reading.
class CablePanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit CablePanel(QWidget *parent = nullptr);
};

// What one injection of the instrument reads, and how long it takes.
class InstrumentPanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit InstrumentPanel(QWidget *parent = nullptr);
};

// Which sequence: standard arrays, a design or an opened list, with the settings of each.
class SequencePanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit SequencePanel(QWidget *parent = nullptr);

    // What the opened list is, or that none is.
    void setOpenedText(const QString &text);

signals:
    void openRequested();

protected:
    void valuesShown() override { showSource(); }

private:
    void showSource();

    QStackedWidget *m_pages = nullptr;
    QLabel *m_opened = nullptr;
};

// A line longer than the cable: how long, and how far the cable moves from spread to spread.
class LinePanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit LinePanel(QWidget *parent = nullptr);

protected:
    void valuesShown() override { showLine(); }

private:
    void showLine();
};

// The ground the list is seen over: none, the uniform ground, or one loaded from a ground file or
// drawn on the Ground view, a block at a time, in the background's half-space.
class GroundPanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit GroundPanel(QWidget *parent = nullptr);

    // What the ground is, or that there is none: then the background box says what a block is
    // drawn in.
    void showGround(const QString &text, bool hasGround);
    // Why a ground file was refused, where the crew is looking; empty to clear it.
    void setProblem(const QString &text);
    QString problem() const;
    // Test asks for a test of the list on show; `why` says what it waits for while it cannot.
    void setTestable(bool testable, const QString &why);

signals:
    void loadRequested();
    void noneRequested();
    void testRequested();

private:
    QLabel *m_ground = nullptr;
    QLabel *m_problem = nullptr;
    QPushButton *m_none = nullptr;
    QPushButton *m_test = nullptr;
};

// Whether and how the list is ordered for the field, and what that saves.
class OrderPanel : public SettingsPanel
{
    Q_OBJECT

public:
    explicit OrderPanel(QWidget *parent = nullptr);

    // Whether ordering is on where the crew left it to the channels.
    void showOrdering(bool on);
    void setFigures(const QString &text);

private:
    QLabel *m_figures = nullptr;
};

#endif
