// The main window's loading, preview playback, seeking and marks.

#include "frmmain.h"

#include "controls.h"
#include "cvideoconv.h"
#include "filedialogs.h"
#include "messagesink.h"
#include "previewengine.h"
#include "selectionmarks.h"
#include "slider.h"
#include "timetext.h"
#include "videoarea.h"

#include <QLabel>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kNotSupportedMessage = u"File is not supported"_s;
const QString kPlayCaption = u"Play"_s;
const QString kPauseCaption = u"Pause"_s;

} // namespace

const QList<FileType> &VideoFileTypes()
{
    static const QList<FileType> types{
        {u"Common Video Files"_s,
         {u"wmv"_s, u"asf"_s, u"avi"_s, u"mpg"_s, u"mpe"_s, u"mp2"_s, u"mpeg"_s, u"mp4"_s, u"mov"_s,
          u"dat"_s, u"flv"_s, u"rm"_s, u"rmvb"_s, u"yuv"_s, u"mkv"_s, u"m4v"_s, u"m1v"_s, u"m2v"_s,
          u"mpv2"_s, u"mp2v"_s, u"ts"_s, u"tp"_s, u"tpr"_s, u"pva"_s, u"pss"_s, u"divx"_s}},
        {u"MPEG Files(.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)"_s,
         {u"mpg"_s, u"mp2"_s, u"mpeg"_s, u"mp4"_s, u"mpe"_s, u"m4v"_s, u"m1v"_s, u"m2v"_s, u"mpv2"_s,
          u"mp2v"_s, u"dat"_s, u"ts"_s, u"tp"_s, u"tpr"_s, u"pva"_s, u"pss"_s}},
        {u"Windows Media Files(*.wmv,*.asf)"_s, {u"wmv"_s, u"asf"_s}},
        {u"AVI Files(*.avi)"_s, {u"avi"_s}},
        {u"QuickTime Files-Ver2 or less(*.mov)"_s, {u"mov"_s}},
        {u"All Files(*.*)"_s, {u"*"_s}},
    };
    return types;
}

