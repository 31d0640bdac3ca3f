// The catalogues the build copies into the program folder, run for real: every
// preset and every custom container must give a file the encoder wrote and
// ffprobe can decode, about as long as the cut.
#include "catalogue.h"
#include "encoderoptions.h"

#include "recordingmessagesink.h"
#include "encodercommand.h"
#include "sourcetracks.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kCutStart = 1;
constexpr int kCutEnd = 3;
constexpr double kCutLength = kCutEnd - kCutStart;
constexpr double kTolerance = 0.15;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList probeLines(const QStringList &args, const QString &path)
{
    return QString::fromUtf8(TestSupport::ffprobe(args, path)).split(u'\n', Qt::SkipEmptyParts);
}

QStringList streamTypes(const QString &path)
{
    return probeLines({"-show_entries", "stream=codec_type", "-of", "default=nw=1:nk=1"}, path);
}

// Decodes the whole video stream; the number of frames that came out.
int decodedVideoFrames(const QString &path, const QStringList &inputOptions = {})
{
    const QStringList lines = probeLines(inputOptions + QStringList{"-count_frames", "-select_streams", "v:0",
                                                                    "-show_entries", "stream=nb_read_frames", "-of",
                                                                    "default=nw=1:nk=1"},
                                         path);
    return lines.isEmpty() ? -1 : lines.first().trimmed().toInt();
}

QString encoderPath()
{
    return QDir(TestSupport::programDir()).filePath(TestSupport::encoderFileName());
}

