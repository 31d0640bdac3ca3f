#include "frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    frmMain window;
    window.show();
    return QApplication::exec();
}
