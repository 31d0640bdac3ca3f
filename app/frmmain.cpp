#include "frmmain.h"

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kAppTitle);
    resize(640, 480);
}
