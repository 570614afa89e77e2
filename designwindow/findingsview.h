#ifndef FINDINGSVIEW_H
#define FINDINGSVIEW_H

#include "findingsmodel.h"

#include <QWidget>

class QLabel;
class QTableView;

// The check's findings of the field list on show, with a band above them when that list is not
// the one the settings give any more.
class FindingsView : public QWidget
{
    Q_OBJECT

public:
    explicit FindingsView(QWidget *parent = nullptr);

    FindingsModel *model() const { return m_model; }
    void setField(std::shared_ptr<const FieldList> field, const QString &staleText);
    QString staleText() const;

signals:
    // The crew chose a finding: its configuration, to be found on the coverage.
    void configurationChosen(const Kgw::Quadruple &configuration);

protected:
    void showEvent(QShowEvent *event) override;

private:
    FindingsModel *m_model = nullptr;
    QLabel *m_band = nullptr;
    QTableView *m_table = nullptr; // made when first shown
};

#endif
