#ifndef KGWDIALOG_H
#define KGWDIALOG_H

#include <QDialog>

class QDoubleSpinBox;

class KGWDialog : public QDialog
{
    Q_OBJECT

public:
    explicit KGWDialog(QWidget *parent = nullptr);

private slots:
    void onLoad(QString fileName);
    void onLoadTXT();

private:
    QDoubleSpinBox *spacingBox;
};

#endif