// What real files bring and a plain test clip lacks: odd frame sides, 5.1
// sound and a text subtitle track, in MP4. A key frame every 5 frames keeps a
// stream copy from the cut's start (1 s) exact.
bool makePresetSource(const QString &dir, const QString &path)
{
    QFile subtitles(QDir(dir).filePath("subtitles.srt"));
    if (!subtitles.open(QIODevice::WriteOnly) || subtitles.write("1\n00:00:00,000 --> 00:00:03,500\nHello\n") < 0)
        return false;
    subtitles.close();
    QProcess ffmpeg;
    ffmpeg.start(encoderPath(),
                 {"-hide_banner", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=161x121:rate=25",
                  "-f", "lavfi", "-i", "sine=frequency=440", "-i", subtitles.fileName(), "-t", "4", "-map", "0:v",
                  "-map", "1:a", "-map", "2:s", "-c:v", "mpeg4", "-g", "5", "-c:a", "ac3", "-ac", "6", "-c:s",
                  "mov_text", "-y", path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// Each sound channel's RMS level, to the decibel.
QList<int> channelLevels(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(encoderPath(), {"-i", path, "-af", "astats=measure_overall=none:measure_perchannel=RMS_level", "-f",
                                 "null", "-"});
    ffmpeg.waitForFinished(60000);
    QList<int> levels;
    for (const QString &line : QString::fromUtf8(ffmpeg.readAllStandardError()).split(u'\n'))
        if (line.contains("RMS level dB:"))
            levels << qRound(line.section(u' ', -1).toDouble());
    return levels;
}

double videoFrameRate(const QString &path)
{
    const QStringList lines = probeLines(
        {"-select_streams", "v:0", "-show_entries", "stream=r_frame_rate", "-of", "default=nw=1:nk=1"}, path);
    if (lines.isEmpty())
        return -1;
    const QStringList parts = lines.first().trimmed().split(u'/');
    return parts.size() == 2 && parts.at(1).toDouble() > 0 ? parts.at(0).toDouble() / parts.at(1).toDouble() : -1;
}

} // namespace

class TestShippedCatalogue final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesKeepCrLf_data();
    void filesKeepCrLf();
    void presetCatalogue();
    void codecCatalogue();
    void presetEncodes_data();
    void presetEncodes();
    void customEncodes_data();
    void customEncodes();
    void tracksFitted_data();
    void tracksFitted();

private:
    // Runs the encoder the way a task does: input, options, output.
    bool encode(const QString &input, const QString &options, const QString &output, QByteArray *log);
    // The options fitted to input's tracks as a task fits them, for the cut start..start + length.
    SourceTracks::Fit fitted(const QString &input, const QString &options, const QString &extension, double start,
                             double length);

    QTemporaryDir m_dir;
    QString m_clip;
    QString m_presetSource;
    PresetsLoad m_presets;
    CodecsLoad m_codecs;
};

void TestShippedCatalogue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath("source.avi");
    QVERIFY(TestSupport::makeClip(m_clip, 4, QSize(160, 120), true, 25));
    m_presetSource = m_dir.filePath("preset source.mp4");
    QVERIFY(makePresetSource(m_dir.path(), m_presetSource));
    // Six AAC channels that the decoder gives without a layout (a program config element).
    QVERIFY(!TestSupport::runTool({encoderPath(), "-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:duration=4",
                                   "-f", "lavfi", "-i", "sine=f=60:d=4", "-filter_complex",
                                   "[1]pan=6.0|c0=0.1*c0|c1=0.2*c0|c2=0.3*c0|c3=0.4*c0|c4=0.5*c0|c5=0.6*c0",
                                   "-c:v", "mpeg4", "-c:a", "aac", "-aac_pce", "1", m_dir.filePath("six.mp4")})
                 .isEmpty());
    // Two languages, subtitles, three chapters and a title; a key frame every second.
    const QString meta = m_dir.filePath("meta.txt");
    QVERIFY(TestSupport::writeFile(meta, ";FFMETADATA1\ntitle=Holiday\n[CHAPTER]\nTIMEBASE=1/1\nSTART=0\nEND=4\ntitle=Arrival\n"
                                         "[CHAPTER]\nTIMEBASE=1/1\nSTART=4\nEND=8\ntitle=Beach \\= sea\n[CHAPTER]\n"
                                         "TIMEBASE=1/1\nSTART=8\nEND=12\ntitle=Departure\n"));
    for (const auto &[name, subtitles] : {std::pair{"tracks.mkv", "srt"}, {"tracks.mp4", "mov_text"}}) {
        QVERIFY(!TestSupport::runTool(
                     {encoderPath(), "-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:duration=12", "-f",
                      "lavfi", "-i", "sine=d=12", "-i", m_dir.filePath("subtitles.srt"), "-i", meta, "-map",
                      "0:v", "-map", "1:a", "-map", "1:a", "-map", "2:s", "-map_metadata", "3", "-map_chapters", "3",
                      "-c:v", "libx264", "-g", "25", "-bf", "0", "-c:a", "aac", "-c:s", subtitles, "-metadata:s:a:0",
                      "language=eng", "-metadata:s:a:0", "title=English", "-metadata:s:a:1", "language=deu",
                      "-metadata:s:a:1", "title=Deutsch", "-metadata:s:s", "language=fra", m_dir.filePath(name)})
                     .isEmpty());
    }

    RecordingMessageSink sink;
    m_presets = LoadPresets(TestSupport::programDir(), sink);
    m_codecs = LoadCodecs(TestSupport::programDir(), sink);
    for (const auto &message : sink.messages)
        qWarning("%s", qPrintable(message.text));
    QVERIFY(sink.messages.isEmpty());
}

void TestShippedCatalogue::filesKeepCrLf_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("presets") << kPresetsFileName;
    QTest::newRow("codecs") << kCodecsFileName;
}

void TestShippedCatalogue::filesKeepCrLf()
{
    QFETCH(QString, name);
    const QByteArray source = readBytes(TestSupport::sourceDir() + "/format/catalogue/" + name);
    const QByteArray installed = readBytes(QDir(TestSupport::programDir()).filePath(name));
    QVERIFY(!source.isEmpty());
    QCOMPARE(installed, source);
    QCOMPARE(source.count('\n'), source.count("\r\n"));
    QVERIFY(source.count("\r\n") > 100);
    QVERIFY(!source.startsWith("\xEF\xBB\xBF"));
}

