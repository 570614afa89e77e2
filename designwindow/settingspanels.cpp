#include "settingspanels.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace Options = Kgw::Options;

namespace {

// Labels on the left, boxes on the right taking what room there is.
QGridLayout *grid(QWidget *parent = nullptr, bool margins = true)
{
    auto *layout = new QGridLayout(parent);
    layout->setColumnStretch(1, 1);
    if (!margins)
        layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

CablePanel::CablePanel(QWidget *parent)
    : SettingsPanel(tr("Cable and ground"), parent)
{
    QGridLayout *form = grid(this);
    for (const Kgw::Option *option : { &Options::Electrodes, &Options::Spacing, &Options::Exclude,
             &Options::Resistivity, &Options::Current, &Options::Floor, &Options::Error,
             &Options::FactorLimit, &Options::MinVoltage })
        addBox(*option, form);
}

InstrumentPanel::InstrumentPanel(QWidget *parent)
    : SettingsPanel(tr("Instrument"), parent)
{
    QGridLayout *form = grid(this);
    for (const Kgw::Option *option : { &Options::Channels, &Options::ChannelLayout,
             &Options::MaxDipole, &Options::AllowEnclosing, &Options::SecondsPerInjection })
        addBox(*option, form);
}

SequencePanel::SequencePanel(QWidget *parent)
    : SettingsPanel(tr("Sequence"), parent)
{
    auto *layout = new QVBoxLayout(this);
    QGridLayout *top = grid(nullptr, false);
    layout->addLayout(top);
    addBox(Options::Source, top);

    // A page for each choice of the source box, in its order.
    m_pages = new QStackedWidget;
    auto *arrays = new QWidget;
    QGridLayout *arraysForm = grid(arrays, false);
    for (const Kgw::Option *option : { &Options::Arrays, &Options::AMax, &Options::NMax })
        addBox(*option, arraysForm);
    // A page shorter than the tallest keeps its rows together at the top.
    arraysForm->setRowStretch(arraysForm->rowCount(), 1);
    m_pages->addWidget(arrays);

    auto *design = new QWidget;
    QGridLayout *designForm = grid(design, false);
    for (const Kgw::Option *option : { &Options::Measurements, &Options::Target,
             &Options::BaseShare, &Options::Base, &Options::MaxCancellation })
        addBox(*option, designForm);
    designForm->setRowStretch(designForm->rowCount(), 1);
    m_pages->addWidget(design);

    auto *opened = new QWidget;
    auto *openedLayout = new QVBoxLayout(opened);
    openedLayout->setContentsMargins(0, 0, 0, 0);
    m_opened = new QLabel;
    m_opened->setObjectName(QStringLiteral("openedList"));
    m_opened->setWordWrap(true);
    auto *open = new QPushButton(tr("Open a list\u2026"));
    openedLayout->addWidget(m_opened);
    openedLayout->addWidget(open);
    openedLayout->addStretch();
    connect(open, &QPushButton::clicked, this, &SequencePanel::openRequested);
    m_pages->addWidget(opened);
    layout->addWidget(m_pages);

    QGridLayout *bottom = grid(nullptr, false);
    layout->addLayout(bottom);
    addBox(Options::Reciprocals, bottom);

    setOpenedText(QString());
    connect(this, &SettingsPanel::edited, this, &SequencePanel::showSource);
    showSource();
}

void SequencePanel::showSource()
{
    const int source
        = int(Options::Source.read(box(Options::Source)->text(), Kgw::Syntax::Box).value_or(0));
    m_pages->setCurrentIndex(source);
    // An opened list is used as it stands.
    box(Options::Reciprocals)->setEnabled(m_pages->currentWidget() != m_pages->widget(2));
}

void SequencePanel::setOpenedText(const QString &text)
{
    m_opened->setText(text.isEmpty() ? tr("No list opened yet.") : text);
}

LinePanel::LinePanel(QWidget *parent)
    : SettingsPanel(tr("Line"), parent)
{
    QGridLayout *form = grid(this);
    addBox(Options::LineElectrodes, form);
    addBox(Options::Move, form);
    connect(this, &SettingsPanel::edited, this, &LinePanel::showLine);
    showLine();
}

void LinePanel::showLine()
{
    // Without a line, the cable is not moved.
    box(Options::Move)->setEnabled(!box(Options::LineElectrodes)->text().isEmpty());
}

GroundPanel::GroundPanel(QWidget *parent)
    : SettingsPanel(tr("Ground"), parent)
{
    QGridLayout *form = grid(this);
    m_ground = new QLabel;
    m_ground->setObjectName(QStringLiteral("ground"));
    m_ground->setWordWrap(true);
    form->addWidget(m_ground, 0, 0, 1, 2);
    addBox(Options::GroundBackground, form);
    addBox(Options::BlockResistivity, form);
    auto *buttons = new QHBoxLayout;
    auto *load = new QPushButton(tr("Load Ground\u2026"));
    m_none = new QPushButton(tr("None"));
    m_none->setToolTip(tr("Back to the uniform ground of the resistivity under Cable and ground"));
    m_test = new QPushButton(tr("Test"));
    m_test->setObjectName(QStringLiteral("testButton"));
    buttons->addWidget(load);
    buttons->addWidget(m_none);
    buttons->addStretch();
    buttons->addWidget(m_test);
    form->addLayout(buttons, form->rowCount(), 0, 1, 2);
    m_problem = new QLabel;
    m_problem->setObjectName(QStringLiteral("groundProblem"));
    m_problem->setWordWrap(true);
    QPalette colours = m_problem->palette();
    colours.setColor(QPalette::WindowText, problemColour(colours));
    m_problem->setPalette(colours);
    m_problem->hide();
    form->addWidget(m_problem, form->rowCount(), 0, 1, 2);
    connect(load, &QPushButton::clicked, this, &GroundPanel::loadRequested);
    connect(m_none, &QPushButton::clicked, this, &GroundPanel::noneRequested);
    connect(m_test, &QPushButton::clicked, this, &GroundPanel::testRequested);
    showGround(QString(), false);
}

void GroundPanel::showGround(const QString &text, bool hasGround)
{
    m_ground->setText(hasGround ? text
                                : tr("None: the uniform ground. Drag a block on the Ground view, "
                                     "or load a ground file."));
    m_none->setEnabled(hasGround);
    // A ground has its own background; a block drawn on none lies in the box's.
    box(Options::GroundBackground)->setEnabled(!hasGround);
}

void GroundPanel::setProblem(const QString &text)
{
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
}

QString GroundPanel::problem() const
{
    return m_problem->text();
}

void GroundPanel::setTestable(bool testable, const QString &why)
{
    m_test->setEnabled(testable);
    m_test->setToolTip(testable ? tr("Simulate and invert the list on show and the standard "
                                     "arrays of its size over this ground, and compare the images")
                                : why);
}

OrderPanel::OrderPanel(QWidget *parent)
    : SettingsPanel(tr("Order"), parent)
{
    QGridLayout *form = grid(this);
    addBox(Options::Order, form);
    addBox(Options::Gap, form);
    m_figures = new QLabel;
    m_figures->setObjectName(QStringLiteral("orderFigures"));
    m_figures->setWordWrap(true);
    form->addWidget(m_figures, form->rowCount(), 0, 1, 2);
}

void OrderPanel::showOrdering(bool on)
{
    box(Options::Order)->showDefault(on);
}

void OrderPanel::setFigures(const QString &text)
{
    m_figures->setText(text);
}
