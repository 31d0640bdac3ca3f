#include "cutreason.h"

#include <QtGlobal>

namespace SmartCut {

const char *obstacleText(Obstacle obstacle)
{
    switch (obstacle) {
    case Obstacle::None:
        break;
    case Obstacle::UnreadableTimes:
        return QT_TRANSLATE_NOOP("CutNotices", "the frame times could not be read");
    case Obstacle::EmptyRange:
        return QT_TRANSLATE_NOOP("CutNotices", "the range holds no frame");
    case Obstacle::MissingTimes:
        return QT_TRANSLATE_NOOP("CutNotices", "some frame times are missing");
    case Obstacle::Codec:
        return QT_TRANSLATE_NOOP("CutNotices", "its codec (%1) is not H.264 or HEVC");
    case Obstacle::ProfileOrFormat:
        return QT_TRANSLATE_NOOP("CutNotices", "its profile or pixel format (%1) cannot be matched");
    case Obstacle::OddSize:
        return QT_TRANSLATE_NOOP("CutNotices", "its frame size is odd");
    case Obstacle::Interlaced:
        return QT_TRANSLATE_NOOP("CutNotices", "it is interlaced");
    case Obstacle::DeepReorder:
        return QT_TRANSLATE_NOOP("CutNotices", "it reorders frames deeper than the encoder can match");
    case Obstacle::Container:
        return QT_TRANSLATE_NOOP("CutNotices", "its container (%1) cannot be searched exactly");
    case Obstacle::MissingDecodeTimes:
        return QT_TRANSLATE_NOOP("CutNotices", "some decode times are missing");
    case Obstacle::OpenGops:
        return QT_TRANSLATE_NOOP("CutNotices", "it has open GOPs");
    case Obstacle::NoKeyframe:
        return QT_TRANSLATE_NOOP("CutNotices", "no keyframe lies inside the range");
    case Obstacle::CopyMismatch:
        return QT_TRANSLATE_NOOP("CutNotices", "the copied part did not match its source");
    case Obstacle::OtherCoding:
        return QT_TRANSLATE_NOOP("CutNotices", "it is coded otherwise than part 1 (%1)");
    }
    return "";
}

QString reasonText(const Reason &reason)
{
    if (reason.isNone())
        return {};
    QString text = QString::fromLatin1(obstacleText(reason.obstacle));
    if (text.contains(QLatin1String("%1")))
        text = text.arg(reason.detail);
    return reason.part > 0 ? QStringLiteral("part %1: %2").arg(reason.part).arg(text) : text;
}

QString trackText(const LeftOutTrack &track)
{
    const QString text = QStringLiteral("%1 track %2 (%3)").arg(track.type).arg(track.index).arg(track.codec);
    return track.source.isEmpty() ? text : track.source + QStringLiteral(": ") + text;
}

QStringList trackTexts(const QList<LeftOutTrack> &tracks)
{
    QStringList texts;
    for (const LeftOutTrack &track : tracks)
        texts << trackText(track);
    return texts;
}

} // namespace SmartCut
