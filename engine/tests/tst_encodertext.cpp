#include "encodercommand.h"
#include "encoderoutput.h"
#include "sourcetracks.h"

#include <QProcess>
#include <QTest>

class TestEncoderText final : public QObject
{
    Q_OBJECT

private slots:
    void quotedArgumentSurvivesSplitting_data();
    void quotedArgumentSurvivesSplitting();
    void errorDetails_data();
    void errorDetails();
    void outputWriteFailure_data();
    void outputWriteFailure();
    void optionTokensFollowTheSplitter_data();
    void optionTokensFollowTheSplitter();
    void cutCommandLine_data();
    void cutCommandLine();
    void fitToSource_data();
    void fitToSource();
};

void TestEncoderText::quotedArgumentSurvivesSplitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("spaces") << QStringLiteral("/tmp/my clips/a  b.mp4");
    QTest::newRow("quote inside") << QStringLiteral(R"(/tmp/say "hi" now.mp4)");
    QTest::newRow("quotes at both ends") << QStringLiteral(R"("edge")");
    QTest::newRow("quotes only") << QStringLiteral(R"(""")");
    QTest::newRow("two quotes in a row") << QStringLiteral(R"(a""b c)");
    QTest::newRow("non-ASCII") << QStringLiteral("/tmp/Ünïcødé ✂ 映像.mkv");
    QTest::newRow("leading dash") << QStringLiteral("-y -i clip.mp4");
    QTest::newRow("tab and backslashes") << QStringLiteral("a\tb\\ c\\");
}

void TestEncoderText::quotedArgumentSurvivesSplitting()
{
    QFETCH(QString, text);
    // The runner splits with QProcess::splitCommand; the quoting must undo exactly.
    QCOMPARE(QProcess::splitCommand(EncoderCommand::quoteArgument(text)), QStringList{text});
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
    QTest::newRow("beyond 32767 characters") << QString(40000, QLatin1Char('.')) + "\nStream mapping:\n a\n b\nlate\n"
                                             << "\nlate\n";
}

void TestEncoderText::errorDetails()
{
    QFETCH(QString, output);
    QFETCH(QString, details);
    QCOMPARE(EncoderOutput::errorDetails(output), details);
}

void TestEncoderText::outputWriteFailure_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("failed");
    QTest::newRow("trailer, full disk") << "frame= 9\nError writing trailer of /o/a.mp4: No space left on device\n"
                                        << true;
    QTest::newRow("closing, size limit") << "Error closing file /o/a.mp4: File too large" << true;
    QTest::newRow("letter case ignored") << "error WRITING trailer of a.mp4: I/O error" << true;
    QTest::newRow("input damage only") << "Error while decoding stream #0:1: Invalid data found" << false;
    QTest::newRow("a clean run") << "video:1kB audio:1kB subtitle:0kB muxing overhead: 2%\n" << false;
}

void TestEncoderText::outputWriteFailure()
{
    QFETCH(QString, output);
    QFETCH(bool, failed);
    QCOMPARE(EncoderOutput::hasOutputWriteFailed(output), failed);
}

