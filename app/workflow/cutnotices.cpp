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
    if (why.isNone())
        return {};
    QString text = tr(SmartCut::obstacleText(why.obstacle));
    if (text.contains(QLatin1String("%1")))
        text = text.arg(why.detail);
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

QString CutNotices::metadataNotKept(const QString &metadata, bool wholeRange)
{
    return wholeRange ? tr("Not kept on the re-encoded video: %1 dynamic metadata").arg(metadata)
                      : tr("Not kept on the re-encoded start and end: %1 dynamic metadata").arg(metadata);
}
