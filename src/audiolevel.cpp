#include "audiolevel.h"

#include <QtEndian>

#include <cmath>

namespace {

// Sum of the squares of `count` samples of type T at `data`, each mapped to -1..1 by `toUnit`.
template<typename T, typename ToUnit>
double sumOfSquares(const char *data, qsizetype count, ToUnit toUnit)
{
    double sum = 0.0;
    for (qsizetype i = 0; i < count; ++i) {
        const double x = toUnit(qFromUnaligned<T>(data + i * qsizetype(sizeof(T))));
        sum += x * x;
    }
    return sum;
}

} // namespace

namespace AudioLevel {

double rms(QByteArrayView data, QAudioFormat::SampleFormat format)
{
    const char *bytes = data.data();
    double sum = 0.0;
    qsizetype count = 0;
    switch (format) {
    case QAudioFormat::UInt8:
        count = data.size();
        sum = sumOfSquares<quint8>(bytes, count, [](quint8 s) { return (int(s) - 128) / 128.0; });
        break;
    case QAudioFormat::Int16:
        count = data.size() / 2;
        sum = sumOfSquares<qint16>(bytes, count, [](qint16 s) { return s / 32768.0; });
        break;
    case QAudioFormat::Int32:
        count = data.size() / 4;
        sum = sumOfSquares<qint32>(bytes, count, [](qint32 s) { return s / 2147483648.0; });
        break;
    case QAudioFormat::Float:
        count = data.size() / 4;
        sum = sumOfSquares<float>(bytes, count, [](float s) {
            if (std::isnan(s))
                return 0.0;
            return double(qBound(-1.0f, s, 1.0f));
        });
        break;
    case QAudioFormat::Unknown:
    case QAudioFormat::NSampleFormats:
        break;
    }
    if (count == 0)
        return 0.0;
    return std::sqrt(sum / double(count));
}

int fromRms(double rms)
{
    const double raw = rms * 300.0;
    if (!(raw > 0.0)) // also catches NaN
        return 0;
    if (raw >= Maximum)
        return Maximum;
    return int(raw);
}

} // namespace AudioLevel

void LevelPolls::setFormat(const QAudioFormat &format)
{
    sampleFormat = format.sampleFormat();
    frameBytes = format.bytesPerFrame();
    pollFrames = format.sampleRate() / 2;
    if (sampleFormat == QAudioFormat::Unknown || frameBytes <= 0 || pollFrames <= 0) {
        frameBytes = 0;
        pollFrames = 0;
    }
    reset();
}

void LevelPolls::reset()
{
    partialFrame.clear();
    counter.reset();
}

QList<LevelPolls::Poll> LevelPolls::add(QByteArrayView captured)
{
    QList<Poll> polls;
    if (pollFrames == 0 || captured.isEmpty())
        return polls;

    // Complete the frame the last read ended in; only whole frames are measured.
    QByteArray joined;
    if (!partialFrame.isEmpty()) {
        joined = partialFrame + captured.toByteArray();
        partialFrame.clear();
        captured = joined;
    }
    const qsizetype frames = captured.size() / frameBytes;
    partialFrame = captured.sliced(frames * frameBytes).toByteArray();
    if (frames == 0)
        return polls;

    const qsizetype pieces = qMax<qsizetype>(1, (frames + pollFrames / 2) / pollFrames);
    qsizetype from = 0;
    for (qsizetype i = 1; i <= pieces; ++i) {
        const qsizetype to = frames * i / pieces;
        const int level = AudioLevel::of(
            captured.sliced(from * frameBytes, (to - from) * frameBytes), sampleFormat);
        polls.append({level, counter.add(level)});
        from = to;
    }
    return polls;
}
