#include "findingsmodel.h"

FindingsModel::FindingsModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void FindingsModel::setField(std::shared_ptr<const FieldList> field)
{
    if (field == m_field)
        return;
    beginResetModel();
    m_field = std::move(field);
    endResetModel();
}

std::optional<Kgw::Quadruple> FindingsModel::configuration(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return m_field->quadruples.value(m_field->report.findings.at(row).index);
}

int FindingsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_field ? 0 : m_field->report.findings.size();
}

int FindingsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindingsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return QVariant();
    const Kgw::Finding &finding = m_field->report.findings.at(index.row());
    switch (index.column()) {
    case LineColumn:
        return finding.lineNumber();
    case ConfigurationColumn: {
        const Kgw::Quadruple q = m_field->quadruples.value(finding.index);
        return QStringLiteral("%1 %2 %3 %4").arg(q.a).arg(q.b).arg(q.m).arg(q.n);
    }
    case FindingColumn:
        return finding.message();
    }
    return QVariant();
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case LineColumn:
        return tr("Line");
    case ConfigurationColumn:
        return tr("A B M N");
    case FindingColumn:
        return tr("Finding");
    }
    return QVariant();
}
