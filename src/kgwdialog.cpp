#include "kgwdialog.h"

#include "electrodelist.h"
#include "sequencewriter.h"

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void warn(QWidget *parent, const QString &text, const QString &informativeText)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok, parent);
    box.setInformativeText(informativeText);
    box.setDefaultButton(QMessageBox::NoButton);
    box.exec();
}

// No spacing the box takes reaches 1000, so a thousands separator is never meant as one: a comma
// and a full stop are both the decimal point, whatever the locale, and any other separator or
// space is refused. "1,5" is 1.5 m everywhere, never 15 m.
class SpacingBox : public QDoubleSpinBox
{
public:
    QValidator::State validate(QString &text, int &pos) const override
    {
        const QChar point = locale().decimalPoint();
        const QChar group = locale().groupSeparator();
        for (QChar &c : text) {
            if (c == QLatin1Char('.') || c == QLatin1Char(','))
                c = point;
            else if (c == group || c.isSpace())
                return QValidator::Invalid;
        }
        return QDoubleSpinBox::validate(text, pos);
    }
};

} // namespace

KGWDialog::KGWDialog(QWidget *parent)
    : QDialog(parent)
{
    spacingBox = new SpacingBox;
    // Decimals first: the box rounds its bounds to the decimals in force, and at two the
    // minimum would become 0.
    spacingBox->setDecimals(3);
    spacingBox->setMinimum(0.001);
    spacingBox->setMaximum(100);
    spacingBox->setValue(5);

    setWindowTitle(QStringLiteral("KGW make"));
    setFixedSize(200, 150);

    auto *layout = new QVBoxLayout;
    setLayout(layout);
    layout->addWidget(new QLabel(QStringLiteral("Cable spacing [m]:")));
    layout->addWidget(spacingBox);

    auto *loadButton = new QPushButton(QStringLiteral("Load TXT"));
    loadButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(loadButton);

    connect(loadButton, SIGNAL(clicked()), this, SLOT(onLoadTXT()));
}

void KGWDialog::onLoad(QString fileName)
{
    const Kgw::ListResult list = Kgw::readElectrodeList(fileName);
    if (!list.ok()) {
        warn(this, list.message, list.informativeText());
        return;
    }

    const Kgw::WriteResult written = Kgw::writeSequenceFile(
        Kgw::sequenceFileName(fileName), list.quadruples, spacingBox->value());
    if (!written.ok()) {
        warn(this, written.message, written.errorString);
        return;
    }
    QMessageBox::information(this, QStringLiteral("Information"),
        QStringLiteral("KGW file created"), QMessageBox::Ok, QMessageBox::NoButton);
}

void KGWDialog::onLoadTXT()
{
    const QStringList filters { QStringLiteral("TXT files (*.txt)") };
    QFileDialog chooser(this, QString(), QString(), QString());
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setNameFilters(filters);
    chooser.setFileMode(QFileDialog::ExistingFile);
    if (!chooser.exec())
        return;
    onLoad(chooser.selectedFiles().first());
}
