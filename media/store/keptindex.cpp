#include "keptindex.h"

#include "cachefolder.h"

#include <QDataStream>
#include <QDir>
#include <QStandardPaths>

namespace KeptIndex {

namespace {

constexpr quint32 kMagic = 0x534e4658; // "SNFX"
// 2: every packet in decode order with both times and its size, and the time base.
constexpr quint32 kVersion = 2;
// What one packet and one frame take in the file; they bound a damaged file's counts before
// anything is allocated for them.
constexpr qint64 kPacketBytes = 8 + 8 + 8 + 4 + 1;
constexpr qint64 kFrameBytes = 8 + 8 + 1;

} // namespace

QString filePath(const QString &folder, const QFileInfo &file)
{
    return QDir(folder).filePath(CacheFolder::fileKey(file) + QStringLiteral(".idx"));
}

bool save(const QString &folder, const QFileInfo &file, const Contents &contents)
{
    return CacheFolder::write(filePath(folder, file), kMagic, kVersion, [&contents](QDataStream &stream) {
        stream << qint32(contents.stream) << qint32(contents.timeBaseNum) << qint32(contents.timeBaseDen);
        stream << quint32(contents.packets.size());
        for (const Packet &packet : contents.packets)
            stream << qint64(packet.pts) << qint64(packet.dts) << qint64(packet.pos) << qint32(packet.size) << packet.key;
        stream << quint32(contents.decodedFrames.size());
        for (const Frame &frame : contents.decodedFrames)
            stream << qint64(frame.pts) << qint64(frame.pos) << frame.key;
    });
}

std::optional<Contents> load(const QString &folder, const QFileInfo &file)
{
    Contents contents;
    const bool read = CacheFolder::read(filePath(folder, file), kMagic, kVersion, [&contents](QDataStream &stream, qint64 size) {
        qint32 index = 0, num = 0, den = 0;
        quint32 count = 0;
        stream >> index >> num >> den >> count;
        if (num <= 0 || den <= 0 || qint64(count) * kPacketBytes > size)
            return false;
        contents.stream = index;
        contents.timeBaseNum = num;
        contents.timeBaseDen = den;
        contents.packets.resize(count);
        for (Packet &packet : contents.packets) {
            qint64 pts = 0, dts = 0, pos = 0;
            qint32 bytes = 0;
            stream >> pts >> dts >> pos >> bytes >> packet.key;
            packet.pts = pts;
            packet.dts = dts;
            packet.pos = pos;
            packet.size = bytes;
        }
        stream >> count;
        if (qint64(count) * kFrameBytes > size)
            return false;
        contents.decodedFrames.resize(count);
        for (Frame &frame : contents.decodedFrames) {
            qint64 pts = 0, pos = 0;
            stream >> pts >> pos >> frame.key;
            frame.pts = pts;
            frame.pos = pos;
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return contents;
}

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/frame-index");
}

} // namespace KeptIndex
