#pragma once

#include "filedialogs.h"

#include <QList>
#include <QString>

// The open dialog's file types; the first, "Common Video Files", lists every
// extension Snipora takes for a video.
const QList<FileType> &VideoFileTypes();

// True when fileName ends in one of the video extensions (any letter case),
// as a dropped file must.
bool IsVideoFileName(const QString &fileName);
