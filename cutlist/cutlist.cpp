#include "cutlist.h"

#include "settingsstorelocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

using namespace Qt::StringLiterals;

// An entry in the list file. Every key but source, start and end may be
// missing and then takes its empty value; a key of the wrong type, a mark
// that is not a number from 0 below kLatestMark, or an end not after the
// start makes the whole file damaged.
//
//     {"source": "/videos/a.mp4", "start": 5, "end": 12.25, "exactMarks": true, "frameRate": 25,
//      "format": {"presetMode": true, "cmbCategory": "...", ... every text of
//                 FormatPanelSnapshot under its field name},
//      "formatSummary": "...", "sameFolder": false, "outputFolder": "/cuts",
//      "fastSeek": false, "state": "waiting|running|done|failed|stopped",
//      "output": "/cuts/a.mp4", "errorLines": "..."}

namespace {

const QString kDocumentName = u"Snipora cut list"_s;
constexpr int kVersion = 1;
constexpr double kLatestMark = 1e9; // far beyond any video, and exact in milliseconds
const QString kSeparator = u"  |  "_s;

struct FormatText
{
    QString key;
    QString FormatPanelSnapshot::*member;
};

const FormatText kFormatTexts[] = {
    {u"cmbCategory"_s, &FormatPanelSnapshot::cmbCategory},
    {u"cmbOutVCodec"_s, &FormatPanelSnapshot::cmbOutVCodec},
    {u"cmbOutFormat"_s, &FormatPanelSnapshot::cmbOutFormat},
    {u"cmbCustContainer"_s, &FormatPanelSnapshot::cmbCustContainer},
    {u"cmbCVCodec"_s, &FormatPanelSnapshot::cmbCVCodec},
    {u"txtCVBitrate"_s, &FormatPanelSnapshot::txtCVBitrate},
    {u"cmbCVSize"_s, &FormatPanelSnapshot::cmbCVSize},
    {u"cmbCVAspect"_s, &FormatPanelSnapshot::cmbCVAspect},
    {u"txtFrameRate"_s, &FormatPanelSnapshot::txtFrameRate},
    {u"cmbCACodec"_s, &FormatPanelSnapshot::cmbCACodec},
    {u"txtCABirate"_s, &FormatPanelSnapshot::txtCABirate},
    {u"cmbCASmapleRate"_s, &FormatPanelSnapshot::cmbCASmapleRate},
    {u"txtChannels"_s, &FormatPanelSnapshot::txtChannels},
};

// Indexed by CutState.
const QString kStateNames[] = {u"waiting"_s, u"running"_s, u"done"_s, u"failed"_s, u"stopped"_s};

QString stateName(CutState state)
{
    return kStateNames[int(state)];
}

// What the list shows; the file keeps the names above.
const char *const kStateTexts[] = {QT_TRANSLATE_NOOP("CutList", "waiting"), QT_TRANSLATE_NOOP("CutList", "running"),
                                   QT_TRANSLATE_NOOP("CutList", "done"), QT_TRANSLATE_NOOP("CutList", "failed"),
                                   QT_TRANSLATE_NOOP("CutList", "stopped")};

QString stateText(CutState state)
{
    return QCoreApplication::translate("CutList", kStateTexts[int(state)]);
}

// The list's texts, in the translators' context "CutList".
struct CutList
{
    Q_DECLARE_TR_FUNCTIONS(CutList)
};

double toMilliseconds(double seconds)
{
    return std::round(seconds * 1000.0) / 1000.0;
}

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QJsonObject entryToJson(const CutEntry &entry)
{
    QJsonObject format{{u"presetMode"_s, entry.format.presetMode}};
    for (const FormatText &text : kFormatTexts)
        format.insert(text.key, entry.format.*text.member);
    return QJsonObject{
        {u"source"_s, entry.sourcePath},
        {u"start"_s, entry.selectStart},
        {u"end"_s, entry.selectEnd},
        {u"exactMarks"_s, entry.exactMarks},
        {u"frameRate"_s, entry.frameRate},
        {u"format"_s, format},
        {u"formatSummary"_s, entry.formatSummary},
        {u"sameFolder"_s, entry.folder.optSameFolder},
        {u"outputFolder"_s, entry.folder.txtOutPath},
        {u"fastSeek"_s, entry.fastSeek},
        {u"state"_s, stateName(entry.state)},
        {u"output"_s, entry.outputPath},
        {u"errorLines"_s, entry.errorLines},
    };
}

std::optional<CutEntry> entryFromJson(const QJsonValue &value)
{
    bool ok = value.isObject();
    const QJsonObject object = value.toObject();
    const QJsonValue formatValue = object.value(u"format");
    ok = ok && (formatValue.isUndefined() || formatValue.isObject());
    const QJsonObject format = formatValue.toObject();
    const auto text = [&ok](const QJsonObject &from, QStringView key) {
        const QJsonValue v = from.value(key);
        ok = ok && (v.isUndefined() || v.isString());
        return v.toString();
    };
    const auto flag = [&ok](const QJsonObject &from, QStringView key, bool missing) {
        const QJsonValue v = from.value(key);
        ok = ok && (v.isUndefined() || v.isBool());
        return v.toBool(missing);
    };

    CutEntry entry;
    entry.sourcePath = text(object, u"source");
    const QJsonValue start = object.value(u"start");
    const QJsonValue end = object.value(u"end");
    entry.selectStart = toMilliseconds(start.toDouble(-1));
    entry.selectEnd = toMilliseconds(end.toDouble(-1));
    entry.exactMarks = flag(object, u"exactMarks", false);
    const QJsonValue frameRate = object.value(u"frameRate");
    ok = ok && (frameRate.isUndefined() || frameRate.isDouble());
    entry.frameRate = frameRate.toDouble();
    entry.format.presetMode = flag(format, u"presetMode", true);
    for (const FormatText &field : kFormatTexts)
        entry.format.*field.member = text(format, field.key);
    entry.formatSummary = text(object, u"formatSummary");
    entry.folder.optSameFolder = flag(object, u"sameFolder", true);
    entry.folder.txtOutPath = text(object, u"outputFolder");
    entry.fastSeek = flag(object, u"fastSeek", false);
    const QString state = text(object, u"state");
    const auto known =
        std::find(std::begin(kStateNames), std::end(kStateNames), state.isEmpty() ? kStateNames[0] : state);
    entry.state = CutState(known - std::begin(kStateNames));
    entry.outputPath = text(object, u"output");
    entry.errorLines = text(object, u"errorLines");

    ok = ok && !entry.sourcePath.isEmpty() && start.isDouble() && end.isDouble() && entry.selectStart >= 0
         && entry.selectStart < entry.selectEnd && entry.selectEnd < kLatestMark && known != std::end(kStateNames);
    return ok ? std::optional(entry) : std::nullopt;
}

// Whether path can be a file the entry's run created: in its output folder,
// named after its source with its format's extension, and not the source
// itself. A hand-edited list must not get a user's file removed.
bool isOwnOutput(const CutEntry &entry)
{
    const QString output = QDir::cleanPath(entry.outputPath);
    const QString folder = entry.folder.optSameFolder ? ParentFolderName(entry.sourcePath) : entry.folder.txtOutPath;
    return !output.isEmpty() && output != QDir::cleanPath(entry.sourcePath)
           && ParentFolderName(output) == QDir::cleanPath(folder)
           && BaseName(output).startsWith(BaseName(entry.sourcePath))
           && output.endsWith(u'.' + OutputExtension(entry.format));
}

// Renames path to path.<kind>-<n> with the first n no file takes. The new
// path, or empty when it could not be renamed.
QString setAside(const QString &path, const QString &kind)
{
    for (int n = 1; n <= 1000; ++n) {
        const QString target = path + u'.' + kind + u'-' + QString::number(n);
        if (!QFileInfo::exists(target))
            return QFile::rename(path, target) ? target : QString();
    }
    return {};
}

} // namespace

