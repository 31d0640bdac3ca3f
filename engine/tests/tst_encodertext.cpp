#include "encodercommand.h"
#include "encoderoutput.h"

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

QTEST_APPLESS_MAIN(TestEncoderText)
#include "tst_encodertext.moc"
