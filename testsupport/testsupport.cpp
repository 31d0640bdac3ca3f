#include "testsupport.h"

#include "encodername.h"

#include <algorithm>
#include <bit>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

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


namespace {

// A DVB subtitle segment of page 1: sync byte, type, page, length, payload.
QByteArray dvbSegment(quint8 type, const QByteArray &payload)
{
    QByteArray segment;
    segment.append(char(0x0f)).append(char(type)).append(char(0)).append(char(1));
    segment.append(char(payload.size() >> 8)).append(char(payload.size() & 0xff));
    return segment + payload;
}

QByteArray bigEndian16(int value)
{
    QByteArray bytes;
    return bytes.append(char((value >> 8) & 0xff)).append(char(value & 0xff));
}

// One display set: for a cue, a page with one region holding one object,
// `width` pixels of CLUT entry 1 on each of 4 + 2 * cue rows, 4-bit coded;
// for cue < 0 an empty page, which clears the screen.
QByteArray dvbDisplaySet(int cue, int version)
{
    const char state = char((version & 15) << 4 | 2 << 2); // a mode change: the page is drawn anew
    if (cue < 0)
        return dvbSegment(0x10, QByteArray(1, 10) + state) + dvbSegment(0x80, {});
    const int width = 60;
    const int height = 4 + 2 * cue;
    const QByteArray page = QByteArray(1, 10) + state + QByteArray(2, 0) + bigEndian16(100) + bigEndian16(480);
    QByteArray region;
    region.append(char(0)).append(char((version & 15) << 4 | 1 << 3));
    region += bigEndian16(width) + bigEndian16(height);
    region.append(char(2 << 5 | 2 << 2)).append(QByteArray(3, 0)); // 4-bit depth, CLUT 0, no fill codes
    region += bigEndian16(cue) + bigEndian16(0) + bigEndian16(0);
    QByteArray clut;
    clut.append(char(0)).append(char((version & 15) << 4));
    clut.append(char(1)).append(char(0x41)).append(char(200)).append(char(128)).append(char(128)).append(char(0));
    // A row: one run of 25..280 pixels of colour 1 ("0000 1 1 11", length - 25,
    // the colour), the string's end ("0000 0000") and the line's end.
    const quint32 bits = 0x0f << 20 | quint32(width - 25) << 12 | 1 << 8;
    QByteArray row;
    row.append(char(0x11)).append(char(bits >> 24)).append(char(bits >> 16)).append(char(bits >> 8)).append(char(bits));
    row.append(char(0xf0));
    const QByteArray field = row.repeated(height / 2);
    const QByteArray object = bigEndian16(cue) + QByteArray(1, char((version & 15) << 4)) + bigEndian16(int(field.size()))
                              + bigEndian16(int(field.size())) + field + field;
    return dvbSegment(0x10, page) + dvbSegment(0x11, region) + dvbSegment(0x12, clut) + dvbSegment(0x13, object)
           + dvbSegment(0x80, {});
}

// Teletext's Hamming 8/4 code of a nibble, and a character with odd parity.
quint8 hamming(int nibble)
{
    static const quint8 codes[16]{0x15, 0x02, 0x49, 0x5e, 0x64, 0x73, 0x38, 0x2f,
                                  0xd0, 0xc7, 0x8c, 0x9b, 0xa1, 0xb6, 0xfd, 0xea};
    return codes[nibble & 15];
}

quint8 oddParity(char c)
{
    const quint8 value = quint8(c) & 0x7f;
    return std::popcount(value) % 2 ? value : value | 0x80;
}

// One EBU teletext data unit of magazine 8, row `row`, with 40 bytes after
// the row's address; DVB carries each byte with its bits reversed.
QByteArray teletextUnit(int row, const QByteArray &data)
{
    QByteArray logical;
    logical.append(char(hamming((row & 1) << 3))).append(char(hamming(row >> 1))).append(data);
    QByteArray unit;
    unit.append(char(0x03)).append(char(0x2c)).append(char(0xe0 | (7 + row % 10))).append(char(0xe4));
    for (const char byte : logical) {
        quint8 reversed = 0;
        for (int bit = 0; bit < 8; ++bit)
            reversed |= ((quint8(byte) >> bit) & 1) << (7 - bit);
        unit.append(char(reversed));
    }
    return unit;
}

// A page header: page 8xx, the erase flag, the subtitle flag, a blank title.
QByteArray teletextHeader(int page, bool erase)
{
    QByteArray data;
    for (const int nibble : {page & 15, page >> 4, 0, erase ? 8 : 0, 0, 8, 0, 0})
        data.append(char(hamming(nibble)));
    return teletextUnit(0, data + QByteArray(32, char(oddParity(' '))));
}

// One PES payload: page 888 erased and, for a cue, its text boxed on row 22;
// page 8FF's header after it completes the page at once.
QByteArray teletextPacket(int cue)
{
    QByteArray packet(1, char(0x10));
    packet += teletextHeader(0x88, true);
    if (cue >= 0) {
        QByteArray text = "\x0b\x0b" + QByteArray("Cue ") + QByteArray::number(cue) + "\x0a\x0a";
        text = text.leftJustified(40, ' ');
        QByteArray coded;
        for (const char c : text)
            coded.append(char(oddParity(c)));
        packet += teletextUnit(22, coded);
    } else {
        packet += QByteArray(1, char(0xff)) + QByteArray(1, char(0x2c)) + QByteArray(44, char(0xff));
    }
    return packet + teletextHeader(0xff, false);
}

// The setts expression that gives packet N the Nth of times (seconds).
QString packetTimes(const QList<double> &times)
{
    QString expression = QStringLiteral("0");
    for (qsizetype i = times.size() - 1; i >= 0; --i)
        expression = QStringLiteral("if(eq(N\\,%1)\\,%2\\,%3)").arg(i).arg(times.at(i), 0, 'f', 4).arg(expression);
    return QStringLiteral("setts=ts=(%1)/TB").arg(expression);
}

} // namespace