QString cutTimeText(double seconds, bool exact)
{
    const qint64 ms = std::isfinite(seconds) ? qRound64(std::clamp(seconds, 0.0, 1e12) * 1000.0) : 0;
    const qint64 whole = exact ? ms / 1000 : (ms + 500) / 1000;
    const QChar zero = u'0';
    QString text = u"%1:%2:%3"_s.arg(whole / 3600, 2, 10, zero)
                       .arg(whole / 60 % 60, 2, 10, zero)
                       .arg(whole % 60, 2, 10, zero);
    if (exact)
        text += u'.' + QString::number(ms % 1000).rightJustified(3, u'0');
    return text;
}

QString cutSpanText(const CutEntry &entry)
{
    return cutTimeText(entry.selectStart, entry.exactMarks) + u'\u2013'
           + cutTimeText(entry.selectEnd, entry.exactMarks);
}

QString cutSourceName(const CutEntry &entry)
{
    return fileName(entry.sourcePath);
}

QString cutFolderText(const OutputFolderChoice &folder)
{
    return folder.optSameFolder ? CutList::tr("Same folder as input file") : QDir::toNativeSeparators(folder.txtOutPath);
}

QString cutStateText(const CutEntry &entry, bool sourceMissing)
{
    switch (entry.state) {
    case CutState::Running:
        return stateText(entry.state);
    case CutState::Done:
        return CutList::tr("done: %1").arg(fileName(entry.outputPath));
    default:
        return sourceMissing ? CutList::tr("source missing") : stateText(entry.state);
    }
}

