#include "designwindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KGW"));
    QApplication::setApplicationName(QStringLiteral("KGW design"));
    QApplication::setApplicationVersion(QStringLiteral(KGW_VERSION));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kgwdesign"), QIcon(QStringLiteral(":/kgwdesign.svg"))));
    QApplication::setDesktopFileName(QStringLiteral("kgwdesign"));

    DesignWindow window;
    window.show();
    return app.exec();
}
