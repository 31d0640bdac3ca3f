// The catalogue examples on the help page must read the way the page says:
// a reader who copies them gets working files, and the entries shown are the
// ones Snipora ships.
#include "catalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text of <pre id="id"> as a reader sees it, with the CR LF line ends the
// files need; empty when the page has no such block.
QByteArray exampleText(const QString &page, const QString &id)
{
    const QRegularExpression block(QStringLiteral("<pre id=\"%1\">(.*?)</pre>").arg(id),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = block.match(page);
    if (!match.hasMatch())
        return {};
    QString text = match.captured(1);
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text.toUtf8();
}

bool samePreset(const PresetEntry &a, const PresetEntry &b)
{
    return a.label == b.label && a.params == b.params && a.extension == b.extension && a.category == b.category;
}

bool sameCodec(const CodecEntry &a, const CodecEntry &b)
{
    return a.name == b.name && a.description == b.description && a.type == b.type;
}

} // namespace

class tst_HelpExamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void examples_data();
    void examples();

private:
    QString m_page;
    PresetsLoad m_shippedPresets;
    CodecsLoad m_shippedCodecs;
};

void tst_HelpExamples::initTestCase()
{
    m_page = QString::fromUtf8(readBytes(QStringLiteral(SNIPORA_HELP_DIR "/catalogues.html")));
    QVERIFY(!m_page.isEmpty());
    m_shippedPresets = ReadPresets(readBytes(QStringLiteral(SNIPORA_CATALOGUE_DIR "/presets.xml")));
    m_shippedCodecs = ReadCodecs(readBytes(QStringLiteral(SNIPORA_CATALOGUE_DIR "/codecs.xml")));
    QVERIFY(!m_shippedPresets.failure);
    QVERIFY(!m_shippedCodecs.failure);
}

void tst_HelpExamples::examples_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("expectedCount");

    QTest::newRow("complete presets.xml") << "presets-example" << 2;
    QTest::newRow("complete codecs.xml") << "codecs-example" << 3;
    // -1: the shipped count plus one, for the block added to the shipped file.
    QTest::newRow("own preset added to the shipped file") << "own-preset" << -1;
}

void tst_HelpExamples::examples()
{
    QFETCH(QString, id);
    QFETCH(int, expectedCount);

    const QByteArray example = exampleText(m_page, id);
    QVERIFY2(!example.isEmpty(), qPrintable(QStringLiteral("no <pre id=\"%1\"> on the page").arg(id)));

    if (id == u"codecs-example") {
        const CodecsLoad load = ReadCodecs(example);
        QVERIFY2(!load.failure, qPrintable(load.failure.value_or(QString())));
        QCOMPARE(load.CodecCount, expectedCount);
        for (qint32 i = 0; i < load.CodecCount; ++i) {
            const CodecEntry &entry = load.Codecs.at(i);
            const bool shipped = std::any_of(m_shippedCodecs.Codecs.cbegin(),
                                             m_shippedCodecs.Codecs.cbegin() + m_shippedCodecs.CodecCount,
                                             [&](const CodecEntry &s) { return sameCodec(s, entry); });
            QVERIFY2(shipped, qPrintable(entry.description + QStringLiteral(" is not as shipped")));
        }
        return;
    }

    if (id == u"own-preset") {
        QByteArray file = readBytes(QStringLiteral(SNIPORA_CATALOGUE_DIR "/presets.xml"));
        const qsizetype end = file.lastIndexOf("</presets>");
        QVERIFY(end > 0);
        file.insert(end, example);
        const PresetsLoad load = ReadPresets(file);
        QVERIFY2(!load.failure, qPrintable(load.failure.value_or(QString())));
        QCOMPARE(load.PresetCount, m_shippedPresets.PresetCount + 1);
        const PresetEntry &added = load.Presets.at(load.PresetCount - 1);
        QCOMPARE(added.category, QStringLiteral("My presets"));
        QCOMPARE(added.label, QStringLiteral("Phone 540p"));
        QCOMPARE(added.extension, QStringLiteral("mp4"));
        QVERIFY(load.categoryItems && load.categoryItems->endsWith(QStringLiteral("My presets")));
        return;
    }

    const PresetsLoad load = ReadPresets(example);
    QVERIFY2(!load.failure, qPrintable(load.failure.value_or(QString())));
    QCOMPARE(load.PresetCount, expectedCount);
    for (qint32 i = 0; i < load.PresetCount; ++i) {
        const PresetEntry &entry = load.Presets.at(i);
        const bool shipped = std::any_of(m_shippedPresets.Presets.cbegin(),
                                         m_shippedPresets.Presets.cbegin() + m_shippedPresets.PresetCount,
                                         [&](const PresetEntry &s) { return samePreset(s, entry); });
        QVERIFY2(shipped, qPrintable(entry.label + QStringLiteral(" is not as shipped")));
    }
}

QTEST_APPLESS_MAIN(tst_HelpExamples)
#include "tst_helpexamples.moc"