QString cutEntryLine(const CutEntry &entry, bool sourceMissing)
{
    return QStringList{cutSourceName(entry), cutSpanText(entry), entry.formatSummary, cutFolderText(entry.folder),
                       cutStateText(entry, sourceMissing)}
        .join(kSeparator);
}

QString cutProgressText(int position, int total)
{
    return CutList::tr("Task Progress:[%1 of %2]").arg(position).arg(total);
}

QString cutJoinProgressText(int position, int total)
{
    return CutList::tr("Task Progress:[Joining %1 of %2]").arg(position).arg(total);
}

QString cutListEndMessage(const CutCounts &counts)
{
    if (counts.failed == 0 && counts.stopped == 0 && counts.skipped == 0)
        return {};
    const QString message = CutList::tr("%1 done, %2 failed, %3 stopped.").arg(counts.done).arg(counts.failed).arg(counts.stopped);
    if (counts.skipped == 0)
        return message;
    return CutList::tr("%1 %n skipped: source missing.", nullptr, counts.skipped).arg(message);
}

bool cutListPowerOffAllowed(const CutCounts &counts)
{
    return counts.total > 0 && counts.done == counts.total;
}

QString CutListRun::startNext(int runnableLeft)
{
    ++m_started;
    return cutProgressText(m_started, m_started - 1 + std::max(runnableLeft, 1));
}

QString cutListFolder(const SettingsStoreLocation &location)
{
    const QString folder = location.storeFolder();
    if (!folder.isEmpty())
        return folder;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : QDir(config).filePath(u"Snipora"_s);
}

QByteArray serializeCutList(const QList<CutEntry> &entries)
{
    QJsonArray array;
    for (const CutEntry &entry : entries)
        array.append(entryToJson(entry));
    const QJsonObject root{{u"document"_s, kDocumentName}, {u"version"_s, kVersion}, {u"entries"_s, array}};
    return QJsonDocument(root).toJson();
}

std::variant<QList<CutEntry>, CutListFileError> parseCutList(QByteArrayView bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return CutListFileError::Damaged;
    const QJsonObject root = document.object();
    if (root.value(u"document").toString() != kDocumentName)
        return CutListFileError::Foreign;
    const QJsonValue version = root.value(u"version");
    const QJsonValue entries = root.value(u"entries");
    if (!version.isDouble())
        return CutListFileError::Damaged;
    if (version.toDouble() != kVersion)
        return CutListFileError::Foreign;
    if (!entries.isArray())
        return CutListFileError::Damaged;
    QList<CutEntry> list;
    for (const QJsonValue &value : entries.toArray()) {
        std::optional<CutEntry> entry = entryFromJson(value);
        if (!entry)
            return CutListFileError::Damaged;
        list.append(std::move(*entry));
    }
    return list;
}

bool saveCutList(const QString &folder, const QList<CutEntry> &entries)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    const QByteArray bytes = serializeCutList(entries);
    QSaveFile file(QDir(folder).filePath(kCutListFileName));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

