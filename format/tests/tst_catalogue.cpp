#include "catalogue.h"

#include "recordingmessagesink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray crlf(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

const QString kHeader = QStringLiteral("<?xml version=\"1.0\"?>");

QStringList presetBlock(const QString &category, const QString &label, const QString &extension,
                        const QString &params)
{
    return {QStringLiteral("  <preset>"),
            QStringLiteral("    <label>%1</label>").arg(label),
            QStringLiteral("    <params>%1</params>").arg(params),
            QStringLiteral("    <extension>%1</extension>").arg(extension),
            QStringLiteral("    <category>%1</category>").arg(category),
            QStringLiteral("  </preset>")};
}

QStringList codecBlock(const QString &name, const QString &description, const QString &type)
{
    return {QStringLiteral("<codec>"), QStringLiteral("<name>%1</name>").arg(name),
            QStringLiteral("<description>%1</description>").arg(description),
            QStringLiteral("<type>%1</type>").arg(type), QStringLiteral("</codec>")};
}

QByteArray presetsFile(const QList<QStringList> &blocks)
{
    QStringList lines{kHeader, QStringLiteral("<presets>")};
    for (const QStringList &block : blocks)
        lines += block;
    lines << QStringLiteral("</presets>") << QString();
    return crlf(lines);
}

// content followed by empty lines up to lines lines in all.
QByteArray padToLines(const QByteArray &content, int lines)
{
    return content + QByteArray("\r\n").repeated(lines - 1 - int(content.count("\r\n")));
}

QByteArray codecsFile(const QList<QStringList> &blocks)
{
    QStringList lines{kHeader, QStringLiteral("<codecs>")};
    for (const QStringList &block : blocks)
        lines += block;
    lines << QStringLiteral("</codecs>");
    return crlf(lines);
}

// Valid entries as "category|label|extension|params".
QStringList describe(const PresetsLoad &load)
{
    QStringList out;
    for (qint32 i = 0; i < load.PresetCount; ++i) {
        const PresetEntry &e = load.Presets.at(i);
        out << QStringList{e.category, e.label, e.extension, e.params}.join(u'|');
    }
    return out;
}

QStringList describe(const CodecsLoad &load)
{
    QStringList out;
    for (qint32 i = 0; i < load.CodecCount; ++i) {
        const CodecEntry &e = load.Codecs.at(i);
        out << QStringList{e.name, e.description, e.type}.join(u'|');
    }
    return out;
}

} // namespace

class TestCatalogue final : public QObject
{
    Q_OBJECT

private slots:
    void presetWalk_data();
    void presetWalk();
    void presetFailures_data();
    void presetFailures();
    void codecWalk_data();
    void codecWalk();
    void loadFromProgramFolder_data();
    void loadFromProgramFolder();
};

