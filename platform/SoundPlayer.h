// Plays a sound file to its end through the system's default sound output:
// Open() decodes the whole file into memory, Play() sends it to the device
// and returns only when the last sample has been heard, Close() lets the
// samples go. All on the calling thread; the alarm wants the call to block.
#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

class SoundPlayer {
  public:
    SoundPlayer() = default;
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Decodes the file at `path` (any format libsndfile reads) in place of
    // the sound open before. Throws EQuillet when the file is missing,
    // unreadable or not a sound; the player is then closed.
    void Open(const QString& path);
    bool IsOpen() const { return channels_ > 0; }
    // Plays the open sound on the "default" device, waiting for its end.
    // Throws EQuillet when no sound is open or the device fails.
    void Play();
    // Frees the samples; closing a closed player does nothing.
    void Close();

    // What Open() decoded; zero when closed.
    int Channels() const { return channels_; }
    int SampleRate() const { return rate_; }
    qint64 Frames() const { return channels_ > 0 ? qint64(samples_.size()) / channels_ : 0; }

  private:
    std::vector<short> samples_;  // interleaved, 16-bit
    int channels_ = 0;
    int rate_ = 0;
};
