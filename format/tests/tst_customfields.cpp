#include "customfields.h"

#include <QSet>
#include <QTest>

#include <algorithm>

// The key filter, the settings file and the option string each apply one of
// the rules; a text the first lets in must pass the other two, or a value the
// user typed would be dropped at the next start or fail the task.
class TestCustomFields final : public QObject
{
    Q_OBJECT

private slots:
    void typedTextIsStoredAndEncoded_data();
    void typedTextIsStoredAndEncoded();
};

void TestCustomFields::typedTextIsStoredAndEncoded_data()
{
    QTest::addColumn<CustomField>("field");
    QTest::addColumn<QStringList>("mustReach"); // proves the walk types something
    QTest::newRow("audio bitrate") << CustomField::txtCABirate << QStringList{"9999", "0"};
    QTest::newRow("video bitrate") << CustomField::txtCVBitrate << QStringList{"9090"};
    QTest::newRow("channels") << CustomField::txtChannels << QStringList{"9"};
    QTest::newRow("frame rate") << CustomField::txtFrameRate << QStringList{"90.9", "99999999.", "."};
}

void TestCustomFields::typedTextIsStoredAndEncoded()
{
    QFETCH(CustomField, field);
    QFETCH(QStringList, mustReach);
    // Every text reachable by typing keys at the end or the front, from an
    // empty box; Backspace only shortens, so it adds no new shapes.
    const QString keys = QStringLiteral("09.a -\r");
    QSet<QString> reached{QString()};
    QList<QString> pending{QString()};
    while (!pending.isEmpty()) {
        const QString text = pending.takeLast();
        for (const QChar key : keys) {
            if (!customFieldAcceptsKey(field, key, text) || key == u'\r')
                continue;
            for (const QString &next : QStringList{text + key, key + text}) {
                if (!reached.contains(next)) {
                    reached.insert(next);
                    pending.append(next);
                }
            }
        }
    }
    for (const QString &text : mustReach)
        QVERIFY2(reached.contains(text), qPrintable(text));
    for (const QString &text : std::as_const(reached)) {
        QVERIFY2(text.size() <= customFieldLength(field), qPrintable(text));
        // A box left empty, or holding a lone ".", is no value, and the
        // settings and the option string both refuse it.
        const bool hasDigit = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        QCOMPARE(isCustomFieldText(field, text), hasDigit);
        QCOMPARE(isCustomFieldValue(field, text), hasDigit);
    }
}

QTEST_APPLESS_MAIN(TestCustomFields)
#include "tst_customfields.moc"