void TestCatalogue::presetWalk_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("categories");

    QTest::newRow("categories in first-occurrence order")
        << presetsFile({presetBlock("A", "x", "avi", "-a"), presetBlock("B", "y", "mp4", "-b"),
                        presetBlock("A", "z", "wmv", "-c")})
        << QStringList{"A|x|avi|-a", "B|y|mp4|-b", "A|z|wmv|-c"} << QStringList{"A", "B"};

    // The indented header opens a block: <presets>, the next opening line, the
    // label and params become its field lines, the extension is skipped as its
    // closing line, and the rest of the first block holds "</".
    QTest::newRow("indented header throws the walk out of step")
        << crlf(QStringList{" " + kHeader, "<presets>"} + presetBlock("A", "x", "avi", "-a")
                + presetBlock("B", "y", "mp4", "-b") + QStringList{"</presets>"})
        << QStringList{"B|y|mp4|-b"} << QStringList{"B"};

    QTest::newRow("byte-order mark is a character")
        << QByteArray("\xEF\xBB\xBF") + presetsFile({presetBlock("A", "x", "avi", "-a")})
        << QStringList{"|x||-a"} << QStringList{""};

    // Three field lines: the closing line is read as a field, the next block's
    // opening line is skipped as a closing line, so that block is lost.
    QTest::newRow("short block loses the next block")
        << presetsFile({QStringList{"<preset>", "<label>s</label>", "<extension>avi</extension>",
                                    "<category>S</category>", "</preset>"},
                        presetBlock("Lost", "l", "mp4", "-l"), presetBlock("C", "c", "mkv", "-c")})
        << QStringList{"S|s|avi|", "C|c|mkv|-c"} << QStringList{"S", "C"};

    QTest::newRow("closing tag found in any case")
        << presetsFile({{"<p>", "<label>Big</LABEL>", "<params>-x</Params>", "<extension>e</EXTENSION>",
                         "<category>K</category>", "</p>"}})
        << QStringList{"K|Big|e|-x"} << QStringList{"K"};

    QTest::newRow("opening tag compared with case")
        << presetsFile({{"<p>", "<LABEL>Big</label>", "<params>-x</params>", "<extension>e</extension>",
                         "<category>K</category>", "</p>"}})
        << QStringList{"K||e|-x"} << QStringList{"K"};

    QTest::newRow("values verbatim")
        << presetsFile({presetBlock(" Web ", "a &amp; b", "mp4", " -vf \"scale=1:2\" & more ")})
        << QStringList{" Web |a &amp; b|mp4| -vf \"scale=1:2\" & more "} << QStringList{" Web "};

    QTest::newRow("tag with attributes ignored, rest of line after closing tag ignored")
        << presetsFile({{"<p>", "<label lang=\"en\">x</label>", "<params>-y</params> trailing",
                         "<extension>e</extension>", "<category>K</category>", "</p>"}})
        << QStringList{"K||e|-y"} << QStringList{"K"};

    QTest::newRow("block without category is reused, keeps unset fields")
        << presetsFile({presetBlock("", "first", "avi", "-f"),
                        {"<p>", "<label>second</label>", "<params>-s</params>", "<other>x</other>",
                         "<category>K</category>", "</p>"}})
        << QStringList{"K|second|avi|-s"} << QStringList{"K"};

    QTest::newRow("later duplicate field wins")
        << presetsFile({{"<p>", "<label>one</label>", "<label>two</label>", "<extension>e</extension>",
                         "<category>K</category>", "</p>"}})
        << QStringList{"K|two|e|"} << QStringList{"K"};

    QTest::newRow("last block without closing line")
        << crlf(QStringList{kHeader, "<presets>"} + presetBlock("A", "x", "avi", "-a").mid(0, 5))
        << QStringList{"A|x|avi|-a"} << QStringList{"A"};

    QTest::newRow("32767 lines fit the 16-bit line index")
        << padToLines(presetsFile({presetBlock("A", "x", "avi", "-a")}), 32767) << QStringList{"A|x|avi|-a"}
        << QStringList{"A"};

    QTest::newRow("header only yields one empty entry")
        << crlf({kHeader, "<presets>", "</presets>"}) << QStringList{"|||"} << QStringList{""};

    QTest::newRow("bare line breaks count as content")
        << QByteArray("\r\n\r\n\r\n") << QStringList{"|||"} << QStringList{""};

    QTest::newRow("line feeds only make one line")
        << presetsFile({presetBlock("A", "x", "avi", "-a")}).replace("\r\n", "\n") << QStringList{"|||"}
        << QStringList{""};
}

void TestCatalogue::presetWalk()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, categories);

    const PresetsLoad load = ReadPresets(content);
    QCOMPARE(load.failure, std::nullopt);
    QCOMPARE(describe(load), entries);
    QVERIFY(load.categoryItems.has_value());
    QCOMPARE(*load.categoryItems, categories);
}

void TestCatalogue::presetFailures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("failurePart"); // empty: a silent stop
    QTest::addColumn<int>("count");

    QTest::newRow("spaces only stop silently") << QByteArray("     ") << QString() << 0;
    QTest::newRow("empty field line")
        << presetsFile({presetBlock("A", "x", "avi", "-a"), {"<p>", "<label>l</label>", "", "", "", "</p>"}})
        << "Line 11: a field line without a tag" << 1;
    QTest::newRow("< without >")
        << presetsFile({{"<p>", "<label>l</label>", "<params -x", "<extension>e</extension>",
                         "<category>K</category>", "</p>"}})
        << "Line 5:" << 0;
    QTest::newRow("field without its closing tag")
        << presetsFile({{"<p>", "<label>l", "<params>-x</params>", "<extension>e</extension>",
                         "<category>K</category>", "</p>"}})
        << "closing tag </label> is missing" << 0;
    QTest::newRow("a tab is content: it opens a block") << QByteArray("\t") << "runs past the end" << 0;
    QTest::newRow("block runs past the last line")
        << crlf(QStringList{kHeader, "<presets>"} + presetBlock("A", "x", "avi", "-a").mid(0, 3))
        << "runs past the end" << 0;

    // 5462 blocks need 32775 lines: the walk overflows its 16-bit line index.
    QList<QStringList> many;
    for (int i = 0; i < 5462; ++i)
        many << presetBlock(QString::number(i), "x", "avi", "-a");
    QTest::newRow("more lines than the index can count") << presetsFile(many) << "overflow" << 5460;
    QTest::newRow("one line too many, stepping past the last")
        << padToLines(presetsFile({presetBlock("A", "x", "avi", "-a")}), 32768) << "Line 32769: overflow" << 0;
}

void TestCatalogue::presetFailures()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, failurePart);
    QFETCH(int, count);

    const PresetsLoad load = ReadPresets(content);
    if (failurePart.isEmpty()) {
        QCOMPARE(load.failure, std::nullopt);
    } else {
        QVERIFY(load.failure.has_value());
        QVERIFY2(load.failure->contains(failurePart), qPrintable(*load.failure));
    }
    // Stopped loads fill no list and do not count the slot being filled.
    QCOMPARE(load.categoryItems, std::nullopt);
    QCOMPARE(load.PresetCount, count);
}

