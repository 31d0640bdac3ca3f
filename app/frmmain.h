#pragma once

#include "messagesink.h"

#include <QMainWindow>

// The main window. It owns the catalogues, the slider, the preview and the
// current conversion job, and is the one place where they are wired together.
class frmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
};