void TestEncoderText::optionTokensFollowTheSplitter_data()
{
    QTest::addColumn<QString>("options");
    QTest::newRow("plain") << QStringLiteral("-c:v mpeg4 -ss 5 -t 3 -y");
    QTest::newRow("runs of blanks, tab, line break") << QStringLiteral("  -ss \t 5\n\r-t   3  ");
    QTest::newRow("quoted value with spaces") << QStringLiteral(R"(-vf "scale=320:-2, fps=10" -ss 5)");
    QTest::newRow("quotes inside a word") << QStringLiteral(R"(-metadata title="a b"c -ss 5)");
    QTest::newRow("literal quotes") << QStringLiteral(R"(-metadata """x""" -ss """5""")");
    QTest::newRow("empty quotes give nothing") << QStringLiteral(R"(-ss "" 5 "" "")");
    QTest::newRow("quote left open") << QStringLiteral(R"(-ss 5 -t "3 -y)");
    QTest::newRow("lone quote at the end") << QStringLiteral(R"(-ss 5")");
    QTest::newRow("only blanks") << QStringLiteral("   ");
}

void TestEncoderText::optionTokensFollowTheSplitter()
{
    QFETCH(QString, options);
    const QList<EncoderCommand::OptionToken> tokens = EncoderCommand::optionTokens(options);
    QStringList texts;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const EncoderCommand::OptionToken &token = tokens.at(i);
        texts << token.text;
        // Each place holds exactly its own argument, so cutting it out is safe.
        QVERIFY(token.begin < token.end && (i == 0 || tokens.at(i - 1).end < token.begin));
        QCOMPARE(QProcess::splitCommand(QStringView(options).sliced(token.begin, token.end - token.begin)),
                 QStringList{token.text});
    }
    QCOMPARE(texts, QProcess::splitCommand(options));
}

void TestEncoderText::cutCommandLine_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("fastSeek");
    // The command after the encoder's path; the input is "/v/in.mp4" and the output "/v/out.mp4".
    QTest::addColumn<QString>("command");

    const QString custom = QStringLiteral("-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25");
    QTest::newRow("default, byte for byte") << custom + " -ss 75 -t 30 -y" << false
                                            << R"(-i "/v/in.mp4" )" + custom + R"( -ss 75 -t 30 -y "/v/out.mp4")";
    QTest::newRow("fast seek") << custom + " -ss 75 -t 30 -y" << true
                               << R"(-ss 75 -i "/v/in.mp4" )" + custom + R"( -t 30 -y "/v/out.mp4")";
    QTest::newRow("fast seek, fraction") << "-ss 75.25 -t 30 -y" << true
                                         << R"(-ss 75.25 -i "/v/in.mp4" -t 30 -y "/v/out.mp4")";
    QTest::newRow("fast seek, quoted start, odd spacing") << "-r 25  -ss \"75\"\t-t 30" << true
                                                           << "-ss 75 -i \"/v/in.mp4\" -r 25\t-t 30 \"/v/out.mp4\"";
    QTest::newRow("fast seek keeps quoted options verbatim")
        << R"(-vf "drawtext=text='-ss 9'" -metadata title="""x -ss""" -ss 5 -t 3 -y)" << true
        << R"(-ss 5 -i "/v/in.mp4" -vf "drawtext=text='-ss 9'" -metadata title="""x -ss""" -t 3 -y "/v/out.mp4")";

    const QString copyTail = QStringLiteral(" -ss 75 -t 30 -y");
    const QString moved = QStringLiteral(R"(-ss 75 -i "/v/in.mp4" %1 -t 30 -y "/v/out.mp4")");
    for (const char *copy : {"-map 0:v? -map 0:a? -c copy", "-c:v copy -c:a aac", "-ar 44100 -vcodec copy -r 25",
                             "-codec copy"}) {
        QTest::addRow("copy without fast seek: %s", copy) << copy + copyTail << false << moved.arg(QLatin1String(copy));
    }
    for (const char *other : {"-acodec copy -vcodec mpeg4", "-c:a copy", "-c:v copyx", "-vcodec:copy", "-C copy",
                              R"(-metadata "-c copy")", R"(-vf "null" "-c copy")"}) {
        QTest::addRow("not a video copy: %s", other) << other + copyTail << false
                                                     << R"(-i "/v/in.mp4" )" + QLatin1String(other) + copyTail
                                                            + R"( "/v/out.mp4")";
    }

    // A start that is not ours to move leaves the command as it is, copy or not.
    for (const char *tail : {"-c copy -ss 00:01:15 -t 30", "-c copy -ss -5 -t 30", "-c copy -ss 5. -t 30",
                             "-c copy -ss .5 -t 30", "-c copy -ss 1e3 -t 30", "-c copy -ss \u0667\u0665 -t 30",
                             "-c copy -ss 5 -ss 6 -t 30", "-c copy -t 30 -ss", "-c copy -t 30", ""}) {
        QTest::addRow("start stays: '%s'", tail) << QString::fromUtf8(tail) << true
                                                 << R"(-i "/v/in.mp4" )" + QString::fromUtf8(tail) + R"( "/v/out.mp4")";
    }
}

void TestEncoderText::cutCommandLine()
{
    QFETCH(QString, options);
    QFETCH(bool, fastSeek);
    QFETCH(QString, command);
    const QString encoder = EncoderCommand::quoteArgument(EncoderCommand::encoderPath(QStringLiteral("/opt/snipora")));
    const QString built = EncoderCommand::conversionCommandLine(
        QStringLiteral("/opt/snipora"), QStringLiteral("/v/in.mp4"), options, QStringLiteral("/v/out.mp4"), fastSeek);
    QCOMPARE(built, encoder + u' ' + command);
    QCOMPARE(EncoderCommand::seeksBeforeInput(options, fastSeek), command.startsWith(QLatin1String("-ss")));
}

void TestEncoderText::fitToSource_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("streams"); // the prober's JSON stream entries
    QTest::addColumn<QString>("added");   // what the fit adds to the options
    QTest::addColumn<QString>("status");

    const QString aac = "-c:v libx264 -c:a aac -ss 5 -t 3";
    const QString copy = "-map 0:v? -map 0:a? -map 0:s? -map 0:t? -c copy -ss 5 -t 3";
    const QString six = R"({"index":1,"codec_type":"audio","channels":6)";
    const QString unknown = six + "}";
    const QString known = six + R"j(,"channel_layout":"5.1(side)"})j";
    const QString fix = " -filter:a:%1 aformat=channel_layouts=5.1";
    QTest::newRow("layout known") << aac << "mp4" << known << "" << "";
    QTest::newRow("no layout, count only") << aac << "mp4" << six + R"(,"channel_layout":"6 channels"})"
                                           << fix.arg(0) << "";
    QTest::newRow("preset mixes down") << "-c:a aac -ac 2" << "mp4" << unknown << "" << "";
    QTest::newRow("preset filters the sound") << "-af volume=2 -c:a aac" << "mp4" << unknown << "" << "";
    const QString stereo = R"({"index":0,"codec_type":"audio","channels":2,"channel_layout":"stereo")";
    QTest::newRow("the encoder picks the default track")
        << aac << "mp4" << unknown + "," + stereo + R"(,"disposition":{"default":1}})" << "" << "";
    QTest::newRow("mapped second") << "-map 0:a -c:a aac" << "mp4" << stereo + "}," + unknown << fix.arg(1) << "";
    QTest::newRow("map beyond reading") << "-map 0:m:language:eng -c:a aac" << "mp4" << unknown << "" << "";

    const QString movText = R"({"index":3,"codec_type":"subtitle","codec_name":"mov_text"})";
    const QString timecode = R"({"index":4,"codec_type":"data","codec_tag_string":"tmcd"})";
    QTest::newRow("mov_text and timecode into MKV")
        << copy << "mkv" << movText + "," + timecode << " -c:s:0 srt -map -0:4"
        << "Tracks Matroska cannot hold: subtitle #0:3 (mov_text) as SubRip; data #0:4 (tmcd) left out";
    QTest::newRow("MKV's own subtitles, unknown bitmaps")
        << copy << "mkv"
        << R"({"index":1,"codec_type":"subtitle","codec_name":"xsub"},)"
               R"({"index":2,"codec_type":"subtitle","codec_name":"subrip"},)" + movText
        << " -map -0:1 -c:s:1 srt"
        << "Tracks Matroska cannot hold: subtitle #0:3 (mov_text) as SubRip; subtitle #0:1 (xsub) left out";
}

void TestEncoderText::fitToSource()
{
    QFETCH(QString, options);
    QFETCH(QString, extension);
    QFETCH(QString, streams);
    QFETCH(QString, added);
    QFETCH(QString, status);
    const auto probe = SourceTracks::parseProbe(QString("{\"streams\":[" + streams + "]}").toUtf8());
    QVERIFY(probe);
    const SourceTracks::Fit fit = SourceTracks::fitToSource(options, extension, *probe, 5, 3, "/t/ch.txt");
    QCOMPARE(fit.parameters, options + added);
    QCOMPARE(fit.status, status);
    // The window probes only where a fit can change something.
    QVERIFY(SourceTracks::mayNeedFit(options, extension) || (added.isEmpty() && status.isEmpty()));
}

QTEST_APPLESS_MAIN(TestEncoderText)
#include "tst_encodertext.moc"
