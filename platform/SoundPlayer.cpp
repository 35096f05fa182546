#include "platform/SoundPlayer.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <QFile>
#include <algorithm>
#include <memory>

#include "core/Error.h"

namespace {

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmPtr = std::unique_ptr<snd_pcm_t, PcmCloser>;

constexpr sf_count_t ReadChunkFrames = 65536;
constexpr snd_pcm_uframes_t WriteChunkFrames = 4096;
constexpr unsigned LatencyUs = 100000;

// Recoveries in a row after which the device is taken to be broken.
constexpr int MaxRecoveries = 10;

EQuillet OpenError(const QString& path, const QString& reason) {
    return EQuillet(QStringLiteral("Не удалось открыть звуковой файл %1: %2").arg(path, reason));
}

QString SndFileError(SNDFILE* file) {
    return QString::fromLocal8Bit(sf_strerror(file));
}

EQuillet PlayError(int alsaError) {
    return EQuillet(QStringLiteral("Не удалось воспроизвести звук: %1")
                        .arg(QString::fromLocal8Bit(snd_strerror(alsaError))));
}

}  // namespace

SoundPlayer::~SoundPlayer() {
    Close();
}

void SoundPlayer::Open(const QString& path) {
    Close();
    SF_INFO info{};
    SndFilePtr file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file) throw OpenError(path, SndFileError(nullptr));
    if (info.channels <= 0 || info.samplerate <= 0)
        throw OpenError(path, QStringLiteral("неверные параметры звука"));
    // Float files louder than full scale are clipped rather than wrapped.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    // The frame count in the header may be missing or wrong: read to the end.
    std::vector<short> samples;
    for (;;) {
        const size_t used = samples.size();
        samples.resize(used + size_t(ReadChunkFrames) * size_t(info.channels));
        const sf_count_t got = sf_readf_short(file.get(), samples.data() + used, ReadChunkFrames);
        samples.resize(used + size_t(got > 0 ? got : 0) * size_t(info.channels));
        if (got < ReadChunkFrames) break;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) throw OpenError(path, SndFileError(file.get()));

    samples.shrink_to_fit();
    samples_ = std::move(samples);
    channels_ = info.channels;
    rate_ = info.samplerate;
}

void SoundPlayer::Play() {
    if (!IsOpen())
        throw EQuillet(QStringLiteral("Не удалось воспроизвести звук: звуковой файл не открыт"));
    if (samples_.empty()) return;

    // Blocking mode: writei and drain wait for the device. A busy card does
    // not make the open wait: ALSA's hw plugin opens the card non-blocking
    // (defaults.pcm.nonblock), and a missing one fails at once.
    snd_pcm_t* raw = nullptr;
    int err = snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0)
        throw EQuillet(QStringLiteral("Не удалось открыть звуковое устройство (%1). "
                                      "Проверьте, что звуковая карта подключена и включена.")
                           .arg(QString::fromLocal8Bit(snd_strerror(err))));
    PcmPtr pcm(raw);

    err = snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                             unsigned(channels_), unsigned(rate_), 1, LatencyUs);
    if (err < 0) throw PlayError(err);

    const snd_pcm_uframes_t total = snd_pcm_uframes_t(Frames());
    snd_pcm_uframes_t done = 0;
    int recoveries = 0;
    while (done < total) {
        const snd_pcm_uframes_t chunk = std::min(WriteChunkFrames, total - done);
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm.get(), samples_.data() + done * size_t(channels_), chunk);
        if (written < 0) {
            // An underrun or a suspend: set the device going again and
            // write the same chunk once more. Anything else is fatal.
            err = snd_pcm_recover(pcm.get(), int(written), 1);
            if (err < 0) throw PlayError(err);
            if (++recoveries > MaxRecoveries) throw PlayError(int(written));
            continue;
        }
        recoveries = 0;
        done += snd_pcm_uframes_t(written);
    }
    err = snd_pcm_drain(pcm.get());
    if (err < 0) throw PlayError(err);
}

void SoundPlayer::Close() {
    samples_.clear();
    samples_.shrink_to_fit();
    channels_ = 0;
    rate_ = 0;
}