CutListLoad loadCutList(const QString &folder)
{
    const QString path = QDir(folder).filePath(kCutListFileName);
    QFile file(path);
    if (folder.isEmpty() || !file.exists())
        return {};
    std::variant<QList<CutEntry>, CutListFileError> parsed = CutListFileError::Damaged;
    if (file.open(QIODevice::ReadOnly))
        parsed = parseCutList(file.readAll());
    file.close();

    if (const CutListFileError *error = std::get_if<CutListFileError>(&parsed)) {
        const bool foreign = *error == CutListFileError::Foreign;
        const QString aside = setAside(path, foreign ? u"foreign"_s : u"damaged"_s);
        if (aside.isEmpty())
            return {{}, CutList::tr("The cut list file cannot be read or set aside. The list starts empty and is not kept."),
                    false};
        const QString message =
            foreign ? CutList::tr("The cut list file was written by another program or a newer Snipora. It was kept as %1, "
                         "and the list starts empty.")
                    : CutList::tr("The cut list file is damaged. It was kept as %1, and the list starts empty.");
        return {{}, message.arg(fileName(aside)), true};
    }

    QList<CutEntry> entries = std::get<QList<CutEntry>>(std::move(parsed));
    for (CutEntry &entry : entries) {
        if (entry.state != CutState::Running)
            continue;
        // The program ended while this entry ran: what it wrote is a broken file.
        if (isOwnOutput(entry) && QFileInfo(entry.outputPath).isFile())
            QFile::remove(entry.outputPath);
        entry.state = CutState::Waiting;
        entry.outputPath.clear();
    }
    return {entries, {}, true};
}

CutListModel::CutListModel(QString folder, QObject *parent) : QAbstractListModel(parent), m_folder(std::move(folder)) {}

CutListModel::~CutListModel() = default;

QString CutListModel::restore()
{
    if (m_folder.isEmpty() || !m_saveFolder.isEmpty())
        return {};
    QDir().mkpath(m_folder);
    auto lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(kCutListFileName + u".lock"_s));
    // Held for the program's life; a lock left by a program that died is
    // taken over all the same.
    lock->setStaleLockTime(0);
    if (!lock->tryLock()) {
        return lock->error() == QLockFile::LockFailedError
                   ? CutList::tr("The cut list is in use by another Snipora window. This window's list is not kept.")
                   : CutList::tr("The cut list cannot be kept in %1.").arg(QDir::toNativeSeparators(m_folder));
    }
    m_lock = std::move(lock);

    CutListLoad load = loadCutList(m_folder);
    beginResetModel();
    m_entries = std::move(load.entries);
    endResetModel();
    if (load.keepSaving) {
        m_saveFolder = m_folder;
        if (!m_entries.isEmpty())
            save();
    }
    return load.message;
}

int CutListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant CutListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CutEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cutEntryLine(entry, sourceMissing(index.row()));
    case Qt::ToolTipRole:
        return entry.state == CutState::Failed ? QDir::toNativeSeparators(entry.sourcePath) + u'\n' + entry.errorLines
                                               : QDir::toNativeSeparators(entry.sourcePath);
    case SourceNameRole:
        return cutSourceName(entry);
    case SpanRole:
        return cutSpanText(entry);
    case FormatRole:
        return entry.formatSummary;
    case FolderRole:
        return cutFolderText(entry.folder);
    case StateTextRole:
        return cutStateText(entry, sourceMissing(index.row()));
    case StateRole:
        return int(entry.state);
    default:
        return {};
    }
}

bool CutListModel::sourceMissing(int row) const
{
    return row >= 0 && row < m_entries.size() && !QFileInfo(m_entries.at(row).sourcePath).isFile();
}

int CutListModel::add(CutEntry entry)
{
    entry.selectStart = toMilliseconds(entry.selectStart);
    entry.selectEnd = toMilliseconds(entry.selectEnd);
    entry.state = CutState::Waiting;
    entry.outputPath.clear();
    entry.errorLines.clear();
    const int row = int(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(std::move(entry));
    endInsertRows();
    save();
    return row;
}

void CutListModel::remove(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool removed = false;
    for (int row : rows) {
        if (row < 0 || row >= m_entries.size() || m_entries.at(row).state == CutState::Running)
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_entries.removeAt(row);
        endRemoveRows();
        removed = true;
    }
    if (removed)
        save();
}

void CutListModel::clear()
{
    QList<int> rows(m_entries.size());
    std::iota(rows.begin(), rows.end(), 0);
    remove(rows);
}

bool CutListModel::move(int from, int to)
{
    const int count = int(m_entries.size());
    if (from == to || from < 0 || from >= count || to < 0 || to >= count)
        return false;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    m_entries.move(from, to);
    endMoveRows();
    save();
    return true;
}

void CutListModel::requeue(QList<int> rows)
{
    bool changed = false;
    for (int row : rows) {
        if (row < 0 || row >= m_entries.size())
            continue;
        CutEntry &entry = m_entries[row];
        if (entry.state == CutState::Waiting || entry.state == CutState::Running)
            continue;
        entry.state = CutState::Waiting;
        entry.outputPath.clear();
        entry.errorLines.clear();
        rowChanged(row);
        changed = true;
    }
    if (changed)
        save();
}

int CutListModel::nextRunnable() const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).state == CutState::Waiting && !sourceMissing(row))
            return row;
    }
    return -1;
}

