// Encoder output through the job's chunked path: the bytes arrive in reads of
// fuzzed sizes (at most 512, as the runner reads), are decoded as the runner
// decodes them and handed one chunk at a time to CVideoConv; then the whole
// output is judged and its error lines prepared for the message box.

#include "cvideoconv.h"
#include "encoderoutput.h"
#include "fuzzcheck.h"

#include <QStringDecoder>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // Lengths of the cut: none, a few seconds, or anything a float holds.
    const float length = input.PickValueInArray<float>(
        {0.0f, -1.0f, 0.5f, 1.0f, 40.0f, 3600.0f, std::numeric_limits<float>::max(), input.ConsumeFloatingPoint<float>()});
    const uint8_t readSizeSeed = input.ConsumeIntegral<uint8_t>();
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    CVideoConv job(nullptr, QStringLiteral("/nonexistent"));
    job.setFileTimeLength(length);
    QList<int> progress;
    QStringList statuses;
    QObject::connect(&job, &CVideoConv::Progress, &job, [&](int p) { progress << p; });
    QObject::connect(&job, &CVideoConv::CurrentStatus, &job, [&](const QString &s) { statuses << s; });

    QStringDecoder decoder(QStringDecoder::System);
    QString output;
    qsizetype at = 0;
    uint32_t state = readSizeSeed;
    while (at < qsizetype(bytes.size())) {
        state = state * 1103515245u + 12345u;
        const qsizetype read = qMin<qsizetype>(1 + (state >> 16) % 512, qsizetype(bytes.size()) - at);
        const QString chunk = decoder.decode(QByteArrayView(bytes.data() + at, read));
        at += read;
        output += chunk;
        const qsizetype progressBefore = progress.size();
        const qsizetype statusesBefore = statuses.size();
        job.objDOS_ReceiveOutputs(chunk);
        const qsizetype newProgress = progress.size() - progressBefore;
        const qsizetype newStatuses = statuses.size() - statusesBefore;
        // One chunk gives at most one event, or the unknown-format pair.
        FUZZ_CHECK(newProgress + newStatuses <= 2);
        if (newProgress + newStatuses == 2)
            FUZZ_CHECK(statuses.last() == u"Unknown format" && progress.last() == -1);
        if (newStatuses == 1 && statuses.last() != u"Unknown format" && statuses.last() != u"Cancelled")
            FUZZ_CHECK(!(length > 0.0f) && statuses.last().endsWith(QStringLiteral(" Seconds Converted")));
        if (newProgress == 1 && progress.last() != -1)
            FUZZ_CHECK(length > 0.0f);
    }
    // The end of the run: the runner's last, empty read.
    job.objDOS_ReceiveOutputs(QString());
    for (const int p : std::as_const(progress))
        FUZZ_CHECK(p >= std::numeric_limits<qint16>::min() && p <= std::numeric_limits<qint16>::max());

    // The verdict and the message the job would show.
    (void)EncoderOutput::hasEncodingStarted(output);
    const QString details = CVideoConv::GetErrorDetails(output);
    FUZZ_CHECK(output.endsWith(details));
    const QString shown = EncoderOutput::shortenForMessage(details);
    FUZZ_CHECK(shown.count(QLatin1Char('\n')) < 40);
    FUZZ_CHECK(shown.size() <= 40 * (300 + 3) + 39);
    if (details.count(QLatin1Char('\n')) < 40 && details.size() <= 300)
        FUZZ_CHECK(shown == details);
    return 0;
}
