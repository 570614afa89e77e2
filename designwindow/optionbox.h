#ifndef OPTIONBOX_H
#define OPTIONBOX_H

#include "optionvalues.h"

#include <QGroupBox>
#include <QHash>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

// A problem's colour, readable on the palette in use, light or dark: Qt's palette has no role
// for it.
QColor problemColour(const QPalette &palette);

// The box for one setting, built from its description: the editor its kind takes, its label, the
// help as its tool tip and, under it, what is wrong with what was typed, where the crew is
// looking. Its text is the option's, as OptionValues keeps it.
class OptionBox : public QObject
{
    Q_OBJECT

public:
    explicit OptionBox(const Kgw::Option &option, QObject *parent = nullptr);

    const Kgw::Option &option() const { return m_option; }
    // What takes the focus and the label's mnemonic.
    QWidget *editor() const { return m_editor; }

    QString text() const;
    // Shows the text without counting it as an edit.
    void setText(const QString &text);
    // A flag left to its default shows the default the settings worked out.
    void showDefault(bool on);

    // Empty when the text is fine.
    void setProblem(const QString &problem);
    QString problem() const { return m_problemText; }

    // Adds the box to a grid of two columns beside its label, and its problem under both.
    void addTo(QGridLayout *grid);
    void setEnabled(bool enabled);

signals:
    void edited();

private:
    void makeEditor();

    const Kgw::Option &m_option;
    QWidget *m_editor = nullptr;
    QLineEdit *m_line = nullptr;
    QSpinBox *m_spin = nullptr;
    QComboBox *m_combo = nullptr;
    QCheckBox *m_check = nullptr;
    QVector<QCheckBox *> m_arrays;
    QLabel *m_problem = nullptr;
    QString m_problemText;
    bool m_showing = false; // while a text is shown, the editor's signals are no edits
    bool m_given = false; // a flag that follows a default, once the crew set it
};

// A panel of boxes: what the crew set in them, and what is wrong with it, box by box.
class SettingsPanel : public QGroupBox
{
    Q_OBJECT

public:
    void showValues(const Kgw::OptionValues &values);
    // A box left at its default's text follows the default.
    void readValues(Kgw::OptionValues *values) const;
    void showProblems(const QHash<const Kgw::Option *, QString> &problems);
    OptionBox *box(const Kgw::Option &option) const;

signals:
    void edited();

protected:
    explicit SettingsPanel(const QString &title, QWidget *parent = nullptr);
    OptionBox *addBox(const Kgw::Option &option, QGridLayout *grid);
    // After the boxes showed new values.
    virtual void valuesShown() { }

private:
    QVector<OptionBox *> m_boxes;
};

#endif
