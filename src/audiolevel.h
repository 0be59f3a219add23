#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Microphone loudness on one scale, 0..100, whatever the sample format: every sample is
// mapped to -1..1 of full scale, and the level is the RMS times 300, truncated and clamped,
// so 100 is reached at an RMS of a third of full scale and 26 means about -21 dBFS.
namespace AudioLevel {

constexpr int Maximum = 100;

// RMS of the whole samples in `data` (a trailing partial sample is ignored), 0..1 of full
// scale; 0 when there is no whole sample or the format is unknown. Samples are in native byte
// order, as QAudioSource delivers them. Floating-point samples beyond full scale count as full
// scale and those that are not numbers as silence.
double rms(QByteArrayView data, QAudioFormat::SampleFormat format);

// The level of an RMS: trunc(rms * 300) clamped to 0..100.
int fromRms(double rms);

// The level of the whole samples in `data`.
inline int of(QByteArrayView data, QAudioFormat::SampleFormat format)
{
    return fromRms(rms(data, format));
}

} // namespace AudioLevel

// Counts consecutive loud level polls and says when sound has lasted long enough to report:
// exactly once per unbroken stretch of `PollsToReport` or more polls at `LoudLevel` or above.
class LoudPollCounter
{
public:
    static constexpr int LoudLevel = 26;
    static constexpr int PollsToReport = 6;

    // Takes one poll's level; true when this poll completes a stretch to report.
    bool add(int level)
    {
        if (level < LoudLevel) {
            polls = 0;
            return false;
        }
        if (polls < PollsToReport)
            ++polls;
        else
            return false;
        return polls == PollsToReport;
    }
    void reset() { polls = 0; }
    // Consecutive loud polls so far, counted up to PollsToReport.
    int count() const { return polls; }

private:
    int polls = 0;
};

// Turns what each level poll read from the microphone into measurements. A poll that read about
// half a second of audio, as a steadily delivering device gives it, is one measurement. But a
// source may hand over its data in bursts: PulseAudio's sine source and other fixed-latency
// sources deliver two seconds at a time, so a poll reads either nothing or two seconds. Such a
// read is cut into half-second pieces, one measurement each, so that six loud measurements
// always mean about three seconds of sound, and a burst counts as the sound it holds.
// A read that ends inside a frame leaves that partial frame for the next one.
class LevelPolls
{
public:
    struct Poll
    {
        int level = 0;
        bool sustained = false; // this poll completed six loud polls in a row
    };

    LevelPolls() = default;
    explicit LevelPolls(const QAudioFormat &format) { setFormat(format); }

    // Sets the format of the audio to come and forgets everything so far.
    void setFormat(const QAudioFormat &format);
    // Forgets a partial frame and the loud-poll count.
    void reset();

    // Takes the bytes one poll read. Returns nothing when they complete no frame; else one
    // measurement per half second they hold (rounded, at least one), each over an equal share
    // of the frames, in order.
    QList<Poll> add(QByteArrayView captured);

    int loudPolls() const { return counter.count(); }

private:
    QAudioFormat::SampleFormat sampleFormat = QAudioFormat::Unknown;
    qsizetype frameBytes = 0;
    qsizetype pollFrames = 0; // frames in half a second; 0 for a format that is never measured
    QByteArray partialFrame;
    LoudPollCounter counter;
};
