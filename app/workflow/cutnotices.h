#pragma once

#include "cutreason.h"

#include <QCoreApplication>
#include <QString>

// What the smart cut and the join have to tell beside the progress bar, worded
// in the user's language: that they re-encode everything and why, and which
// tracks the output leaves out.
class CutNotices final
{
    Q_DECLARE_TR_FUNCTIONS(CutNotices)

public:
    // "Exact cut by re-encoding: the source cannot be copied exactly (why)".
    static QString reEncodingCut(const SmartCut::Reason &why);
    // "Exact join by re-encoding: the parts cannot be joined by copying (why)".
    static QString reEncodingJoin(const SmartCut::Reason &why);
    // The reason alone, with the join's part it concerns.
    static QString reason(const SmartCut::Reason &why);
    // "Not kept, as MP4 cannot hold them: ..." for a cut (container: its
    // extension in capitals); "Not kept, as a join keeps only picture and sound:
    // ..." for a join (container empty).
    // "Not kept on the re-encoded start and end: Dolby Vision (...) dynamic metadata".
    static QString metadataNotKept(const QString &metadata, bool wholeRange);
    static QString tracksLeftOut(const QString &container, const QList<SmartCut::LeftOutTrack> &tracks);


private:
    static QString trackText(const SmartCut::LeftOutTrack &track);
};
