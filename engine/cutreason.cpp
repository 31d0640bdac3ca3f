#include "cutreason.h"

namespace SmartCut {

QString reasonText(const Reason &reason)
{
    QString text;
    switch (reason.obstacle) {
    case Obstacle::None:
        return {};
    case Obstacle::UnreadableTimes:
        text = QStringLiteral("the frame times could not be read");
        break;
    case Obstacle::EmptyRange:
        text = QStringLiteral("the range holds no frame");
        break;
    case Obstacle::MissingTimes:
        text = QStringLiteral("some frame times are missing");
        break;
    case Obstacle::Codec:
        text = QStringLiteral("its codec (%1) is not H.264 or HEVC").arg(reason.detail);
        break;
    case Obstacle::ProfileOrFormat:
        text = QStringLiteral("its profile or pixel format (%1) cannot be matched").arg(reason.detail);
        break;
    case Obstacle::OddSize:
        text = QStringLiteral("its frame size is odd");
        break;
    case Obstacle::Interlaced:
        text = QStringLiteral("it is interlaced");
        break;
    case Obstacle::DeepReorder:
        text = QStringLiteral("it reorders frames deeper than the encoder can match");
        break;
    case Obstacle::Container:
        text = QStringLiteral("its container (%1) cannot be searched exactly").arg(reason.detail);
        break;
    case Obstacle::MissingDecodeTimes:
        text = QStringLiteral("some decode times are missing");
        break;
    case Obstacle::OpenGops:
        text = QStringLiteral("it has open GOPs");
        break;
    case Obstacle::NoKeyframe:
        text = QStringLiteral("no keyframe lies inside the range");
        break;
    case Obstacle::CopyMismatch:
        text = QStringLiteral("the copied part did not match its source");
        break;
    case Obstacle::OtherCoding:
        text = QStringLiteral("it is coded otherwise than part 1 (%1)").arg(reason.detail);
        break;
    }
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
