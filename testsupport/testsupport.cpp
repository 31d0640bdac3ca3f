#include "testsupport.h"

#include "encodername.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace TestSupport {

QString programDir() { return QStringLiteral(SNIPORA_PROGRAM_DIR); }
QString sourceDir() { return QStringLiteral(SNIPORA_SOURCE_DIR); }
QString systemFfmpeg() { return QStringLiteral(SNIPORA_SYSTEM_FFMPEG); }
QString systemFfprobe() { return QStringLiteral(SNIPORA_SYSTEM_FFPROBE); }

QString encoderFileName()
{
    return encoderExecutableName();
}

namespace {

bool runClipEncoder(const QString &path, double seconds, QSize size, int fps, const QString &videoCodec,
                    const QStringList &videoOptions, const QString &audioCodec)
{
    const QString duration = QString::number(seconds);
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4")
                         .arg(size.width()).arg(size.height()).arg(fps).arg(duration)};
    const bool withAudio = !audioCodec.isEmpty();
    if (withAudio) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(duration);
    }
    args << QStringLiteral("-c:v") << videoCodec << videoOptions << QStringLiteral("-pix_fmt")
         << QStringLiteral("yuv420p");
    if (withAudio)
        args << QStringLiteral("-c:a") << audioCodec << QStringLiteral("-b:a") << QStringLiteral("64k");
    args << QStringLiteral("-shortest") << path;

    QProcess process;
    process.start(systemFfmpeg(), args);
    const bool ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
                    && process.exitCode() == 0 && QFile::exists(path);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace

bool makeClip(const QString &path, double seconds, QSize size, bool withAudio, int fps)
{
    return runClipEncoder(path, seconds, size, fps, QStringLiteral("mpeg4"),
                          {QStringLiteral("-q:v"), QStringLiteral("5")},
                          withAudio ? QStringLiteral("aac") : QString());
}

bool makeClipWithCodecs(const QString &path, double seconds, const QString &videoCodec, const QString &audioCodec,
                        QSize size)
{
    return runClipEncoder(path, seconds, size, 25, videoCodec, {}, audioCodec);
}

