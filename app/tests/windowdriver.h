#pragma once

// Driving the main window as a user would: find a control by its name, click
// it, load a file through the faked open dialog, mark a part, act while a
// task runs, and list the child processes the window left.

#include "fakeservices.h"
#include "formatpanel.h"
#include "slider.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QTimer>

#include <functional>

namespace WindowDriver {

template<typename T = QWidget>
T *child(QWidget &window, const QString &name)
{
    T *widget = window.findChild<T *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

inline void press(QWidget &window, const char *name)
{
    child<QAbstractButton>(window, QString::fromLatin1(name))->click();
}

// Process ids of our children that are still there (zombies included).
inline QList<qint64> childProcesses()
{
    QList<qint64> children;
#ifdef Q_OS_LINUX
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        QFile stat(it.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // pid (comm) state ppid ...: comm may hold spaces, so split after ')'.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            children.append(it.fileName().toLongLong());
    }
#endif
    return children;
}

// Calls step every 10 ms while a task runs (the timer fires inside the
// encoder runner's event passes), until it returns true.
inline void duringTask(QObject *owner, std::function<bool()> step)
{
    auto *timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, step] {
        if (step())
            timer->stop();
    });
    timer->start(10);
}

// Load Video File with path chosen in the open dialog.
inline void load(frmMain &window, FakeServices &fakes, const QString &path)
{
    fakes.dialogs.openAnswer = path;
    press(window, "cmdAddVideoFile");
}

// Marks from..to (seconds) and picks the first preset of the first category:
// web video (MP4), H.264 at the original size, quick on a small clip.
inline void markAndSelectFastPreset(frmMain &window, int from, int to)
{
    FormatPanel &format = window.formatPanel();
    format.selectMode(0);
    format.selectIndex(format.controls().cmbCategory, 0);
    auto *slider = child<Slider>(window, QStringLiteral("Slider"));
    slider->SetValue(from);
    press(window, "cmdStartSelect");
    slider->SetValue(to);
    press(window, "cmdEndSelect");
}

} // namespace WindowDriver