void TestShippedCatalogue::presetCatalogue()
{
    QVERIFY(m_presets.categoryItems.has_value());
    QVERIFY(m_presets.PresetCount >= 25);
    QVERIFY(m_presets.categoryItems->size() >= 6);
    QSet<QString> seen;
    bool hasCopy = false;
    for (qint32 i = 0; i < m_presets.PresetCount; ++i) {
        const PresetEntry &preset = m_presets.Presets.at(i);
        QVERIFY2(!preset.label.isEmpty() && !preset.params.isEmpty() && !preset.category.isEmpty(),
                 qPrintable(preset.label));
        QCOMPARE(preset.extension, preset.extension.toLower());
        // Quotes would depend on how a command line is split; none are needed.
        QVERIFY2(!preset.params.contains(u'"') && !preset.params.contains(u'\\'), qPrintable(preset.params));
        const QString key = preset.category + u'/' + preset.label + u'/' + preset.extension;
        QVERIFY2(!seen.contains(key), qPrintable(key)); // a duplicate could never be chosen
        seen.insert(key);
        hasCopy = hasCopy || preset.params.contains("-c copy");
    }
    QVERIFY(hasCopy);
}

void TestShippedCatalogue::codecCatalogue()
{
    QProcess ffmpeg;
    ffmpeg.start(encoderPath(), {"-hide_banner", "-encoders"});
    QVERIFY(ffmpeg.waitForFinished(60000));
    QSet<QString> encoders;
    static const QRegularExpression line(QStringLiteral("^ ([VAS])[A-Z.]{5} (\\S+)"));
    for (const QString &text : QString::fromUtf8(ffmpeg.readAllStandardOutput()).split(u'\n')) {
        const auto match = line.match(text);
        if (match.hasMatch())
            encoders.insert(match.captured(1) + u':' + match.captured(2));
    }
    QVERIFY(encoders.size() > 50);

    QSet<QString> types;
    for (qint32 i = 0; i < m_codecs.CodecCount; ++i) {
        const CodecEntry &codec = m_codecs.Codecs.at(i);
        types.insert(codec.type);
        if (codec.type == u"general")
            continue;
        const QString kind = codec.type == u"video codec" ? "V" : "A";
        QVERIFY2(encoders.contains(kind + u':' + codec.name), qPrintable(codec.name + " " + codec.type));
    }
    QCOMPARE(types, (QSet<QString>{"video codec", "audio codec", "general"}));
    QCOMPARE(GetCodecName(m_codecs.Codecs, m_codecs.CodecCount, "Copy (no re-encoding)"), QStringLiteral("copy"));
    QVERIFY(m_codecs.videoItems->contains("Copy (no re-encoding)"));
    QVERIFY(m_codecs.audioItems->contains("Copy (no re-encoding)"));
}

bool TestShippedCatalogue::encode(const QString &input, const QString &options, const QString &output,
                                  QByteArray *log)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(encoderPath(), QStringList{"-hide_banner", "-nostdin", "-i", input}
                                    + QProcess::splitCommand(options) + QStringList{output});
    const bool finished = ffmpeg.waitForFinished(120000);
    *log = ffmpeg.readAll();
    return finished && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

SourceTracks::Fit TestShippedCatalogue::fitted(const QString &input, const QString &options, const QString &extension,
                                               double start, double length)
{
    const QString chapters = m_dir.filePath("chapters.txt");
    const auto probe = SourceTracks::parseProbe(TestSupport::runTool(
        QProcess::splitCommand(SourceTracks::probeCommandLine(TestSupport::programDir(), input))));
    const SourceTracks::Fit fit = SourceTracks::fitToSource(options, extension, probe.value(), start, length, chapters);
    QFile file(chapters); // the encode fails without it
    if (!fit.chapters.isEmpty() && file.open(QIODevice::WriteOnly))
        file.write(fit.chapters.toUtf8());
    return fit;
}

void TestShippedCatalogue::presetEncodes_data()
{
    QTest::addColumn<int>("index");
    for (qint32 i = 0; i < m_presets.PresetCount; ++i) {
        const PresetEntry &preset = m_presets.Presets.at(i);
        QTest::addRow("%s: %s", qPrintable(preset.category), qPrintable(preset.label)) << int(i);
    }
}