QByteArray ffprobe(const QStringList &arguments, const QString &path)
{
    QProcess process;
    process.start(systemFfprobe(), QStringList{QStringLiteral("-v"), QStringLiteral("error")} + arguments
                                       + QStringList{path});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QByteArray runTool(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    const bool ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
                    && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput().append('\n') : QByteArray();
}

bool makeMovingClip(const QString &path, const QString &rate, double seconds, const QString &codecOptions)
{
    const QStringList command = QStringList{systemFfmpeg(), QStringLiteral("-v"), QStringLiteral("error"),
                                            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                            QStringLiteral("testsrc2=size=160x90:rate=") + rate,
                                            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                            QStringLiteral("sine"), QStringLiteral("-t"), QString::number(seconds),
                                            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}
                                + codecOptions.split(u' ', Qt::SkipEmptyParts) + QStringList{path};
    return !runTool(command).isEmpty();
}

bool makeCapture(const QString &path, const QString &size, int frames, int group)
{
    // The broadcast: a keyframe at 0 and one at 30, then every group frames;
    // cut off before its ninth packet, at a transport packet's boundary.
    const QString broadcast = path + QStringLiteral(".broadcast.ts");
    const QStringList encode{systemFfmpeg(), "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=25",
                             "-f", "lavfi", "-itsoffset", "0.007", "-i", "sine=frequency=440:sample_rate=48000",
                             "-frames:v", QString::number(frames + 30), "-t", QString::number(frames / 25 + 3),
                             "-pix_fmt", "yuv420p", "-c:v", "libx264", "-preset", "veryfast", "-g", QString::number(group),
                             "-keyint_min", QString::number(group), "-sc_threshold", "0", "-bf", "3",
                             "-force_key_frames", "expr:eq(n,0)+eq(n,30)", "-c:a", "mp2", "-b:a", "192k",
                             "-output_ts_offset", "1.2", "-mpegts_copyts", "1", "-f", "mpegts", broadcast};
    if (runTool(encode).isEmpty())
        return false;
    const QList<QByteArray> positions = ffprobe({"-select_streams", "v", "-show_entries", "packet=pos", "-of", "csv=p=0"},
                                                broadcast).simplified().split(' ');
    QFile file(broadcast);
    if (positions.size() < 9 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = file.readAll();
    file.close();
    QFile::remove(broadcast);
    return writeFile(path, all.mid(positions.at(8).split(',').first().toLongLong() / 188 * 188));
}

QByteArray decodedFrames(const QString &path, const QString &videoFilter)
{
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                          QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-fps_mode"),
                          QStringLiteral("passthrough")};
    if (!videoFilter.isEmpty())
        arguments << QStringLiteral("-vf") << videoFilter;
    arguments << QStringLiteral("-f") << QStringLiteral("rawvideo") << QStringLiteral("-pix_fmt")
              << QStringLiteral("yuv420p") << QStringLiteral("-");
    QProcess process;
    process.start(systemFfmpeg(), arguments);
    process.waitForFinished(120000);
    return process.readAllStandardOutput();
}

double lumaError(const QByteArray &a, qsizetype i, const QByteArray &b, qsizetype j, int width, int height)
{
    const qsizetype frameBytes = qsizetype(width) * height * 3 / 2;
    const char *p = a.constData() + i * frameBytes;
    const char *q = b.constData() + j * frameBytes;
    double sum = 0;
    for (qsizetype k = 0; k < qsizetype(width) * height; ++k) {
        const double d = double(uchar(p[k])) - double(uchar(q[k]));
        sum += d * d;
    }
    return sum;
}

double soundSeconds(const QString &path, int track)
{
    QProcess process;
    process.start(systemFfmpeg(), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                   QStringLiteral("-map"), QStringLiteral("0:a:%1").arg(track), QStringLiteral("-f"),
                                   QStringLiteral("s16le"), QStringLiteral("-ac"), QStringLiteral("1"),
                                   QStringLiteral("-ar"), QStringLiteral("48000"), QStringLiteral("-")});
    process.waitForFinished(120000);
    return process.readAllStandardOutput().size() / 2 / 48000.0;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QList<double> frameTimes(const QString &path)
{
    QList<QByteArray> times = ffprobe({QStringLiteral("-show_entries"),
                                       QStringLiteral("format=start_time:frame=best_effort_timestamp_time"),
                                       QStringLiteral("-select_streams"), QStringLiteral("v"), QStringLiteral("-of"),
                                       QStringLiteral("csv=p=0")},
                                      path)
                                  .simplified()
                                  .replace(",", "")
                                  .split(' ');
    QList<double> fromStart;
    if (times.isEmpty())
        return fromStart;
    const double fileStart = times.takeLast().toDouble();
    for (const QByteArray &time : std::as_const(times)) {
        bool known = false;
        const double seconds = time.toDouble(&known);
        // An MPEG program stream leaves its last frame without a time: one frame on from the one before.
        if (!known && fromStart.size() >= 2)
            fromStart << 2 * fromStart.constLast() - fromStart.at(fromStart.size() - 2);
        else if (known)
            fromStart << seconds - fileStart;
    }
    return fromStart;
}

double probeDuration(const QString &path)
{
    const QByteArray out = ffprobe({QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                    QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1")},
                                   path)
                               .trimmed();
    bool ok = false;
    const double value = out.toDouble(&ok);
    return ok ? value : -1.0;
}

QString writeFakeEncoder(const QString &dir, const QByteArray &body)
{
    const QString path = QDir(dir).filePath(encoderFileName());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write("#!/bin/sh\n");
    file.write(body);
    file.write("\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                        | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    return path;
}

QString linkRealEncoder(const QString &dir)
{
    const QString path = QDir(dir).filePath(encoderFileName());
    QFile::remove(path);
    if (!QFile::link(systemFfmpeg(), path) && !QFile::copy(systemFfmpeg(), path))
        return {};
    return path;
}

} // namespace TestSupport
