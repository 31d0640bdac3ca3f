#include "cutnotices.h"

#include <QStringList>

QString CutNotices::trackText(const SmartCut::LeftOutTrack &track)
{
    QString text;
    if (track.type == u"video")
        text = tr("video track %1 (%2)");
    else if (track.type == u"audio")
        text = tr("sound track %1 (%2)");
    else if (track.type == u"subtitle")
        text = tr("subtitle track %1 (%2)");
    else if (track.type == u"attachment")
        text = tr("attachment %1 (%2)");
    else
        text = tr("data track %1 (%2)");
    text = text.arg(track.index).arg(track.codec);
    return track.source.isEmpty() ? text : tr("%1: %2").arg(track.source, text);
}

QString CutNotices::reason(const SmartCut::Reason &why)
{
    using SmartCut::Obstacle;
    QString text;
    switch (why.obstacle) {
    case Obstacle::None:
        return {};
    case Obstacle::UnreadableTimes:
        text = tr("the frame times could not be read");
        break;
    case Obstacle::EmptyRange:
        text = tr("the range holds no frame");
        break;
    case Obstacle::MissingTimes:
        text = tr("some frame times are missing");
        break;
    case Obstacle::Codec:
        text = tr("its codec (%1) is not H.264 or HEVC").arg(why.detail);
        break;
    case Obstacle::ProfileOrFormat:
        text = tr("its profile or pixel format (%1) cannot be matched").arg(why.detail);
        break;
    case Obstacle::OddSize:
        text = tr("its frame size is odd");
        break;
    case Obstacle::Interlaced:
        text = tr("it is interlaced");
        break;
    case Obstacle::DeepReorder:
        text = tr("it reorders frames deeper than the encoder can match");
        break;
    case Obstacle::Container:
        text = tr("its container (%1) cannot be searched exactly").arg(why.detail);
        break;
    case Obstacle::MissingDecodeTimes:
        text = tr("some decode times are missing");
        break;
    case Obstacle::OpenGops:
        text = tr("it has open GOPs");
        break;
    case Obstacle::NoKeyframe:
        text = tr("no keyframe lies inside the range");
        break;
    case Obstacle::CopyMismatch:
        text = tr("the copied part did not match its source");
        break;
    case Obstacle::OtherCoding:
        text = tr("it is coded otherwise than part 1 (%1)").arg(why.detail);
        break;
    }
    return why.part > 0 ? tr("part %1: %2").arg(why.part).arg(text) : text;
}

QString CutNotices::reEncodingCut(const SmartCut::Reason &why)
{
    return tr("Exact cut by re-encoding: the source cannot be copied exactly (%1)").arg(reason(why));
}

QString CutNotices::reEncodingJoin(const SmartCut::Reason &why)
{
    return tr("Exact join by re-encoding: the parts cannot be joined by copying (%1)").arg(reason(why));
}

QString CutNotices::tracksLeftOut(const QString &container, const QList<SmartCut::LeftOutTrack> &tracks)
{
    QStringList texts;
    for (const SmartCut::LeftOutTrack &track : tracks)
        texts << trackText(track);
    const QString list = texts.join(tr(", "));
    return container.isEmpty() ? tr("Not kept, as a join keeps only picture and sound: %1").arg(list)
                               : tr("Not kept, as %1 cannot hold them: %2").arg(container, list);
}
