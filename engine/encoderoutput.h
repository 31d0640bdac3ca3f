#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Reading the encoder's console output. Plain functions over text, so they can
// be tested without a process. All marker searches ignore letter case.
namespace EncoderOutput {

// True when the output shows that encoding got going. Older encoders print
// "press [q] to stop encoding", current ones "Press [q] to stop, [?] for help";
// both begin with the text searched for here.
bool hasEncodingStarted(QStringView output);

// True when the encoder says it cannot read its input: the old "Unknown format"
// or the current "Invalid data found when processing input".
bool hasUnknownFormat(QStringView text);

// True when the encoder says that writing its output failed at the end: the
// file's closing part (its index, for MP4) could not be written, or the file
// could not be closed, as on a full disk. The encoder still exits with code 0
// then, and the file it leaves is broken.
bool hasOutputWriteFailed(QStringView output);

// True when the run wrote no frames although it should have: the encoder says
// "Output file is empty, nothing was encoded", or the output declares a video
// stream and the closing statistics give "video:0kB" with no frame written.
// That is a part that lies beyond the real end of the source (a truncated
// download, or a container that claims more than it holds); the file left
// behind is an empty shell.
bool hasEmptyOutput(QStringView output);

// Whether a run's whole output and exit code show it completed: it got going,
// exited with 0, and neither failed to write nor wrote nothing.
bool ranThrough(QStringView output, std::optional<int> exitCode);

// The length of the first input from its "Duration: hh:mm:ss.xx" line;
// empty for "N/A", a missing line or a length that is not positive.
std::optional<double> parseDuration(QStringView output);

// The value after the first "time=" of a chunk, up to the next space.
struct TimeField
{
    bool present = false;  // the chunk holds "time="
    bool complete = false; // a space follows, so the value could be cut out
    QString text;          // the value; empty unless complete
};
TimeField findTimeField(QStringView chunk);

// Elapsed seconds from a time value: plain seconds ("10.00", the old form) or
// hours:minutes:seconds ("00:01:05.50", the current form), optionally signed.
// Empty for "N/A" and anything else that is not a time.
std::optional<double> parseElapsedSeconds(QStringView timeText);

// The percentage for Progress: the elapsed time rounded to whole seconds, as a
// share of lengthSeconds, rounded again; halves go to the even neighbour both
// times. Not limited to 0..100. Empty when the length is not positive, when
// the elapsed time is negative (a stream copy that seeks before the input
// starts at the keyframe before the cut and reports that lead-in as negative
// time), or when the result does not fit the 16 bits that Progress carries.
std::optional<int> progressPercent(double elapsedSeconds, double lengthSeconds);

// The time value as plain seconds for the "... Seconds Converted" status: a
// clock value becomes seconds with the same number of decimals; anything else
// ("10.00", "N/A") stays as written.
QString secondsText(QStringView timeText);

// The part of an output that holds the error, without the banner and the
// stream descriptions: after the "Stream mapping:" line and two more lines,
// else after the "Input #" line and three more, else after the "built on" (or
// "built with") line. The result begins with the line feed of the last line
// break dropped. Line breaks are CR LF or a bare LF. Empty for an empty or
// blank output and for one without any of the markers.
QString errorDetails(QStringView output);

// Error details as a message box can show them: when they run longer than
// maxLines lines, the first and the last lines with one line between them
// that says how many were left out, maxLines lines in all; a line longer than
// maxLineLength characters is cut, marked with "...". Shorter details come
// back unchanged.
QString shortenForMessage(QStringView details, int maxLines = 40, int maxLineLength = 300);

} // namespace EncoderOutput