void TestShippedCatalogue::presetEncodes()
{
    QFETCH(int, index);
    const PresetEntry &preset = m_presets.Presets.at(index);

    FormatPanelSnapshot panel;
    panel.cmbCategory = preset.category;
    panel.cmbOutVCodec = preset.label;
    panel.cmbOutFormat = preset.extension;
    RecordingMessageSink sink;
    const QString options = GetParamaters(panel, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                          m_codecs.CodecCount, kCutStart, kCutEnd, sink);
    QCOMPARE(options, preset.params + " -ss 1 -t 2");

    const QString output = m_dir.filePath(QStringLiteral("preset%1.%2").arg(index).arg(preset.extension));
    QByteArray log;
    const SourceTracks::Fit fit = fitted(m_presetSource, options, preset.extension, kCutStart, kCutLength);
    QVERIFY2(encode(m_presetSource, fit.parameters + " -y", output, &log), log.constData());
    QVERIFY(QFileInfo(output).size() > 0);

    const QStringList types = streamTypes(output);
    if (preset.extension == u"gif") {
        QCOMPARE(types, QStringList{"video"});
        const double seconds = decodedVideoFrames(output) / videoFrameRate(output);
        QVERIFY2(qAbs(seconds - kCutLength) <= kTolerance, qPrintable(QString::number(seconds)));
        return;
    }
    if (preset.params.contains("-vn")) {
        QCOMPARE(types, QStringList{"audio"});
    } else {
        QCOMPARE(types.count("video"), 1);
        QCOMPARE(types.count("audio"), 1);
        QVERIFY(decodedVideoFrames(output) >= 40);
    }
    const double seconds = TestSupport::probeDuration(output);
    QVERIFY2(qAbs(seconds - kCutLength) <= kTolerance, qPrintable(QString::number(seconds)));
}

void TestShippedCatalogue::customEncodes_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<QString>("size");

    const QString asInput = kAsInput;
    QTest::newRow("WMV") << "WMV" << "Windows Media Video 8" << "Windows Media Audio 2" << asInput;
    QTest::newRow("ASF") << "ASF" << "Microsoft MPEG-4 v3 (DivX 3)" << "Windows Media Audio 2" << asInput;
    QTest::newRow("AVI") << "AVI" << "MPEG-4 Part 2 (DivX/Xvid compatible)" << "MP3" << asInput;
    QTest::newRow("MOV") << "MOV" << "H.264 / AVC (MP4, MKV, MOV)" << "AAC" << asInput;
    QTest::newRow("FLV") << "FLV" << "Flash video (Sorenson H.263)" << "MP3" << asInput;
    QTest::newRow("MPG") << "MPG" << "MPEG-1 video (VCD)" << "MPEG audio layer 2 (MP2)" << asInput;
    QTest::newRow("MPEG") << "MPEG" << "MPEG-2 video (DVD)" << "MPEG audio layer 2 (MP2)" << asInput;
    QTest::newRow("MP4") << "MP4" << "H.264 / AVC (MP4, MKV, MOV)" << "AAC" << asInput;
    QTest::newRow("MP4 copied") << "MP4" << "Copy (no re-encoding)" << "Copy (no re-encoding)" << asInput;
    // RealVideo needs sides that are multiples of 16.
    QTest::newRow("RM") << "RM" << "RealVideo 1.0" << "Dolby Digital (AC-3)" << "qvga(320x240)";
    QTest::newRow("yuv") << "yuv" << "Raw video (uncompressed)" << "AAC" << asInput;
}

void TestShippedCatalogue::customEncodes()
{
    QFETCH(QString, container);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    QFETCH(QString, size);

    FormatPanelSnapshot panel;
    panel.presetMode = false;
    panel.cmbCustContainer = container;
    panel.cmbCVCodec = videoCodec;
    panel.txtCVBitrate = "320";
    panel.cmbCVSize = size;
    panel.cmbCVAspect = kAsInput;
    panel.txtFrameRate = "25";
    panel.cmbCACodec = audioCodec;
    panel.txtCABirate = "64";
    panel.cmbCASmapleRate = "44.1 KHz";
    panel.txtChannels = "2";
    RecordingMessageSink sink;
    const QString options = GetParamaters(panel, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                          m_codecs.CodecCount, kCutStart, kCutEnd, sink);
    QVERIFY(options.contains(" -acodec ") && options.contains(" -vcodec "));
    QVERIFY(options.endsWith(" -ss 1 -t 2"));

    const QString output = m_dir.filePath("custom." + OutputExtension(panel));
    QFile::remove(output);
    QByteArray log;
    QVERIFY2(encode(m_clip, options + " -y", output, &log), log.constData());

    if (container == u"yuv") {
        // Raw frames carry no header: read them back with the known layout.
        const int frames = decodedVideoFrames(output, {"-f", "rawvideo", "-video_size", "160x120", "-pixel_format",
                                                       "yuv420p", "-framerate", "25"});
        QCOMPARE(QFileInfo(output).size(), qint64(frames) * 160 * 120 * 3 / 2);
        QVERIFY2(qAbs(frames / 25.0 - kCutLength) <= kTolerance, qPrintable(QString::number(frames)));
        return;
    }
    const QStringList types = streamTypes(output);
    QCOMPARE(types.count("video"), 1);
    QCOMPARE(types.count("audio"), 1);
    QVERIFY(decodedVideoFrames(output) >= 40);
    const double seconds = TestSupport::probeDuration(output);
    QVERIFY2(qAbs(seconds - kCutLength) <= kTolerance, qPrintable(QString::number(seconds)));
}

