// Renders the main window to PNG files in a folder: idle, with each sliding
// panel up, and (given a video) with a video loaded, a part marked and a task
// running. Run it at QT_SCALE_FACTOR=1 and 2:
//   window_look <folder> [video]
// It uses the same stand-in services as the tests, so it touches no settings.
// It speaks the user's language as the program does (LANG=de_DE.UTF-8
// window_look ... gives window-main-de@1x.png and so on).

#include "controls.h"
#include "cutlist.h"
#include "previewsession.h"
#include "cutlistpanel.h"
#include "fakeservices.h"
#include "language.h"
#include "panelslider.h"
#include "slider.h"
#include "timelineband.h"
#include "videoarea.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString g_suffix;

bool save(QWidget &window, const QDir &dir, const QString &name)
{
    QCoreApplication::processEvents();
    const QString path = dir.filePath(u"window-%1%2.png"_s.arg(name, g_suffix));
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "cannot write", qPrintable(path));
    return ok;
}

// Runs events until done() holds, at most 10 s.
void waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void slideFully(frmMain &window)
{
    while (window.panels().animator().timerEnabled())
        window.panels().tmrAnimate_Timer();
}

void click(QWidget &window, const char *name)
{
    window.findChild<QAbstractButton *>(QString::fromLatin1(name))->click();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_look <folder> [video]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
    const UserLanguage language(QLocale::system(), TestSupport::programDir(),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    g_suffix = (language.language().isEmpty() ? QString() : u'-' + language.language()) + u"@%1x"_s.arg(scale);

    FakeServices fakes;
    fakes.useRealPreview(); // the pictures show a real frame
    auto window = fakes.makeWindow();
    // A folder as a user would have it, not the stand-in's temporary one, in
    // the pictures; the cut itself writes into the temporary one.
    auto *txtOutPath = window->findChild<QLineEdit *>(u"txtOutPath"_s);
    const QString outPath = txtOutPath->text();
    txtOutPath->setText(u"/home/alex/Videos/Cuts"_s);
    window->show();
    bool ok = save(*window, dir, u"main"_s);

    click(*window, "cmdChangeFormat");
    slideFully(*window);
    click(*window, "optFormat(0)");
    ok = save(*window, dir, u"formats-presets"_s) && ok;
    click(*window, "optFormat(1)");
    ok = save(*window, dir, u"formats-custom"_s) && ok;
    click(*window, "optFormat(0)");
    click(*window, "cmdHide");
    slideFully(*window);

    click(*window, "cmdAbout");
    slideFully(*window);
    ok = save(*window, dir, u"about"_s) && ok;
    click(*window, "cmdCloseHelp");
    slideFully(*window);

    {
        // The cut list with a cut done, one failed and one waiting; the
        // sources are empty stand-ins, so none reads "source missing".
        QTemporaryDir videos;
        CutListModel &list = window->cutList().model();
        const QString summary = window->findChild<QLabel *>(u"lblFormat"_s)->text();
        const struct { const char *file; double start, end; } cuts[] = {
            {"holiday.mp4", 75, 140}, {"holiday.mp4", 312, 390}, {"birthday.mkv", 8, 64}};
        for (const auto &cut : cuts) {
            CutEntry entry;
            entry.sourcePath = videos.filePath(QString::fromLatin1(cut.file));
            QFile(entry.sourcePath).open(QIODevice::WriteOnly);
            entry.selectStart = cut.start;
            entry.selectEnd = cut.end;
            entry.formatSummary = summary;
            entry.folder = {false, u"/home/alex/Videos/Cuts"_s};
            list.add(entry);
        }
        list.markRunning(0, u"/home/alex/Videos/Cuts/holiday.mp4"_s);
        list.markDone();
        list.markRunning(1, u"/home/alex/Videos/Cuts/holiday_Converted.mp4"_s);
        list.markFailed(u"No space left on device"_s);
        click(*window, "cmdCutList");
        slideFully(*window);
        window->cutList().view().setCurrentIndex(list.index(2));
        ok = save(*window, dir, u"cutlist"_s) && ok;
        click(*window, "cmdCloseList");
        slideFully(*window);
        list.clear();
    }

    if (argc >= 3) {
        window->OpenFile(QString::fromLocal8Bit(argv[2]));
        auto *slider = window->findChild<Slider *>(u"Slider"_s);
        auto *area = window->findChild<VideoArea *>(u"picVideoWindow"_s);
        waitFor([area] { return area->hasFrame(); });
        slider->SetValue(slider->Max() / 4);
        click(*window, "cmdStartSelect");
        slider->SetValue(slider->Max() * 3 / 4);
        click(*window, "cmdEndSelect");
        click(*window, "cmdPlay"); // pause
        slider->SetValue(slider->Max() / 3);
        emit slider->MouseUp(1, 0, 0, 0); // seek there, as the release of a click on the track does
        QElapsedTimer settle;
        settle.start();
        // The timeline's pictures and waveform are read in the background.
        auto *band = window->findChild<TimelineBand *>(u"picTimeline"_s);
        waitFor([&settle, band] {
            return settle.elapsed() > 700 && band->waveformComplete()
                   && band->thumbnailsShown() == band->thumbnailSlots();
        });
        ok = save(*window, dir, u"loaded"_s) && ok;

        // The breaks found, drawn on the timeline.
        click(*window, "cmdFindBreaks");
        PreviewSession &session = window->workflow().session();
        waitFor([&session] { return !session.findingBreaks(); });
        ok = save(*window, dir, u"breaks"_s) && ok;

        // Grab once the encoder has reported some progress, then stop.
        QTimer grabber;
        QObject::connect(&grabber, &QTimer::timeout, window.get(), [&] {
            if (window->findChild<ProgressBar *>(u"progress"_s)->Value() > 20) {
                grabber.stop();
                txtOutPath->setText(u"/home/alex/Videos/Cuts"_s); // read at the start only
                ok = save(*window, dir, u"running"_s) && ok;
                click(*window, "cmdConvert");
            }
        });
        grabber.start(100);
        txtOutPath->setText(outPath);
        click(*window, "cmdConvert"); // returns when the task has ended
        for (const auto &message : fakes.messages.messages)
            std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
    }
    window->close();
    return ok ? 0 : 1;
}
