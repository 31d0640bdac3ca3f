// H.264 packets left out below a seek's target: only those whose pictures nothing refers to, in
// both ways a stream frames its units, and never one that is damaged or carries what other
// pictures need.

#include "nalunits.h"

#include <QTest>

namespace {

// A unit: its header byte, then a few payload bytes (no start code can occur in them).
QByteArray unit(uchar header)
{
    return QByteArray(1, char(header)) + QByteArray::fromHex("9a2b3c");
}

QByteArray lengthPrefixed(const QList<QByteArray> &units, int lengthSize)
{
    QByteArray packet;
    for (const QByteArray &nal : units) {
        for (int i = lengthSize - 1; i >= 0; --i)
            packet += char((nal.size() >> (8 * i)) & 0xff);
        packet += nal;
    }
    return packet;
}

QByteArray startCoded(const QList<QByteArray> &units)
{
    QByteArray packet;
    bool first = true;
    for (const QByteArray &nal : units) {
        packet += QByteArray::fromHex(first ? "00000001" : "000001") + nal;
        first = false;
    }
    return packet;
}

// Header bytes: nal_ref_idc in bits 5-6, the kind in bits 0-4.
constexpr uchar kUnreferencedSlice = 0x01;
constexpr uchar kReferencedSlice = 0x41;
constexpr uchar kKeySlice = 0x65;
constexpr uchar kUnreferencedPartition = 0x02;
constexpr uchar kSei = 0x06;
constexpr uchar kDelimiter = 0x09;
constexpr uchar kSequenceSet = 0x67;
constexpr uchar kPictureSet = 0x68;
constexpr uchar kEndOfSequence = 0x0a;

} // namespace

class TestNalUnits final : public QObject
{
    Q_OBJECT

private slots:
    void leavesOutOnlyWhatNothingRefersTo_data();
    void leavesOutOnlyWhatNothingRefersTo();
    void lengthSizeFromTheRecord_data();
    void lengthSizeFromTheRecord();
};

void TestNalUnits::leavesOutOnlyWhatNothingRefersTo_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("lengthSize");
    QTest::addColumn<bool>("leftOut");
    const auto units = [](std::initializer_list<uchar> headers) {
        QList<QByteArray> list;
        for (const uchar header : headers)
            list << unit(header);
        return list;
    };
    QTest::newRow("4-byte lengths: slice nothing refers to") << lengthPrefixed(units({kUnreferencedSlice}), 4) << 4 << true;
    QTest::newRow("4-byte lengths: delimiter, SEI, slice") << lengthPrefixed(units({kDelimiter, kSei, kUnreferencedSlice}), 4) << 4 << true;
    QTest::newRow("4-byte lengths: unreferenced partition") << lengthPrefixed(units({kUnreferencedPartition}), 4) << 4 << true;
    QTest::newRow("4-byte lengths: referenced slice") << lengthPrefixed(units({kReferencedSlice}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: keyframe") << lengthPrefixed(units({kKeySlice}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: two slices, the second referenced")
        << lengthPrefixed(units({kUnreferencedSlice, kReferencedSlice}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: parameter sets before it")
        << lengthPrefixed(units({kSequenceSet, kPictureSet, kUnreferencedSlice}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: end of sequence after it")
        << lengthPrefixed(units({kUnreferencedSlice, kEndOfSequence}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: SEI alone, no picture") << lengthPrefixed(units({kSei}), 4) << 4 << false;
    QTest::newRow("4-byte lengths: forbidden bit set") << lengthPrefixed(units({0x81}), 4) << 4 << false;
    QByteArray past = lengthPrefixed(units({kUnreferencedSlice}), 4);
    past[3] = char(past[3] + 1);
    QTest::newRow("4-byte lengths: length past the end") << past << 4 << false;
    QTest::newRow("4-byte lengths: zero length") << QByteArray::fromHex("00000000") + unit(kUnreferencedSlice) << 4 << false;
    QTest::newRow("4-byte lengths: cut inside a prefix") << lengthPrefixed(units({kUnreferencedSlice}), 4) + QByteArray(2, 0) << 4 << false;
    QTest::newRow("2-byte lengths: slice nothing refers to") << lengthPrefixed(units({kSei, kUnreferencedSlice}), 2) << 2 << true;
    QTest::newRow("1-byte lengths: referenced slice") << lengthPrefixed(units({kReferencedSlice}), 1) << 1 << false;
    QTest::newRow("start codes: delimiter, slice") << startCoded(units({kDelimiter, kUnreferencedSlice})) << 0 << true;
    QTest::newRow("start codes: zero before a start code") << QByteArray(1, 0) + startCoded(units({kUnreferencedSlice})) << 0 << true;
    QTest::newRow("start codes: referenced slice") << startCoded(units({kDelimiter, kReferencedSlice})) << 0 << false;
    QTest::newRow("start codes: parameter sets and keyframe")
        << startCoded(units({kSequenceSet, kPictureSet, kKeySlice})) << 0 << false;
    QTest::newRow("start codes: none at all") << unit(kUnreferencedSlice) << 0 << false;
    QTest::newRow("start codes: read as lengths") << startCoded(units({kUnreferencedSlice})) << 4 << false;
    QTest::newRow("empty") << QByteArray() << 4 << false;
}

void TestNalUnits::leavesOutOnlyWhatNothingRefersTo()
{
    QFETCH(QByteArray, packet);
    QFETCH(int, lengthSize);
    QFETCH(bool, leftOut);
    QCOMPARE(NalUnits::h264NothingRefersTo(reinterpret_cast<const uint8_t *>(packet.constData()), packet.size(),
                                           lengthSize),
             leftOut);
}

void TestNalUnits::lengthSizeFromTheRecord_data()
{
    QTest::addColumn<QByteArray>("extradata");
    QTest::addColumn<int>("lengthSize");
    QTest::newRow("avcC, 4 bytes") << QByteArray::fromHex("01640028ffe1001867") << 4;
    QTest::newRow("avcC, 2 bytes") << QByteArray::fromHex("01640028fde1001867") << 2;
    QTest::newRow("avcC, 1 byte") << QByteArray::fromHex("01640028fce1001867") << 1;
    QTest::newRow("avcC, 3 bytes: not allowed") << QByteArray::fromHex("01640028fee1001867") << 0;
    QTest::newRow("start codes") << QByteArray::fromHex("0000000167640028ac") << 0;
    QTest::newRow("too short") << QByteArray::fromHex("016400") << 0;
    QTest::newRow("none") << QByteArray() << 0;
}

void TestNalUnits::lengthSizeFromTheRecord()
{
    QFETCH(QByteArray, extradata);
    QFETCH(int, lengthSize);
    QCOMPARE(NalUnits::h264LengthSize(reinterpret_cast<const uint8_t *>(extradata.constData()), extradata.size()),
             lengthSize);
}

QTEST_APPLESS_MAIN(TestNalUnits)

#include "tst_nalunits.moc"
