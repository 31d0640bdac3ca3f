#include "encodercommand.h"
#include "encoderoutput.h"

#include <QProcess>
#include <QTest>

using namespace EncoderOutput;

class TestEncoderText final : public QObject
{
    Q_OBJECT

private slots:
    void quotedArgumentSurvivesSplitting_data();
    void quotedArgumentSurvivesSplitting();
    void commandLineShape();
    void markers_data();
    void markers();
    void timeValue_data();
    void timeValue();
    void progressPercent_data();
    void progressPercent();
    void errorDetails_data();
    void errorDetails();
};

void TestEncoderText::quotedArgumentSurvivesSplitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("spaces") << QStringLiteral("/tmp/my clips/a  b.mp4");
    QTest::newRow("quote inside") << QStringLiteral(R"(/tmp/say "hi" now.mp4)");
    QTest::newRow("quote at both ends") << QStringLiteral(R"("edge")");
    QTest::newRow("quotes only") << QStringLiteral(R"(""")");
    QTest::newRow("two quotes in a row") << QStringLiteral(R"(a""b c)");
    QTest::newRow("non-ASCII") << QStringLiteral("/tmp/Ünïcødé ✂ 映像.mkv");
    QTest::newRow("leading dash") << QStringLiteral("-y -i clip.mp4");
    QTest::newRow("tab and backslash") << QStringLiteral("a\tb\\ c\\");
}

void TestEncoderText::quotedArgumentSurvivesSplitting()
{
    QFETCH(QString, text);
    QCOMPARE(QProcess::splitCommand(EncoderCommand::quoteArgument(text)), QStringList{text});
}

void TestEncoderText::commandLineShape()
{
    const QString line = EncoderCommand::conversionCommandLine(
        QStringLiteral("/opt/Sni pora/"), QStringLiteral("/v/in \"1\".mp4"), QStringLiteral("-ss 1 -t 2 -y"),
        QStringLiteral("/v/-out.avi"));
    const QString encoder = QStringLiteral("/opt/Sni pora/") + EncoderCommand::encoderFileName();
    QCOMPARE(QProcess::splitCommand(line),
             (QStringList{encoder, "-i", "/v/in \"1\".mp4", "-ss", "1", "-t", "2", "-y", "/v/-out.avi"}));
    QCOMPARE(QProcess::splitCommand(EncoderCommand::probeCommandLine(QString(), QStringLiteral("a b"))),
             (QStringList{"./" + EncoderCommand::encoderFileName(), "-i", "a b"}));
}

void TestEncoderText::markers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("unknown");
    QTest::newRow("old banner") << "press [q] to stop encoding\n" << true << false;
    QTest::newRow("current banner") << "Press [q] to stop, [?] for help\n" << true << false;
    QTest::newRow("truncated banner") << "Press [q] to st" << false << false;
    QTest::newRow("old unreadable") << "x.avi: Unknown format\n" << false << true;
    QTest::newRow("current unreadable") << "x.txt: Invalid data found when processing input" << false << true;
    QTest::newRow("neither") << "No such file or directory" << false << false;
}

void TestEncoderText::markers()
{
    QFETCH(QString, text);
    QFETCH(bool, started);
    QFETCH(bool, unknown);
    QCOMPARE(hasEncodingStarted(text), started);
    QCOMPARE(hasUnknownFormat(text), unknown);
}

void TestEncoderText::timeValue_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<double>("seconds"); // -1: no value
    QTest::addColumn<QString>("asSeconds");
    QTest::newRow("old form") << "frame=  250 TIME=10.00 bitrate=1" << true << 10.0 << "10.00";
    QTest::newRow("current form") << "size= 1kB time=00:01:05.50 bitrate" << true << 65.5 << "65.50";
    QTest::newRow("beyond 16 bits") << "time=12:00:00.00 " << true << 43200.0 << "43200.00";
    QTest::newRow("first value counts") << "time=1.0 time=2.0 " << true << 1.0 << "1.0";
    QTest::newRow("negative start") << "time=-00:00:00.04 " << true << -0.04 << "-0.04";
    QTest::newRow("not available") << "time=N/A bitrate=N/A" << true << -1.0 << QString();
    QTest::newRow("minutes out of range") << "time=00:75:00.00 " << true << -1.0 << "00:75:00.00";
    QTest::newRow("cut by the chunk") << "frame= 1 time=10." << false << -1.0 << "";
}

