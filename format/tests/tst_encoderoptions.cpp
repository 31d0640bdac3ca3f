#include "encoderoptions.h"
#include "exacttime.h"

#include "recordingmessagesink.h"

#include <QTest>

namespace {

FormatPanelSnapshot customPanel()
{
    FormatPanelSnapshot panel;
    panel.presetMode = false;
    panel.cmbCustContainer = QStringLiteral("AVI");
    panel.cmbCASmapleRate = QStringLiteral("44.1 KHz");
    panel.txtCABirate = QStringLiteral("64");
    panel.cmbCACodec = QStringLiteral("Unlisted audio");
    panel.txtChannels = QStringLiteral("2");
    panel.cmbCVCodec = QStringLiteral("Unlisted video");
    panel.txtCVBitrate = QStringLiteral("196");
    panel.cmbCVSize = QStringLiteral("qvga(320x240)");
    panel.cmbCVAspect = QStringLiteral("4:3");
    panel.txtFrameRate = QStringLiteral("25");
    return panel;
}

const QList<CodecEntry> kCodecs{
    {QStringLiteral("  libx264 "), QStringLiteral("H.264"), QStringLiteral("video codec")},
    {QStringLiteral("aac"), QStringLiteral("AAC"), QStringLiteral("audio codec")},
    {QStringLiteral("copy"), QStringLiteral("Copy"), QStringLiteral("general")},
    {QStringLiteral("second"), QStringLiteral("H.264"), QStringLiteral("video codec")},
    // A block without a description: an empty list text must not pick it.
    {QStringLiteral("blank"), QString(), QStringLiteral("general")},
    // Past CodecCount: a slot left over from a stopped load.
    {QStringLiteral("ghost"), QStringLiteral("Ghost"), QStringLiteral("general")},
};
const qint32 kCodecCount = 5;

const QList<PresetEntry> kPresets{
    {QStringLiteral("x"), QStringLiteral("-first"), QStringLiteral("avi"), QStringLiteral("A")},
    {QStringLiteral("x"), QStringLiteral("-second"), QStringLiteral("avi"), QStringLiteral("A")},
    {QStringLiteral("y"), QStringLiteral("  -vcodec mpeg4  "), QStringLiteral("mp4"), QStringLiteral("A")},
    {QStringLiteral("z"), QStringLiteral("-q \"a&b\""), QStringLiteral("flv"), QStringLiteral("B")},
    {QStringLiteral("ghost"), QStringLiteral("-ghost"), QStringLiteral("mkv"), QStringLiteral("B")},
};
const qint32 kPresetCount = 4;

FormatPanelSnapshot presetPanel(const QString &category, const QString &label, const QString &extension)
{
    FormatPanelSnapshot panel;
    panel.presetMode = true;
    panel.cmbCategory = category;
    panel.cmbOutVCodec = label;
    panel.cmbOutFormat = extension;
    return panel;
}

} // namespace

class TestEncoderOptions final : public QObject
{
    Q_OBJECT

private slots:
    void optionString_data();
    void optionString();
    void exactOptions_data();
    void exactOptions();
    void ownFrameTimes_data();
    void ownFrameTimes();
    void failures_data();
    void failures();
    void codecName_data();
    void codecName();
    void outputExtension();
};

