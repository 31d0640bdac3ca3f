#include "videofiles.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

const QList<FileType> &VideoFileTypes()
{
    static const QList<FileType> types{
        {QCoreApplication::translate("VideoFiles", "Common Video Files"),
         {u"wmv"_s, u"asf"_s, u"avi"_s, u"mpg"_s, u"mpe"_s, u"mp2"_s, u"mpeg"_s, u"mp4"_s, u"mov"_s,
          u"dat"_s, u"flv"_s, u"rm"_s, u"rmvb"_s, u"yuv"_s, u"mkv"_s, u"m4v"_s, u"m1v"_s, u"m2v"_s,
          u"mpv2"_s, u"mp2v"_s, u"ts"_s, u"tp"_s, u"tpr"_s, u"pva"_s, u"pss"_s, u"divx"_s}},
        {QCoreApplication::translate("VideoFiles", "MPEG Files(.mpg,*.mpeg,*.mp2,*.mp4,*.mpe,*.m4v)"),
         {u"mpg"_s, u"mp2"_s, u"mpeg"_s, u"mp4"_s, u"mpe"_s, u"m4v"_s, u"m1v"_s, u"m2v"_s, u"mpv2"_s,
          u"mp2v"_s, u"dat"_s, u"ts"_s, u"tp"_s, u"tpr"_s, u"pva"_s, u"pss"_s}},
        {QCoreApplication::translate("VideoFiles", "Windows Media Files(*.wmv,*.asf)"), {u"wmv"_s, u"asf"_s}},
        {QCoreApplication::translate("VideoFiles", "AVI Files(*.avi)"), {u"avi"_s}},
        {QCoreApplication::translate("VideoFiles", "QuickTime Files-Ver2 or less(*.mov)"), {u"mov"_s}},
        {QCoreApplication::translate("VideoFiles", "All Files(*.*)"), {u"*"_s}},
    };
    return types;
}

bool IsVideoFileName(const QString &fileName)
{
    for (const QString &ext : VideoFileTypes().constFirst().extensions) {
        if (fileName.endsWith(u'.' + ext, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
