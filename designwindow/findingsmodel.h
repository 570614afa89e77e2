#ifndef FINDINGSMODEL_H
#define FINDINGSMODEL_H

#include "designsession.h"

#include <QAbstractTableModel>

#include <memory>

// The findings of a check of the field list, a row each, as kgw check reports them: the line,
// its configuration and what was found. Every finding has its row; a view asks only for those it
// shows, so a report of a million findings costs no more than one of ten.
class FindingsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { LineColumn, ConfigurationColumn, FindingColumn, ColumnCount };

    explicit FindingsModel(QObject *parent = nullptr);

    // The field list whose findings to show; none shows none.
    void setField(std::shared_ptr<const FieldList> field);
    const FieldList *field() const { return m_field.get(); }
    // The row's configuration, as the field list has it.
    std::optional<Kgw::Quadruple> configuration(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const FieldList> m_field;
};

#endif