void TestEncoderOptions::optionString_data()
{
    QTest::addColumn<FormatPanelSnapshot>("panel");
    QTest::addColumn<int>("selectStart");
    QTest::addColumn<int>("selectEnd");
    QTest::addColumn<QString>("expected");

    QTest::newRow("custom worked example") << customPanel() << 75 << 105
                                           << "-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25 -ss 75 -t 30";
    FormatPanelSnapshot asInput = customPanel();
    asInput.cmbCVSize = kAsInput;
    asInput.cmbCVAspect = kAsInput;
    QTest::newRow("custom, size and aspect as input")
        << asInput << 75 << 105 << "-ar 44100 -ab 64000 -ac 2 -b 196000 -r 25 -ss 75 -t 30";

    FormatPanelSnapshot codecs = asInput;
    codecs.cmbCACodec = QStringLiteral("Copy");
    codecs.cmbCVCodec = QStringLiteral("H.264");
    QTest::newRow("custom with listed codecs, names trimmed")
        << codecs << 0 << 10 << "-ar 44100 -ab 64000 -acodec copy -ac 2 -vcodec libx264 -b 196000 -r 25 -ss 0 -t 10";

    const QList<std::pair<QString, QString>> rates{{"8 KHz", "8000"},       {"11.025 KHz", "11025"},
                                                   {"22.05 KHz", "22050"},  {"48 KHz", "48000"},
                                                   {" 4 4 . 1KHz", "44100"}, {"", "0"},
                                                   {"KHz", "0"},            {"-8 KHz", "-8000"},
                                                   {"0.0005", "0.5"}};
    for (const auto &[text, hertz] : rates) {
        FormatPanelSnapshot panel = asInput;
        panel.cmbCASmapleRate = text;
        QTest::addRow("sampling rate \"%s\"", qPrintable(text))
            << panel << 1 << 2 << "-ar " + hertz + " -ab 64000 -ac 2 -b 196000 -r 25 -ss 1 -t 1";
    }

    FormatPanelSnapshot bitrates = asInput;
    bitrates.txtCVBitrate = QStringLiteral("2148");
    bitrates.txtCABirate = QStringLiteral("0128");
    bitrates.txtFrameRate = QStringLiteral("29.97");
    bitrates.txtChannels = QStringLiteral("1");
    QTest::newRow("bitrates, frame rate and channels")
        << bitrates << 0 << 0 << "-ar 44100 -ab 128000 -ac 1 -b 2148000 -r 29.97 -ss 0 -t 0";
    FormatPanelSnapshot pointLast = asInput;
    pointLast.txtFrameRate = QStringLiteral("30.");
    QTest::newRow("frame rate ending in a point") << pointLast << 0 << 1
                                                  << "-ar 44100 -ab 64000 -ac 2 -b 196000 -r 30. -ss 0 -t 1";

    // A -1 index restored from a damaged settings file leaves a list empty;
    // nothing may take the next option as its value.
    FormatPanelSnapshot unselected = customPanel();
    unselected.cmbCVSize.clear();
    unselected.cmbCVAspect.clear();
    unselected.cmbCACodec.clear();
    unselected.cmbCVCodec.clear();
    QTest::newRow("lists without a selection")
        << unselected << 0 << 1 << "-ar 44100 -ab 64000 -ac 2 -b 196000 -r 25 -ss 0 -t 1";

    FormatPanelSnapshot largest = asInput;
    largest.txtCVBitrate = QStringLiteral("2147483");
    QTest::newRow("largest bitrate that fits")
        << largest << 0 << 1 << "-ar 44100 -ab 64000 -ac 2 -b 2147483000 -r 25 -ss 0 -t 1";

    QTest::newRow("reversed selection is passed through") << asInput << 100 << 40
                                                          << "-ar 44100 -ab 64000 -ac 2 -b 196000 -r 25 -ss 100 -t -60";

    QTest::newRow("preset: lower index wins") << presetPanel("A", "x", "avi") << 75 << 105 << "-first -ss 75 -t 30";
    QTest::newRow("preset: params with spaces unchanged")
        << presetPanel("A", "y", "mp4") << 3 << 5 << "  -vcodec mpeg4   -ss 3 -t 2";
    QTest::newRow("preset: quotes and & as written")
        << presetPanel("B", "z", "flv") << 0 << 1 << "-q \"a&b\" -ss 0 -t 1";
    QTest::newRow("preset: no match gives nothing") << presetPanel("A", "x", "mp4") << 0 << 1 << QString();
    QTest::newRow("preset: case matters") << presetPanel("a", "x", "avi") << 0 << 1 << QString();
    QTest::newRow("preset: slot past the count is not a preset") << presetPanel("B", "ghost", "mkv") << 0 << 1
                                                                 << QString();
    // No preset matches, so the overflowing selection is never computed.
    QTest::newRow("preset: no match ignores the selection")
        << presetPanel("A", "none", "avi") << std::numeric_limits<qint32>::min() << 1 << QString();
}

void TestEncoderOptions::optionString()
{
    QFETCH(FormatPanelSnapshot, panel);
    QFETCH(int, selectStart);
    QFETCH(int, selectEnd);
    QFETCH(QString, expected);

    RecordingMessageSink sink;
    QCOMPARE(GetParamaters(panel, kPresets, kPresetCount, kCodecs, kCodecCount, selectStart, selectEnd, sink),
             expected);
    QVERIFY(sink.messages.isEmpty());
}

