// The main window's Start/Stop button and one task from the press to its end.

#include "frmmain.h"

#include "controls.h"
#include "cvideoconv.h"
#include "encoderoptions.h"
#include "formatpanel.h"
#include "messagesink.h"
#include "outputpath.h"
#include "poweroff.h"
#include "slider.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

const QString kStartCaption = u"Start"_s;
const QString kStopCaption = u"Stop"_s;
const QString kProgressCaption = u"Task Progress:"_s;
const QString kStoppedCaption = u"Task Progress:[Stopped]"_s;
constexpr int kForcedPowerOff = 8;

} // namespace

void frmMain::cmdConvert_Click()
{
    MessageSink &messages = *m_services.messages;
    if (m_bNoVideo) {
        messages.showMessage(u"No video file loaded"_s, MessageIcon::Information, kAppTitle);
        return;
    }
    const qint32 selectStart = m_slider->SelectStart();
    const qint32 selectEnd = m_slider->SelectEnd();
    if (selectStart == selectEnd) {
        messages.showMessage(
            u"No part selected. Please, select a part first using 'Start Selection' and 'End Selection'."_s,
            MessageIcon::Information, kAppTitle);
        return;
    }
    if (selectEnd < selectStart) {
        messages.showMessage(u"No part selected, 'Start Selection' can not be greater than 'End Selection'."_s,
                             MessageIcon::Information, kAppTitle);
        return;
    }

    if (cmdConvert->Caption() == kStopCaption) {
        if (m_cConvert)
            m_cConvert->StopConversion();
        cmdConvert->setCaption(kStartCaption);
        EnableControls(true);
        lblProgress->setText(kStoppedCaption);
        return;
    }

    if (m_taskRunning) {
        // Start pressed while the stopped encoder still winds down, inside
        // that task's event passes: run it once the old task has returned,
        // so two encoders never overlap.
        m_startPending = true;
        return;
    }

    lblProgress->setText(kProgressCaption);
    cmdConvert->setCaption(kStopCaption);
    EnableControls(false);
    RunConversionTask();
    // Power off after every task, completed, failed or stopped; not when the
    // user has just asked for another one or closed the program.
    if (chkShutdown->Value() == 1 && !m_startPending && !m_closing)
        m_services.power->ShutdownWindows(kForcedPowerOff);
    cmdConvert->setCaption(kStartCaption);
    EnableControls(true);
    if (lblProgress->text() == kProgressCaption)
        progress->setValue(100);
    emit taskEnded();

    if (m_startPending && !m_closing) {
        m_startPending = false;
        QMetaObject::invokeMethod(this, &frmMain::cmdConvert_Click, Qt::QueuedConnection);
    }
    m_startPending = false;
}

void frmMain::RunConversionTask()
{
    m_taskRunning = true;
    const QString extension = OutputExtension(m_format->snapshot());
    LocalFileSystem fileSystem;
    const QString outFile = MakeOutputPath(m_sVideoFile, extension,
                                           OutputFolderChoice{optSameFolder->Value(), txtOutPath->text()},
                                           fileSystem, *m_services.messages);
    ConvertVideo(m_sVideoFile, outFile, m_sTotalTime);
    m_taskRunning = false;
}

void frmMain::ConvertVideo(const QString &origfile, const QString &outFile, const QString &sDuration)
{
    Q_UNUSED(sDuration)
    lblProgress->show();
    progress->setValue(0);
    // Until the encoder reports its first time, which may take long when the
    // start mark lies late in the file, show that it is working.
    progress->setBusy(true);
    progress->show();
    cmdStop_Click();

    m_cConvert = std::make_unique<CVideoConv>(m_services.messages, m_services.programDir);
    connect(m_cConvert.get(), &CVideoConv::Progress, this, &frmMain::cConvert_Progress);

    const qint32 selectStart = m_slider->SelectStart();
    const qint32 selectEnd = m_slider->SelectEnd();
    const QString parameters = GetParamaters(m_format->snapshot(), m_presets.Presets, m_presets.PresetCount,
                                             m_codecs.Codecs, m_codecs.CodecCount, selectStart, selectEnd,
                                             *m_services.messages);
    if (parameters.isEmpty()) {
        // No options means no cut: the encoder would convert the whole file
        // with whatever it defaults to.
        lblProgress->hide();
        progress->hide();
        return;
    }
    m_cConvert->setInputFile(origfile);
    m_cConvert->setOutputFile(outFile);
    m_cConvert->setParametrs(parameters + u" -y"_s);
    m_cConvert->setFileTimeLength(float(qint64(selectEnd) - selectStart));
    m_cConvert->setFastSeek(m_format->fastSeek());
    m_cConvert->StartConversion();
    progress->setBusy(false);
}

void frmMain::cConvert_Progress(int iProgress)
{
    if (m_taskRunning)
        progress->setValue(iProgress);
}

void frmMain::EnableControls(bool bEnable)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{
             cmdChangeFormat, cmdPlay, cmdBrowse, optSameFolder, optOtherFolder, cmdAddVideoFile, cmdAbout,
             cmdStartSelect, cmdStop, cmdEndSelect, cmdDeleteSelect})
        widget->setEnabled(bEnable);
    // Browse serves the other-folder mode only, after a task too.
    if (bEnable)
        updateFolderControls();
}