bool IsVideoFileName(const QString &fileName)
{
    static const QString kVideoExtensions =
        u".wmv.asf.avi.mpg.mpe.mp2.mpeg.mp4.mov.dat.flv.rm.rmvb.yuv.mkv.m4v.m1v.m2v.mpv2.mp2v.ts.tp.tpr.pva.pss.divx"_s;
    static const QStringList extensions = [] {
        QStringList list;
        for (const QString &ext : kVideoExtensions.split(u'.', Qt::SkipEmptyParts))
            list.append(u'.' + ext);
        return list;
    }();
    for (const QString &ext : extensions) {
        if (fileName.endsWith(ext, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

qint32 frmMain::sliderMax() const
{
    return m_slider->Max();
}

QString frmMain::SelectVideoFile()
{
    QString path = m_services.dialogs->ShowOpenDialog(this, VideoFileTypes(), u"Select a video file"_s);
    if (path == kDialogCancel)
        return QString();
    return path.remove(QChar(0));
}

void frmMain::cmdAddVideoFile_Click()
{
    const QString path = SelectVideoFile();
    if (path.isEmpty())
        return;
    OpenFile(path);
}

void frmMain::OpenFile(const QString &path)
{
    cmdStop_Click();
    m_bNoVideo = true;
    lblTime->setText(u"00:00/00:00"_s);
    m_slider->SetValue(0);
    m_slider->SetSelectEnd(0);
    m_slider->SetSelectStart(0);
    lblStartSelect->setText(kResetMarkText);
    lblEndSelect->setText(kResetMarkText);
    lblProgress->hide();
    progress->setValue(0);
    progress->hide();
    m_sVideoFile = path;

    bool supported = false;
    std::optional<double> probedDuration;
    {
        CVideoConv probe(m_services.messages, m_services.programDir);
        supported = probe.IsFileSupported(path);
        probedDuration = probe.ProbedDuration();
    }
    if (!supported) {
        m_services.messages->showMessage(kNotSupportedMessage, MessageIcon::Warning, kAppTitle);
        return;
    }
    LoadVideo(path, probedDuration);
    m_slider->SetEnabled(true);
}

bool frmMain::loadStep(PreviewStatus status)
{
    // A step the engine cannot do is skipped; any other failure ends the load.
    if (status != PreviewStatus::Failed)
        return true;
    m_services.messages->showMessage(kNotSupportedMessage, MessageIcon::Warning, kAppTitle);
    return false;
}

void frmMain::LoadVideo(const QString &path, std::optional<double> probedDuration)
{
    if (!m_preview) {
        loadStep(PreviewStatus::Failed);
        return;
    }
    m_preview->Release();
    picVideoWindow->clearFrame();
    if (!loadStep(m_preview->RenderFile(path)) || !loadStep(m_preview->SetVolume(0))
        || !loadStep(m_preview->SetBalance(0)) || !loadStep(m_preview->SetVideoOutput(picVideoWindow->videoSink())))
        return;
    picVideoWindow->unsetCursor(); // the pointer stays visible over the video
    if (!loadStep(m_preview->SetRate(1.0)))
        return;
    // Some streams (MPEG-TS among them) play but tell the preview no length;
    // the encoder's probe still knows it. Only a file neither can time fails.
    std::optional<double> duration = m_preview->Duration();
    if (!duration || *duration <= 0.0)
        duration = probedDuration;
    if (!duration) {
        loadStep(PreviewStatus::Failed);
        return;
    }
    const qint32 seconds = RoundHalfEven(*duration);
    m_slider->SetMax(seconds);
    m_slider->SetValue(0);
    m_tmrVideo.start();
    if (!loadStep(m_preview->Run()))
        return;
    update();
    cmdPlay->setCaption(kPauseCaption);
    m_sTotalTime = FormatTime(seconds);
    lblTime->setText(u"00:00:00/"_s + m_sTotalTime);
    m_bNoVideo = false;
}

void frmMain::picVideoWindow_filesDropped(const QStringList &paths)
{
    // A drop loads like the button does (a drop that only previewed would
    // leave the cut on the old source), but never in the middle of a task.
    if (m_taskRunning || paths.isEmpty())
        return;
    const QString &file = paths.constFirst();
    if (IsVideoFileName(file))
        OpenFile(file);
}

void frmMain::cmdPlay_Click()
{
    if (m_bNoVideo)
        return;
    if (cmdPlay->Caption() != kPlayCaption) {
        m_preview->Pause();
        cmdPlay->setCaption(kPlayCaption);
        m_tmrVideo.stop();
        return;
    }
    const std::optional<double> duration = m_preview->Duration();
    const std::optional<double> position = m_preview->CurrentPosition();
    if (duration && position && std::floor(*duration) == std::floor(*position))
        cmdStop_Click(); // at the end: play again from the start
    m_tmrVideo.start();
    m_preview->Run();
    cmdPlay->setCaption(kPauseCaption);
}

void frmMain::cmdStop_Click()
{
    if (m_bNoVideo)
        return;
    m_preview->Stop();
    m_preview->SetCurrentPosition(0);
    m_slider->SetValue(0);
    cmdPlay->setCaption(kPlayCaption);
    m_tmrVideo.stop();
}

void frmMain::showPosition()
{
    if (!m_preview)
        return;
    if (const std::optional<double> position = m_preview->CurrentPosition())
        lblTime->setText(FormatTime(RoundHalfEven(*position)) + u'/' + m_sTotalTime);
}

void frmMain::tmrVideo_Timer()
{
    picVideoWindow->update();
    showPosition();
    if (m_preview) {
        if (const std::optional<double> position = m_preview->CurrentPosition())
            m_slider->SetValue(RoundHalfEven(*position));
    }
    if (m_slider->Value() == m_slider->Max()) {
        m_tmrVideo.stop();
        cmdPlay->setCaption(kPlayCaption);
    }
}

void frmMain::Slider_MouseUp()
{
    // The slider raises MouseUp (and Click) before a click on its track moves
    // the handle: seek once the release is handled, to where the handle ends.
    if (std::exchange(m_seekQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_seekQueued = false;
            seekToSlider();
        },
        Qt::QueuedConnection);
}

void frmMain::seekToSlider()
{
    if (!m_preview || m_bNoVideo)
        return;
    m_preview->SetCurrentPosition(m_slider->Value());
    showShownFrame();
}

void frmMain::showShownFrame()
{
    // Some formats seek late (MPEG-PS by most of a second): the label and
    // the handle follow the frame that is shown, not the one asked for.
    if (!m_preview || m_bNoVideo || m_tmrVideo.isActive())
        return;
    if (const std::optional<double> position = m_preview->CurrentPosition()) {
        lblTime->setText(FormatTime(RoundHalfEven(*position)) + u'/' + m_sTotalTime);
        m_slider->SetValue(RoundHalfEven(*position));
    }
}

void frmMain::cmdStartSelect_Click()
{
    if (!m_bNoVideo)
        MarkSelectionStart(*m_slider, *lblStartSelect);
}

void frmMain::cmdEndSelect_Click()
{
    if (!m_bNoVideo)
        MarkSelectionEnd(*m_slider, *lblEndSelect);
}

void frmMain::cmdDeleteSelect_Click()
{
    ResetSelection(*m_slider, *lblStartSelect, *lblEndSelect);
}