void TestEncoderOptions::exactOptions_data()
{
    QTest::addColumn<FormatPanelSnapshot>("panel");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<QString>("expected"); // empty: a failure
    QTest::addColumn<QString>("startText");

    const FormatPanelSnapshot preset = presetPanel("A", "x", "avi");
    QTest::newRow("frame marks at 29.97 fps") << preset << 403 * 1001 / 30000.0 << 463 * 1001 / 30000.0
                                              << "-first -ss 13.446 -t 2.001" << "00:00:13.447";
    QTest::newRow("decimal halves go up") << preset << 13.4795 << 15.48049 << "-first -ss 13.479 -t 1.999"
                                          << "00:00:13.480";
    QTest::newRow("carries") << preset << 3599.9996 << 3600.04 << "-first -ss 3599.999 -t 0.039" << "01:00:00.000";
    QTest::newRow("start at 0, one millisecond") << preset << 0.0 << 0.001 << "-first -ss 0.000 -t 0.001"
                                                 << "00:00:00.000";
    QTest::newRow("custom, hours unbounded")
        << customPanel() << 360000.001 << 360002.0
        << "-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25 -ss 360000.000 -t 1.998" << "100:00:00.001";
    QTest::newRow("empty") << preset << 2.0 << 2.0004 << QString() << "00:00:02.000";
    QTest::newRow("negative start") << preset << -61.5 << 2.0 << QString() << "-00:01:01.500";
    QTest::newRow("not a number") << preset << qQNaN() << 2.0 << QString() << "00:00:00.000";
}

// The options' times and the marks' time text, which round alike.
void TestEncoderOptions::exactOptions()
{
    QFETCH(FormatPanelSnapshot, panel);
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(QString, expected);
    QFETCH(QString, startText);

    RecordingMessageSink sink;
    QCOMPARE(GetParamaters(panel, kPresets, kPresetCount, kCodecs, kCodecCount, ExactSelection{start, end}, sink),
             expected);
    QCOMPARE(sink.messages.size(), expected.isEmpty() ? 1 : 0);
    QCOMPARE(FormatExactTime(start), startText);
}

void TestEncoderOptions::ownFrameTimes_data()
{
    QTest::addColumn<QString>("params");
    QTest::addColumn<bool>("kept");

    QTest::newRow("H.264 scaled") << "-vf scale=-2:720 -c:v libx264 -crf 23 -c:a aac" << true;
    QTest::newRow("VP9") << "-c:v libvpx-vp9 -b:v 0 -crf 32 -c:a libopus" << true;
    QTest::newRow("HEVC by -vcodec") << "-vcodec libx265 -crf 28" << true;
    QTest::newRow("a rate of its own") << "-c:v libx264 -r 30" << false;
    QTest::newRow("a rate in a filter") << "-vf fps=25,scale=-2:480 -c:v libx264" << false;
    QTest::newRow("a DVD target") << "-target pal-dvd" << false;
    QTest::newRow("MPEG-4 Part 2") << "-c:v mpeg4 -q:v 3" << false;
    QTest::newRow("a copy") << "-map 0:v:0 -map 0:a:0? -c copy" << false;
    QTest::newRow("sound only") << "-vn -c:a aac -b:a 160k" << false;
    QTest::newRow("times set already") << "-c:v libx264 -fps_mode cfr" << false;
}

void TestEncoderOptions::ownFrameTimes()
{
    QFETCH(QString, params);
    QFETCH(bool, kept);
    QCOMPARE(OwnFrameTimes(params).isEmpty(), !kept);
}