void TestCatalogue::codecWalk_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("video");
    QTest::addColumn<QStringList>("audio");
    QTest::addColumn<QString>("failurePart");

    const QList<QStringList> mixed{codecBlock("libx264", "H.264", "video codec"),
                                   codecBlock("aac", "AAC", "audio codec"),
                                   codecBlock(" copy ", "Copy", "general"),
                                   codecBlock("mpeg4", "MPEG-4", "Video codec"),
                                   codecBlock("aac", "AAC", "audio codec")};
    const QStringList mixedEntries{"libx264|H.264|video codec", "aac|AAC|audio codec", " copy |Copy|general",
                                   "mpeg4|MPEG-4|Video codec", "aac|AAC|audio codec"};
    QTest::newRow("types route, general in both, capitalised type in neither, duplicates kept")
        << codecsFile(mixed) << mixedEntries << QStringList{"H.264", "Copy"}
        << QStringList{"AAC", "Copy", "AAC"} << QString();

    QByteArray indented = codecsFile(mixed);
    indented.replace("<?xml", "   <?xml").replace("<codecs>", "  <codecs>  ");
    QTest::newRow("indented header lines are harmless")
        << indented << mixedEntries << QStringList{"H.264", "Copy"} << QStringList{"AAC", "Copy", "AAC"}
        << QString();

    QTest::newRow("block without description is reused")
        << codecsFile({codecBlock("first", "", "video codec"),
                       {"<codec>", "<description>Second</description>", "<type>general</type>", "<x/>",
                        "</codec>"}})
        << QStringList{"first|Second|general"} << QStringList{"Second"} << QStringList{"Second"} << QString();

    QTest::newRow("header only: nothing to select")
        << codecsFile({}) << QStringList{"||"} << QStringList{} << QStringList{} << "video codec list is empty";

    QTest::newRow("no audio codec: lists filled, then the failure")
        << codecsFile({codecBlock("libx264", "H.264", "video codec")}) << QStringList{"libx264|H.264|video codec"}
        << QStringList{"H.264"} << QStringList{} << "audio codec list is empty";
}

void TestCatalogue::codecWalk()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, video);
    QFETCH(QStringList, audio);
    QFETCH(QString, failurePart);

    const CodecsLoad load = ReadCodecs(content);
    QCOMPARE(describe(load), entries);
    QCOMPARE(load.videoItems, std::optional<QStringList>(video));
    QCOMPARE(load.audioItems, std::optional<QStringList>(audio));
    if (failurePart.isEmpty()) {
        QCOMPARE(load.failure, std::nullopt);
    } else {
        QVERIFY(load.failure.has_value());
        QVERIFY2(load.failure->contains(failurePart), qPrintable(*load.failure));
    }
}

void TestCatalogue::loadFromProgramFolder_data()
{
    QTest::addColumn<bool>("presets");
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QString>("descriptionPart");

    const QByteArray good = presetsFile({presetBlock("A", "x", "avi", "-a")});
    QTest::newRow("presets fine") << true << good << QString();
    QTest::newRow("presets missing") << true << QByteArray() << "file not found";
    QTest::newRow("presets of zero length") << true << QByteArray("") << "empty";
    QTest::newRow("presets of spaces: silent") << true << QByteArray("  ") << QString();
    QTest::newRow("presets stop half-way") << true << crlf({kHeader, "<p>", "<label>x"}) << "Line 3:";
    QTest::newRow("codecs fine") << false << codecsFile({codecBlock("aac", "AAC", "general")}) << QString();
    QTest::newRow("codecs missing") << false << QByteArray() << "file not found";
    QTest::newRow("codecs with no listed codec") << false << codecsFile({}) << "list is empty";
}

void TestCatalogue::loadFromProgramFolder()
{
    QFETCH(bool, presets);
    QFETCH(QByteArray, content);
    QFETCH(QString, descriptionPart);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = presets ? kPresetsFileName : kCodecsFileName;
    if (!content.isNull()) {
        QFile file(dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    RecordingMessageSink sink;
    const std::optional<QString> failure =
        presets ? LoadPresets(dir.path(), sink).failure : LoadCodecs(dir.path(), sink).failure;
    if (descriptionPart.isEmpty()) {
        QVERIFY(sink.messages.isEmpty());
        QCOMPARE(failure, std::nullopt);
        return;
    }
    QCOMPARE(sink.messages.size(), 1);
    const auto &message = sink.messages.first();
    const QString sentence = presets ? kPresetsLoadMessage : kCodecsLoadMessage;
    QCOMPARE(message.text, *failure + "\r\n" + sentence);
    QVERIFY2(failure->contains(descriptionPart), qPrintable(*failure));
    QCOMPARE(message.icon, MessageIcon::None);
    QCOMPARE(message.title, QStringLiteral("Snipora"));
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
