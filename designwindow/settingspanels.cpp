#include "settingspanels.h"

#include <QGridLayout>
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