int CutListModel::runnableCount() const
{
    int count = 0;
    for (int row = 0; row < m_entries.size(); ++row)
        count += m_entries.at(row).state == CutState::Waiting && !sourceMissing(row);
    return count;
}

int CutListModel::runningRow() const
{
    const auto running = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                      [](const CutEntry &entry) { return entry.state == CutState::Running; });
    return running == m_entries.cend() ? -1 : int(running - m_entries.cbegin());
}

bool CutListModel::markRunning(int row, const QString &outputPath)
{
    if (row < 0 || row >= m_entries.size() || m_entries.at(row).state != CutState::Waiting || runningRow() >= 0)
        return false;
    m_entries[row].state = CutState::Running;
    m_entries[row].outputPath = outputPath;
    rowChanged(row);
    save();
    return true;
}

bool CutListModel::markRunning(const QList<int> &rows, const QString &outputPath)
{
    if (rows.isEmpty() || runningRow() >= 0)
        return false;
    for (const int row : rows)
        if (row < 0 || row >= m_entries.size() || m_entries.at(row).state != CutState::Waiting)
            return false;
    for (const int row : rows) {
        m_entries[row].state = CutState::Running;
        m_entries[row].outputPath = outputPath;
        rowChanged(row);
    }
    save();
    return true;
}

bool CutListModel::finishAllRunning(CutState state, const QList<int> &concerned, const QString &errorLines)
{
    int position = 0;
    bool any = false;
    for (int row = 0; row < m_entries.size(); ++row) {
        CutEntry &entry = m_entries[row];
        if (entry.state != CutState::Running)
            continue;
        const bool hit = concerned.isEmpty() || concerned.contains(position);
        ++position;
        any = true;
        entry.state = state == CutState::Stopped || !hit ? CutState::Waiting : state;
        entry.errorLines = entry.state == CutState::Failed ? errorLines : QString();
        if (entry.state != CutState::Done)
            entry.outputPath.clear();
        rowChanged(row);
    }
    if (any)
        save();
    return any;
}

bool CutListModel::markDone()
{
    return finishRunning(CutState::Done, {});
}

bool CutListModel::markFailed(const QString &errorLines)
{
    return finishRunning(CutState::Failed, errorLines);
}

bool CutListModel::markStopped()
{
    return finishRunning(CutState::Stopped, {});
}

bool CutListModel::finishRunning(CutState state, const QString &errorLines)
{
    const int row = runningRow();
    if (row < 0)
        return false;
    CutEntry &entry = m_entries[row];
    entry.state = state;
    entry.errorLines = errorLines;
    // A failed or stopped run's file has been removed by the job.
    if (state != CutState::Done)
        entry.outputPath.clear();
    rowChanged(row);
    save();
    return true;
}

CutCounts CutListModel::counts() const
{
    CutCounts counts;
    counts.total = int(m_entries.size());
    for (int row = 0; row < m_entries.size(); ++row) {
        switch (m_entries.at(row).state) {
        case CutState::Done:
            ++counts.done;
            break;
        case CutState::Failed:
            ++counts.failed;
            break;
        case CutState::Stopped:
            ++counts.stopped;
            break;
        case CutState::Waiting:
            counts.skipped += sourceMissing(row);
            break;
        case CutState::Running:
            break;
        }
    }
    return counts;
}

void CutListModel::refreshSources()
{
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(int(m_entries.size()) - 1));
}

void CutListModel::rowChanged(int row)
{
    emit dataChanged(index(row), index(row));
}

void CutListModel::save()
{
    if (m_saveFolder.isEmpty())
        return;
    const bool saved = saveCutList(m_saveFolder, m_entries);
    if (!saved && !m_saveFailing)
        emit saveFailed(QDir(m_saveFolder).filePath(kCutListFileName));
    m_saveFailing = !saved;
}
