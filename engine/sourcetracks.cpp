#include "sourcetracks.h"

#include "encodercommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace SourceTracks {

namespace {

using EncoderCommand::OptionToken;

bool isMatroska(const QString &extension)
{
    return extension.compare(u"mkv"_s, Qt::CaseInsensitive) == 0
           || extension.compare(u"mka"_s, Qt::CaseInsensitive) == 0;
}

QString valueAfter(const QList<OptionToken> &tokens, qsizetype at)
{
    return at + 1 < tokens.size() ? tokens.at(at + 1).text : QString();
}

bool hasOption(const QList<OptionToken> &tokens, QStringView name)
{
    return std::any_of(tokens.begin(), tokens.end(), [&](const OptionToken &token) { return token.text == name; });
}

// The value of the last option that picks the sound's codec, as the encoder
// reads them: a later one overrides an earlier.
QString audioCodec(const QList<OptionToken> &tokens)
{
    QString codec;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &option = tokens.at(i).text;
        if (option == u"-c" || option == u"-codec" || option == u"-c:a" || option == u"-codec:a"
            || option == u"-acodec")
            codec = valueAfter(tokens, i);
    }
    return codec;
}

// Options that decide the sound's channels themselves: a count, a layout, or
// a filter, which may mix.
bool choosesChannels(const QList<OptionToken> &tokens)
{
    static const QStringList exact{u"-ac"_s, u"-ch_layout"_s, u"-channel_layout"_s, u"-af"_s, u"-filter"_s,
                                   u"-filter_complex"_s, u"-lavfi"_s, u"-filter_complex_script"_s};
    static const QStringList prefixes{u"-ac:"_s, u"-ch_layout:"_s, u"-channel_layout:"_s, u"-filter:a"_s};
    return std::any_of(tokens.begin(), tokens.end(), [](const OptionToken &token) {
        return exact.contains(token.text)
               || std::any_of(prefixes.begin(), prefixes.end(),
                              [&](const QString &prefix) { return token.text.startsWith(prefix); });
    });
}

bool encodesSound(const QList<OptionToken> &tokens)
{
    return !hasOption(tokens, u"-an") && audioCodec(tokens) != u"copy" && !choosesChannels(tokens);
}

bool copiesEveryTrack(const QList<OptionToken> &tokens, const QString &extension)
{
    if (!isMatroska(extension))
        return false;
    bool subtitles = false;
    bool copyAll = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &option = tokens.at(i).text;
        const QString value = valueAfter(tokens, i);
        if (option == u"-map" && (value == u"0" || value == u"0?" || value == u"0:s" || value == u"0:s?"))
            subtitles = true;
        if ((option == u"-c" || option == u"-codec") && value == u"copy")
            copyAll = true;
    }
    return subtitles && copyAll;
}

// The source streams that become the output's sound, in output order; empty
// when a map is beyond what is read here.
std::optional<QList<Stream>> outputSound(const QList<OptionToken> &tokens, const QList<Stream> &streams)
{
    QList<Stream> audio;
    std::copy_if(streams.begin(), streams.end(), std::back_inserter(audio),
                 [](const Stream &stream) { return stream.type == u"audio"; });
    QStringList maps;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens.at(i).text == u"-map")
            maps << valueAfter(tokens, i);
    }
    if (maps.isEmpty()) {
        // The encoder's own pick: the default track first, then the most channels.
        const auto score = [](const Stream &stream) { return stream.channels + (stream.isDefault ? 5000000 : 0); };
        const auto best = std::max_element(audio.begin(), audio.end(), [&](const Stream &a, const Stream &b) {
            return score(a) < score(b);
        });
        return best == audio.end() ? QList<Stream>{} : QList<Stream>{*best};
    }
    QList<Stream> picked;
    for (QString map : maps) {
        if (map.endsWith(u'?'))
            map.chop(1);
        const QStringList parts = map.split(u':');
        bool isNumber = false;
        const int number = parts.value(parts.size() - 1).toInt(&isNumber);
        if (parts.first() != u"0")
            return std::nullopt;
        if (parts.size() == 1 || (parts.size() == 2 && parts.at(1) == u"a")) {
            picked += audio;
        } else if (parts.size() == 2 && isNumber) {
            for (const Stream &stream : audio)
                if (stream.index == number)
                    picked << stream;
        } else if (parts.size() == 3 && parts.at(1) == u"a" && isNumber) {
            if (number >= 0 && number < audio.size())
                picked << audio.at(number);
        } else if (parts.size() < 2 || parts.at(1).size() != 1 || !u"vVsdt"_s.contains(parts.at(1))) {
            return std::nullopt;
        }
    }
    return picked;
}

// Matroska's own subtitle codecs, and text ones the encoder can turn into SubRip.
const QStringList kMatroskaSubtitles{u"subrip"_s, u"ass"_s, u"ssa"_s, u"webvtt"_s, u"text"_s, u"dvd_subtitle"_s,
                                     u"dvb_subtitle"_s, u"hdmv_pgs_subtitle"_s, u"hdmv_text_subtitle"_s};
const QStringList kTextSubtitles{u"mov_text"_s, u"microdvd"_s, u"mpl2"_s, u"jacosub"_s, u"pjs"_s, u"realtext"_s,
                                 u"sami"_s, u"stl"_s, u"subviewer"_s, u"subviewer1"_s, u"vplayer"_s, u"eia_608"_s};

QString describe(const Stream &stream)
{
    const QString codec = stream.codec.isEmpty() ? stream.tag : stream.codec;
    return QStringLiteral("%1 #0:%2 (%3)").arg(stream.type, QString::number(stream.index), codec);
}

