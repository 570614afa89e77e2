#include "optionbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

QColor problemColour(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightness() > 128 ? QColor(176, 0, 32)
                                                           : QColor(255, 138, 128);
}

namespace {

// The palette's colour tinted toward the problem's, for a box that needs another value.
QColor tinted(const QColor &colour, const QColor &tint)
{
    return QColor((colour.red() * 3 + tint.red()) / 4, (colour.green() * 3 + tint.green()) / 4,
        (colour.blue() * 3 + tint.blue()) / 4);
}

// What the objects are called in tests and tools: the last part of the key.
QString objectNameOf(const Kgw::Option &option)
{
    return QString::fromLatin1(option.key).section(QLatin1Char('/'), -1);
}

QString translated(const char *text)
{
    return QCoreApplication::translate("Kgw::Options", text);
}

} // namespace

OptionBox::OptionBox(const Kgw::Option &option, QObject *parent)
    : QObject(parent)
    , m_option(option)
{
    makeEditor();
    m_editor->setObjectName(objectNameOf(option));
    m_editor->setToolTip(option.helpText(Kgw::Syntax::Box));
    m_problem = new QLabel;
    m_problem->setObjectName(objectNameOf(option) + QStringLiteral("Problem"));
    m_problem->setWordWrap(true);
    m_problem->hide();
}

void OptionBox::makeEditor()
{
    const auto edited = [this] {
        if (!m_showing)
            emit this->edited();
    };
    const QString unit
        = m_option.unit ? QStringLiteral(" ") + translated(m_option.unit) : QString();
    switch (m_option.kind) {
    case Kgw::OptionKind::Whole:
        m_spin = new QSpinBox;
        // One below the range stands for none, where the option may be left so.
        m_spin->setRange(int(m_option.low) - (m_option.emptyIsNone ? 1 : 0), int(m_option.high));
        if (m_option.emptyIsNone)
            m_spin->setSpecialValueText(
                translated(m_option.shownAs ? m_option.shownAs : m_option.defaultWords));
        m_spin->setSuffix(unit);
        connect(m_spin, QOverload<int>::of(&QSpinBox::valueChanged), this, edited);
        m_editor = m_spin;
        return;
    case Kgw::OptionKind::Choice:
        m_combo = new QComboBox;
        m_combo->addItems(m_option.shownChoices());
        connect(m_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, edited);
        m_editor = m_combo;
        return;
    case Kgw::OptionKind::Flag:
        m_check = new QCheckBox(translated(m_option.label));
        connect(m_check, &QCheckBox::toggled, this, [this, edited] {
            if (!m_showing)
                m_given = true;
            edited();
        });
        m_editor = m_check;
        return;
    case Kgw::OptionKind::Arrays:
        if (!m_option.emptyIsNone) {
            // Arrays to tick, in the order kgw generate lists them.
            m_editor = new QWidget;
            auto *layout = new QVBoxLayout(m_editor);
            layout->setContentsMargins(0, 0, 0, 0);
            for (const Kgw::ArrayKindName &name : Kgw::arrayKindNames()) {
                QString text = name.name;
                text.replace(QLatin1Char('-'), QLatin1Char(' '));
                auto *box = new QCheckBox(QStringLiteral("%1 (%2)").arg(text, name.alias));
                box->setObjectName(QStringLiteral("array-") + name.alias);
                box->setProperty("kind", int(name.kind));
                layout->addWidget(box);
                connect(box, &QCheckBox::toggled, this, edited);
                m_arrays.append(box);
            }
            return;
        }
        break;
    case Kgw::OptionKind::Decimal:
    case Kgw::OptionKind::Spacing:
    case Kgw::OptionKind::Seconds:
    case Kgw::OptionKind::Electrodes:
    case Kgw::OptionKind::Region:
        break;
    }
    m_line = new QLineEdit;
    connect(m_line, &QLineEdit::textEdited, this, edited);
    m_editor = m_line;
}

QString OptionBox::text() const
{
    if (m_line)
        return m_line->text();
    if (m_spin)
        return m_spin->value() < m_option.low ? QString() : QString::number(m_spin->value());
    if (m_combo)
        return m_option.choiceList().value(m_combo->currentIndex());
    if (m_check) {
        if (m_option.emptyIsNone && !m_given)
            return QString();
        return m_check->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    }
    QVector<Kgw::ArrayKind> kinds;
    for (const QCheckBox *box : m_arrays) {
        if (box->isChecked())
            kinds.append(Kgw::ArrayKind(box->property("kind").toInt()));
    }
    return Kgw::arrayNamesText(kinds);
}

