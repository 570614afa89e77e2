#include "findingsview.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

FindingsView::FindingsView(QWidget *parent)
    : QWidget(parent)
    , m_model(new FindingsModel(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_band = new QLabel;
    m_band->setObjectName(QStringLiteral("findingsStale"));
    m_band->setWordWrap(true);
    m_band->setMargin(6);
    // The palette's colours for a note, as the pictures' band has them.
    m_band->setAutoFillBackground(true);
    m_band->setBackgroundRole(QPalette::ToolTipBase);
    m_band->setForegroundRole(QPalette::ToolTipText);
    m_band->hide();
    layout->addWidget(m_band);
}

void FindingsView::setField(std::shared_ptr<const FieldList> field, const QString &staleText)
{
    m_model->setField(std::move(field));
    m_band->setText(staleText);
    m_band->setVisible(!staleText.isEmpty());
}

QString FindingsView::staleText() const
{
    return m_band->isHidden() ? QString() : m_band->text();
}

void FindingsView::showEvent(QShowEvent *event)
{
    // The first item view of a program costs a noticeable share of the window's first paint, so
    // it waits until the crew looks.
    if (!m_table) {
        m_table = new QTableView;
        m_table->setObjectName(QStringLiteral("findingsTable"));
        m_table->setModel(m_model);
        m_table->horizontalHeader()->setStretchLastSection(true);
        m_table->verticalHeader()->hide();
        m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_table->setSelectionMode(QAbstractItemView::SingleSelection);
        layout()->addWidget(m_table);
        const auto choose = [this](const QModelIndex &index) {
            if (const std::optional<Kgw::Quadruple> q = m_model->configuration(index.row()))
                emit configurationChosen(*q);
        };
        connect(m_table, &QTableView::clicked, this, choose);
        connect(m_table, &QTableView::activated, this, choose);
    }
    QWidget::showEvent(event);
}