void TestEncoderText::timeValue()
{
    QFETCH(QString, chunk);
    QFETCH(bool, complete);
    QFETCH(double, seconds);
    QFETCH(QString, asSeconds);
    const TimeField field = findTimeField(chunk);
    QVERIFY(field.present);
    QCOMPARE(field.complete, complete);
    const std::optional<double> parsed = parseElapsedSeconds(field.text);
    QCOMPARE(parsed.has_value(), seconds != -1.0);
    if (parsed)
        QCOMPARE(*parsed, seconds);
    QCOMPARE(secondsText(field.text).value_or(QString()), asSeconds);
    QCOMPARE(secondsText(field.text).has_value(), !asSeconds.isNull());
}

void TestEncoderText::progressPercent_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<double>("length");
    QTest::addColumn<int>("percent"); // INT_MIN: no event
    QTest::newRow("quarter") << 10.0 << 40.0 << 25;
    QTest::newRow("half second down to even") << 12.5 << 100.0 << 12;
    QTest::newRow("half second up to even") << 13.5 << 100.0 << 14;
    QTest::newRow("half percent to even") << 1.0 << 8.0 << 12;
    QTest::newRow("past the end") << 50.0 << 40.0 << 125;
    QTest::newRow("long cut") << 40000.0 << 80000.0 << 50;
    QTest::newRow("no length") << 10.0 << 0.0 << INT_MIN;
}

void TestEncoderText::progressPercent()
{
    QFETCH(double, elapsed);
    QFETCH(double, length);
    QFETCH(int, percent);
    QCOMPARE(EncoderOutput::progressPercent(elapsed, length).value_or(INT_MIN), percent);
}

void TestEncoderText::errorDetails_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("details");
    const QString banner = QStringLiteral("ffmpeg version 5.1\nbuilt with gcc 12\nconfiguration: x\n");
    QTest::newRow("stream mapping, CR LF")
        << "Input #0\r\nStream mapping:\r\n  #0:0 -> #0:0\r\n  #0:1 -> #0:1\r\nEncoder failed\r\n"
        << "\nEncoder failed\r\n";
    QTest::newRow("stream mapping, LF") << banner + "Stream mapping:\n  a\n  b\nDisk full\n" << "\nDisk full\n";
    QTest::newRow("input, LF") << banner + "Input #0, avi\n  Duration\n  Stream 0\n  Stream 1\nbad option\n"
                               << "\nbad option\n";
    QTest::newRow("built on, old") << "version x\r\n  built on Jan 1\r\nUnrecognized option\r\n"
                                   << "\nUnrecognized option\r\n";
    QTest::newRow("built with, current") << banner + "Unrecognized option 'z'.\n"
                                         << "\nconfiguration: x\nUnrecognized option 'z'.\n";
    QTest::newRow("marker without line breaks") << "Stream mapping: x" << "Stream mapping: x";
    QTest::newRow("no marker") << "sh: ffmpeg: not found\n" << "";
    QTest::newRow("blank") << "   " << "";
    const QString padding(40000, QLatin1Char('.'));
    QTest::newRow("beyond 32767 characters") << padding + "\nStream mapping:\n a\n b\nlate error\n"
                                             << "\nlate error\n";
}

void TestEncoderText::errorDetails()
{
    QFETCH(QString, output);
    QFETCH(QString, details);
    QCOMPARE(EncoderOutput::errorDetails(output), details);
}

QTEST_APPLESS_MAIN(TestEncoderText)
#include "tst_encodertext.moc"