void OptionBox::setText(const QString &text)
{
    m_showing = true;
    if (m_line) {
        m_line->setText(text);
    } else if (m_spin) {
        m_spin->setValue(m_option.read(text, Kgw::Syntax::Box).value_or(m_spin->minimum()));
    } else if (m_combo) {
        m_combo->setCurrentIndex(int(m_option.read(text, Kgw::Syntax::Box).value_or(0)));
    } else if (m_check) {
        const std::optional<double> on = m_option.read(text, Kgw::Syntax::Box);
        m_given = on.has_value();
        if (on)
            m_check->setChecked(*on != 0);
    } else {
        const QVector<Kgw::ArrayKind> kinds
            = Kgw::parseArrayNames(text, Kgw::Syntax::Box).value_or(QVector<Kgw::ArrayKind>());
        for (QCheckBox *box : qAsConst(m_arrays))
            box->setChecked(kinds.contains(Kgw::ArrayKind(box->property("kind").toInt())));
    }
    m_showing = false;
}

void OptionBox::showDefault(bool on)
{
    if (!m_check || m_given)
        return;
    m_showing = true;
    m_check->setChecked(on);
    m_showing = false;
}

void OptionBox::setProblem(const QString &problem)
{
    if (problem == m_problemText)
        return;
    m_problemText = problem;
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    QPalette palette
        = m_editor->parentWidget() ? m_editor->parentWidget()->palette() : m_editor->palette();
    if (!problem.isEmpty()) {
        const QColor colour = problemColour(palette);
        QPalette labelPalette = palette;
        labelPalette.setColor(QPalette::WindowText, colour);
        m_problem->setPalette(labelPalette);
        // A text box shows it in its field as well; a check box in its text.
        palette.setColor(QPalette::Base, tinted(palette.color(QPalette::Base), colour));
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::ButtonText, colour);
    }
    m_editor->setPalette(palette);
    for (QCheckBox *box : qAsConst(m_arrays))
        box->setPalette(palette);
}

void OptionBox::addTo(QGridLayout *grid)
{
    // A grid rather than a form: a row whose problem is hidden takes no room, spacing included.
    const int row = grid->rowCount();
    if (m_check || !m_arrays.isEmpty()) {
        grid->addWidget(m_editor, row, 0, 1, 2);
    } else {
        auto *label = new QLabel(translated(m_option.label));
        label->setBuddy(m_editor);
        grid->addWidget(label, row, 0);
        grid->addWidget(m_editor, row, 1);
    }
    // Under the box, across the panel, where a long message has room.
    grid->addWidget(m_problem, row + 1, 0, 1, 2);
}

void OptionBox::setEnabled(bool enabled)
{
    m_editor->setEnabled(enabled);
}

SettingsPanel::SettingsPanel(const QString &title, QWidget *parent)
    : QGroupBox(title, parent)
{ }

OptionBox *SettingsPanel::addBox(const Kgw::Option &option, QGridLayout *grid)
{
    auto *box = new OptionBox(option, this);
    box->addTo(grid);
    connect(box, &OptionBox::edited, this, &SettingsPanel::edited);
    m_boxes.append(box);
    return box;
}

OptionBox *SettingsPanel::box(const Kgw::Option &option) const
{
    for (OptionBox *box : m_boxes) {
        if (&box->option() == &option)
            return box;
    }
    return nullptr;
}

void SettingsPanel::showValues(const Kgw::OptionValues &values)
{
    for (OptionBox *box : qAsConst(m_boxes))
        box->setText(values.text(box->option()));
    valuesShown();
}

void SettingsPanel::readValues(Kgw::OptionValues *values) const
{
    for (const OptionBox *box : m_boxes) {
        const QString text = box->text();
        if (text == box->option().defaultValueText())
            values->reset(box->option());
        else
            values->setText(box->option(), text);
    }
}

void SettingsPanel::showProblems(const QHash<const Kgw::Option *, QString> &problems)
{
    for (OptionBox *box : qAsConst(m_boxes))
        box->setProblem(problems.value(&box->option()));
}