QString metadataEscaped(const QString &text)
{
    QString escaped;
    for (const QChar ch : text) {
        if (ch == u'=' || ch == u';' || ch == u'#' || ch == u'\\' || ch == u'\n')
            escaped += u'\\';
        escaped += ch;
    }
    return escaped;
}

// The chapters that overlap start..start + length, retimed to the part, in
// the encoder's metadata file; empty when none does.
QString partChapters(const QList<Chapter> &chapters, double start, double length)
{
    QString text;
    const auto milliseconds = [](double seconds) { return QString::number(std::llround(seconds * 1000)); };
    for (const Chapter &chapter : chapters) {
        if (chapter.end <= start || chapter.start >= start + length)
            continue;
        text += u"[CHAPTER]\nTIMEBASE=1/1000\nSTART="_s + milliseconds(std::max(chapter.start - start, 0.0))
                + u"\nEND="_s + milliseconds(std::min(chapter.end - start, length)) + u'\n';
        for (const auto &[key, value] : chapter.tags)
            text += metadataEscaped(key) + u'=' + metadataEscaped(value) + u'\n';
    }
    return text.isEmpty() ? text : u";FFMETADATA1\n"_s + text;
}

// The prober leaves the layout out where there is none, or names just the
// count ("6 channels").
bool hasLayout(const QString &layout)
{
    static const QRegularExpression countOnly(u"^\\d+ channels$"_s);
    return !layout.isEmpty() && layout != u"unknown" && !countOnly.match(layout).hasMatch();
}

} // namespace

QString probeCommandLine(const QString &sProgramDir, const QString &sFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + u" -v quiet -of json -show_entries stream=index,codec_type,codec_name,codec_tag_string,channels,"
             u"channel_layout:stream_disposition=default:chapter=start_time,end_time:chapter_tags "_s
           + EncoderCommand::quoteArgument(sFile);
}

std::optional<Probe> parseProbe(QByteArrayView json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    Probe probe;
    for (const QJsonValue &value : document[u"streams"_s].toArray()) {
        const QJsonObject stream = value.toObject();
        probe.streams << Stream{stream[u"index"_s].toInt(),
                                stream[u"codec_type"_s].toString(),
                                stream[u"codec_name"_s].toString(),
                                stream[u"codec_tag_string"_s].toString(),
                                stream[u"channels"_s].toInt(),
                                hasLayout(stream[u"channel_layout"_s].toString()),
                                stream[u"disposition"_s][u"default"_s].toInt() != 0};
    }
    for (const QJsonValue &value : document[u"chapters"_s].toArray()) {
        const QJsonObject chapter = value.toObject();
        Chapter entry{chapter[u"start_time"_s].toString().toDouble(), chapter[u"end_time"_s].toString().toDouble(), {}};
        const QJsonObject tags = chapter[u"tags"_s].toObject();
        for (auto tag = tags.begin(); tag != tags.end(); ++tag)
            entry.tags.append({tag.key(), tag.value().toString()});
        probe.chapters << entry;
    }
    return probe;
}

bool mayNeedFit(QStringView sParameters, const QString &extension)
{
    const QList<OptionToken> tokens = EncoderCommand::optionTokens(sParameters);
    return encodesSound(tokens) || copiesEveryTrack(tokens, extension);
}

Fit fitToSource(const QString &sParameters, const QString &extension, const Probe &probe, double start,
                double length, const QString &chapterFile)
{
    const QList<OptionToken> tokens = EncoderCommand::optionTokens(sParameters);
    Fit fit{sParameters, {}, {}};
    if (encodesSound(tokens)) {
        const QList<Stream> sound = outputSound(tokens, probe.streams).value_or(QList<Stream>{});
        for (qsizetype k = 0; k < sound.size(); ++k) {
            const Stream &stream = sound.at(k);
            const QString filter =
                stream.layoutKnown ? QString() : EncoderCommand::unknownLayoutFilter(stream.channels);
            if (!filter.isEmpty())
                fit.parameters += u" -filter:a:%1 "_s.arg(k) + filter;
        }
    }
    if (!copiesEveryTrack(tokens, extension))
        return fit;

    QStringList converted;
    QStringList leftOut;
    int subtitle = 0;
    for (const Stream &stream : probe.streams) {
        if (stream.type == u"subtitle") {
            if (kTextSubtitles.contains(stream.codec)) {
                fit.parameters += u" -c:s:%1 srt"_s.arg(subtitle);
                converted << describe(stream);
            } else if (!kMatroskaSubtitles.contains(stream.codec)) {
                fit.parameters += u" -map -0:%1"_s.arg(stream.index);
                leftOut << describe(stream);
                continue;
            }
            ++subtitle;
        } else if (stream.type == u"data") {
            // MP4 keeps its chapter titles in a text track; they come across as chapters.
            if (stream.tag == u"text" && !probe.chapters.isEmpty())
                continue;
            fit.parameters += u" -map -0:%1"_s.arg(stream.index);
            leftOut << describe(stream);
        }
    }
    if (!converted.isEmpty() || !leftOut.isEmpty()) {
        QStringList parts;
        if (!converted.isEmpty())
            parts << converted.join(u", "_s) + u" as SubRip"_s;
        if (!leftOut.isEmpty())
            parts << leftOut.join(u", "_s) + u" left out"_s;
        fit.status = u"Tracks Matroska cannot hold: "_s + parts.join(u"; "_s);
    }

    if (!probe.chapters.isEmpty()) {
        fit.chapters = partChapters(probe.chapters, start, length);
        // A second input before the options, which then belong to the output.
        if (fit.chapters.isEmpty())
            fit.parameters += u" -map_chapters -1"_s;
        else
            fit.parameters = u"-i "_s + EncoderCommand::quoteArgument(chapterFile) + u' ' + fit.parameters
                             + u" -map_chapters 1"_s;
    }
    return fit;
}

} // namespace SourceTracks