void TestEncoderOptions::failures_data()
{
    QTest::addColumn<FormatPanelSnapshot>("panel");
    QTest::addColumn<int>("selectStart");
    QTest::addColumn<int>("selectEnd");
    QTest::addColumn<QString>("descriptionPart");

    const auto with = [](void (*change)(FormatPanelSnapshot &)) {
        FormatPanelSnapshot panel = customPanel();
        change(panel);
        return panel;
    };
    QTest::newRow("video bitrate not a number")
        << with([](FormatPanelSnapshot &p) { p.txtCVBitrate = "fast"; }) << 0 << 1 << "video bitrate \"fast\"";
    QTest::newRow("empty audio bitrate")
        << with([](FormatPanelSnapshot &p) { p.txtCABirate = ""; }) << 0 << 1 << "audio bitrate \"\"";
    QTest::newRow("bitrate with a unit")
        << with([](FormatPanelSnapshot &p) { p.txtCABirate = "64k"; }) << 0 << 1 << "not digits only";
    // Only what the boxes' key filters let through is accepted: a leading "-"
    // would reach the encoder as an option of its own.
    QTest::newRow("negative bitrate")
        << with([](FormatPanelSnapshot &p) { p.txtCABirate = "-64"; }) << 0 << 1 << "audio bitrate \"-64\"";
    QTest::newRow("bitrate with blanks")
        << with([](FormatPanelSnapshot &p) { p.txtCVBitrate = " 128 "; }) << 0 << 1 << "video bitrate \" 128 \"";
    QTest::newRow("fractional bitrate")
        << with([](FormatPanelSnapshot &p) { p.txtCVBitrate = "2.5"; }) << 0 << 1 << "video bitrate \"2.5\"";
    QTest::newRow("bitrate in other digits")
        << with([](FormatPanelSnapshot &p) { p.txtCABirate = QStringLiteral("\u0666\u0664"); }) << 0 << 1
        << "audio bitrate";
    QTest::newRow("channels as an option")
        << with([](FormatPanelSnapshot &p) { p.txtChannels = "-y"; }) << 0 << 1 << "channels \"-y\"";
    QTest::newRow("zero channels")
        << with([](FormatPanelSnapshot &p) { p.txtChannels = "0"; }) << 0 << 1 << "channels \"0\"";
    QTest::newRow("two-digit channels")
        << with([](FormatPanelSnapshot &p) { p.txtChannels = "12"; }) << 0 << 1 << "channels \"12\"";
    QTest::newRow("frame rate as an option")
        << with([](FormatPanelSnapshot &p) { p.txtFrameRate = "-y"; }) << 0 << 1 << "frame rate \"-y\"";
    QTest::newRow("frame rate with two points")
        << with([](FormatPanelSnapshot &p) { p.txtFrameRate = "2.9.7"; }) << 0 << 1 << "frame rate \"2.9.7\"";
    QTest::newRow("frame rate only a point")
        << with([](FormatPanelSnapshot &p) { p.txtFrameRate = "."; }) << 0 << 1 << "frame rate \".\"";
    QTest::newRow("bitrate times 1000 overflows")
        << with([](FormatPanelSnapshot &p) { p.txtCVBitrate = "2147484"; }) << 0 << 1 << "Overflow";
    QTest::newRow("bitrate beyond 32 bits")
        << with([](FormatPanelSnapshot &p) { p.txtCABirate = "99999999999"; }) << 0 << 1 << "Overflow";
    // The command line is split into arguments later: these would add options
    // or shift the next option into the value.
    QTest::newRow("frame rate with a space")
        << with([](FormatPanelSnapshot &p) { p.txtFrameRate = "25 -f null"; }) << 0 << 1 << "frame rate \"25 -f null\"";
    QTest::newRow("channels with a non-breaking space")
        << with([](FormatPanelSnapshot &p) { p.txtChannels = QStringLiteral("2\u00a0-y"); }) << 0 << 1 << "channels";
    QTest::newRow("channels with a quote")
        << with([](FormatPanelSnapshot &p) { p.txtChannels = "2\""; }) << 0 << 1 << "channels";
    QTest::newRow("empty frame rate")
        << with([](FormatPanelSnapshot &p) { p.txtFrameRate = ""; }) << 0 << 1 << "frame rate \"\"";
    QTest::newRow("size without (")
        << with([](FormatPanelSnapshot &p) { p.cmbCVSize = "qvga"; }) << 0 << 1 << "\"qvga\"";
    QTest::newRow("selection length overflows, custom")
        << customPanel() << std::numeric_limits<qint32>::min() << 1 << "selection";
    QTest::newRow("selection length overflows, preset")
        << presetPanel("A", "x", "avi") << -2 << std::numeric_limits<qint32>::max() << "selection";
}

void TestEncoderOptions::failures()
{
    QFETCH(FormatPanelSnapshot, panel);
    QFETCH(int, selectStart);
    QFETCH(int, selectEnd);
    QFETCH(QString, descriptionPart);

    RecordingMessageSink sink;
    QCOMPARE(GetParamaters(panel, kPresets, kPresetCount, kCodecs, kCodecCount, selectStart, selectEnd, sink),
             QString());
    QCOMPARE(sink.messages.size(), 1);
    const auto &message = sink.messages.first();
    QVERIFY2(message.text.contains(descriptionPart), qPrintable(message.text));
    QVERIFY(message.text.endsWith("\r\nError occured while getting paramters"));
    QCOMPARE(message.text.count("\r\n"), 1);
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.title, QStringLiteral("Snipora"));
}

void TestEncoderOptions::codecName_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("name");

    QTest::newRow("first match, spaces removed") << "H.264" << "libx264";
    QTest::newRow("general") << "Copy" << "copy";
    QTest::newRow("exact case only") << "aac" << QString();
    QTest::newRow("unknown") << "Nothing" << QString();
    QTest::newRow("beyond the count") << "Ghost" << QString();
}

void TestEncoderOptions::codecName()
{
    QFETCH(QString, description);
    QFETCH(QString, name);
    QCOMPARE(GetCodecName(kCodecs, kCodecCount, description), name);
}

void TestEncoderOptions::outputExtension()
{
    FormatPanelSnapshot panel = customPanel();
    panel.cmbOutFormat = QStringLiteral("mp4");
    QCOMPARE(OutputExtension(panel), QStringLiteral("AVI"));
    panel.presetMode = true;
    QCOMPARE(OutputExtension(panel), QStringLiteral("mp4"));
}

QTEST_APPLESS_MAIN(TestEncoderOptions)
#include "tst_encoderoptions.moc"