void TestShippedCatalogue::tracksFitted_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("tracks"); // the output's streams, chapters and title as the prober lists them
    QTest::addColumn<QString>("status");

    const QString copy = "Original quality (no re-encoding)";
    QTest::newRow("6 channels, no layout: AAC") << "six.mp4" << "H.264 original size"
                                                << "h264,video,und|aac,audio,6,5.1,und" << "";
    QTest::newRow("6 channels, no layout: mixed down") << "six.mp4" << "VP9 + Opus original size"
                                                       << "vp9,video|opus,audio,2,stereo" << "";
    QTest::newRow("6 channels, no layout: copied") << "six.mp4" << copy << "mpeg4,video|aac,audio,6,unknown" << "";
    const QString tracks = "h264,video|aac,audio,1,mono,eng,English|aac,audio,1,mono,deu,Deutsch|subrip,subtitle,fra"
                           "|0.000000,4.000000,Beach = sea|4.000000,5.000000,Departure|Holiday";
    QTest::newRow("every track, MKV") << "tracks.mkv" << copy << tracks << "";
    // MP4 keeps no track titles.
    QString mp4 = tracks;
    QTest::newRow("every track, MP4 with mov_text")
        << "tracks.mp4" << copy << mp4.remove(",English").remove(",Deutsch")
        << "Tracks Matroska cannot hold: subtitle #0:3 (mov_text) as SubRip";
}

void TestShippedCatalogue::tracksFitted()
{
    QFETCH(QString, source);
    QFETCH(QString, preset);
    QFETCH(QString, tracks);
    QFETCH(QString, status);
    const auto entry = std::find_if(m_presets.Presets.begin(), m_presets.Presets.end(),
                                    [&](const PresetEntry &each) { return each.label == preset; });
    QVERIFY(entry != m_presets.Presets.end());
    const bool six = source == u"six.mp4";
    // From the end of the first chapter, which the part only touches.
    const double start = six ? 1 : 4;
    const double length = six ? 2 : 5;
    const QString input = m_dir.filePath(source);
    const SourceTracks::Fit fit = fitted(input, entry->params + QString(" -ss %1 -t %2 -y").arg(start).arg(length),
                                         entry->extension, start, length);
    QCOMPARE(fit.status, status);
    const QString output = m_dir.filePath("fitted." + entry->extension);
    QVERIFY(!TestSupport::runTool(QProcess::splitCommand(EncoderCommand::conversionCommandLine(
                                      TestSupport::programDir(), input, fit.parameters + " -v error", output, false)))
                 .isEmpty());
    const QStringList entries{"-show_entries",
                              "stream=codec_name,codec_type,channels,channel_layout:stream_tags=language,title"
                              ":chapter=start_time,end_time:chapter_tags=title:format_tags=title",
                              "-of", "csv=p=0"};
    QCOMPARE(probeLines(entries, output).join(u'|'), tracks);
    // Every channel in its place and none mixed: the levels as in the source.
    if (six && !preset.startsWith("VP9"))
        QCOMPARE(channelLevels(output), channelLevels(input));
}

QTEST_GUILESS_MAIN(TestShippedCatalogue)
#include "tst_shippedcatalogue.moc"