bool addBroadcastSubtitles(const QString &source, const QString &output, const QList<Cue> &cues, bool teletext)
{
    // The raw demuxers read packets of one fixed size: the display sets are
    // padded with bytes past the end of their segments, which the parser drops.
    constexpr int kDisplaySetSize = 512;
    QByteArray dvb;
    QByteArray pages;
    QList<double> times;
    int version = 0;
    for (qsizetype i = 0; i < cues.size(); ++i) {
        for (const int cue : {int(i), -1}) {
            dvb += dvbDisplaySet(cue, version++).leftJustified(kDisplaySetSize, char(0xff));
            pages += teletextPacket(cue);
            times << (cue < 0 ? cues.at(i).end : cues.at(i).start);
        }
    }
    // The times count from the output's start, which is the source's: the
    // cues count from its first picture.
    const QList<QByteArray> starts = ffprobe({"-select_streams", "v:0", "-show_entries", "stream=start_time:format=start_time",
                                              "-of", "csv=p=0"}, source).replace(',', ' ').simplified().split(' ');
    if (starts.size() < 2)
        return false;
    for (double &time : times)
        time += starts.first().toDouble() - starts.last().toDouble();
    const QString dvbPath = output + QStringLiteral(".dvbsub");
    const QString pagesPath = output + QStringLiteral(".teletext");
    if (!writeFile(dvbPath, dvb) || !writeFile(pagesPath, pages))
        return false;
    QStringList command{systemFfmpeg(), "-v", "error", "-y", "-i", source, "-f", "dvbsub", "-raw_packet_size",
                        QString::number(kDisplaySetSize), "-i", dvbPath};
    if (teletext)
        command << "-f" << "dvbtxt" << "-raw_packet_size" << QString::number(teletextPacket(-1).size()) << "-i" << pagesPath;
    command << "-map" << "0" << "-map" << "1" << "-c" << "copy" << "-metadata:s:s:0" << "language=fin";
    if (teletext)
        command << "-map" << "2" << "-metadata:s:s:1" << "language=swe";
    // DVB's stream types: AC-3 as private data with its descriptor.
    command << "-bsf:s" << packetTimes(times) << "-mpegts_flags" << "system_b" << "-f" << "mpegts" << output;
    const bool made = !runTool(command).isEmpty();
    QFile::remove(dvbPath);
    QFile::remove(pagesPath);
    return made;
}

QList<std::pair<double, int>> dvbCues(const QString &path, int track)
{
    const QList<QByteArray> video = ffprobe({"-select_streams", "v:0", "-show_entries", "frame=best_effort_timestamp_time",
                                             "-of", "csv=p=0"}, path).replace(',', ' ').simplified().split(' ');
    double first = 1e9;
    for (const QByteArray &time : video)
        first = std::min(first, time.toDouble());
    QList<std::pair<double, int>> cues;
    const QList<QByteArray> packets = ffprobe({"-select_streams", QStringLiteral("s:%1").arg(track), "-show_entries",
                                               "packet=pts_time,size", "-of", "csv=p=0"}, path).simplified().split(' ');
    for (const QByteArray &packet : packets) {
        const QList<QByteArray> fields = packet.split(',');
        if (fields.size() < 2) // a transport stream adds an empty field
            continue;
        int cue = -2;
        for (int k = -1; k < 64 && cue == -2; ++k)
            if (fields.at(1).toInt() == dvbDisplaySet(k, 0).size())
                cue = k;
        cues.append({fields.at(0).toDouble() - first, cue});
    }
    return cues;
}

QByteArray subtitleDecodeErrors(const QString &path, int track)
{
    QProcess process;
    process.start(systemFfprobe(), {"-v", "error", "-select_streams", QStringLiteral("s:%1").arg(track), "-show_frames", path});
    if (!process.waitForFinished(60000))
        return "timed out";
    const QByteArray frames = process.readAllStandardOutput();
    return process.readAllStandardError() + (frames.contains("media_type=subtitle") ? QByteArray() : QByteArray("no subtitle decoded"));
}

QStringList teletextCues(const QString &path, int track)
{
    const QByteArray srt = runTool({systemFfmpeg(), "-v", "error", "-txt_format", "text", "-i", path, "-map",
                                    QStringLiteral("0:s:%1").arg(track), "-c:s", "srt", "-f", "srt", "-"});
    QStringList cues;
    const QStringList lines = QString::fromUtf8(srt).split(u'\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (lines.at(i).contains(QStringLiteral("-->")))
            cues << lines.at(i).section(u' ', 0, 0) + u' ' + lines.at(i + 1).trimmed();
    return cues;
}

QString dvbCueWords(const QString &path)
{
    QStringList shown;
    for (const auto &[time, cue] : dvbCues(path))
        shown << QStringLiteral("%1:%2").arg(time, 0, 'f', 2).arg(cue >= 0 ? QString::number(cue) : QStringLiteral("-"));
    return shown.join(u' ');
}

QString teletextTexts(const QString &path, int track)
{
    QStringList texts;
    for (const QString &line : teletextCues(path, track))
        texts << line.section(u' ', 1);
    return texts.join(u'|');
}

bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

bool runEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(2);
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace TestSupport
