#include "platform/SoundPlayer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/Error.h"
#include "tests/platform/AlsaTestHome.h"
#include "tests/support/TempDir.h"

namespace {

// A sawtooth that is easy to tell apart from silence or from a shifted or
// channel-swapped copy of itself.
std::vector<short> TestSamples(int channels, int frames) {
    std::vector<short> samples;
    samples.reserve(size_t(channels) * size_t(frames));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples.push_back(short((f * 37 + c * 1000) % 20000));
    return samples;
}

void WriteWav(const QString& path, int channels, int rate, const std::vector<short>& samples) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(sf_writef_short(file, samples.data(), sf_count_t(samples.size()) / channels),
              sf_count_t(samples.size()) / channels);
    sf_close(file);
}

QByteArray Bytes(const std::vector<short>& samples) {
    return QByteArray(reinterpret_cast<const char*>(samples.data()),
                      qsizetype(samples.size() * sizeof(short)));
}

QString Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const EQuillet& e) {
        return e.message();
    }
    return {};
}

class SoundPlayerTest : public ::testing::Test {
  protected:
    QString Wav(const QString& name, int channels, int rate, int frames) {
        const QString path = dir_.file(name);
        WriteWav(path, channels, rate, TestSamples(channels, frames));
        return path;
    }

    TempDir dir_;
    SoundPlayer player_;
};

// ---- Open

TEST_F(SoundPlayerTest, OpenRejectsWhatIsNoSound) {
    const QString missing = dir_.file("missing.wav");
    const QString text = dir_.file("notes.wav");
    const QString empty = dir_.file("empty.wav");
    WriteFile(text, "Купить хлеба\r\nПозвонить маме\r\n");
    WriteFile(empty, {});

    for (const QString& path : {missing, text, empty}) {
        const QString message = Message([&] { player_.Open(path); });
        EXPECT_TRUE(message.startsWith("Не удалось открыть звуковой файл " + path + ": "))
            << path.toStdString() << ": " << message.toStdString();
        EXPECT_GT(message.size(), ("Не удалось открыть звуковой файл " + path + ": ").size());
        EXPECT_FALSE(player_.IsOpen());
    }
}

TEST_F(SoundPlayerTest, OpenDecodesTheWholeFile) {
    // Longer than one read chunk and not a multiple of it.
    player_.Open(Wav("stereo.wav", 2, 22050, 100000));
    EXPECT_TRUE(player_.IsOpen());
    EXPECT_EQ(player_.Channels(), 2);
    EXPECT_EQ(player_.SampleRate(), 22050);
    EXPECT_EQ(player_.Frames(), 100000);

    // Another file takes the place of the first.
    player_.Open(Wav("mono.wav", 1, 44100, 300));
    EXPECT_EQ(player_.Channels(), 1);
    EXPECT_EQ(player_.SampleRate(), 44100);
    EXPECT_EQ(player_.Frames(), 300);
}

TEST_F(SoundPlayerTest, FailedOpenLeavesThePlayerClosed) {
    player_.Open(Wav("good.wav", 1, 22050, 1000));
    EXPECT_THROW(player_.Open(dir_.file("missing.wav")), EQuillet);
    EXPECT_FALSE(player_.IsOpen());
    EXPECT_EQ(player_.Frames(), 0);
    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Null);
    EXPECT_THROW(player_.Play(), EQuillet);
}

// ---- Play

TEST_F(SoundPlayerTest, PlayWithNothingOpenThrows) {
    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Null);
    EXPECT_TRUE(Message([&] { player_.Play(); }).startsWith("Не удалось воспроизвести звук: "));
    player_.Open(Wav("good.wav", 1, 22050, 1000));
    player_.Close();
    player_.Close();
    EXPECT_FALSE(player_.IsOpen());
    EXPECT_THROW(player_.Play(), EQuillet);
}

TEST_F(SoundPlayerTest, PlayReturnsWhenTheSoundHasGone) {
    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Null);
    player_.Open(Wav("good.wav", 2, 44100, 44100));
    EXPECT_NO_THROW(player_.Play());
    // The samples stay for the next alarm.
    EXPECT_TRUE(player_.IsOpen());
    EXPECT_NO_THROW(player_.Play());
}

TEST_F(SoundPlayerTest, DeviceReceivesEverySample) {
    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Capture);
    struct Case {
        int channels, rate, frames;
    };
    // Mono and stereo, both rates, several write chunks with a short last one.
    for (const Case c : {Case{1, 44100, 44100}, Case{2, 22050, 10001}, Case{2, 44100, 7}}) {
        SCOPED_TRACE(testing::Message() << c.channels << " ch, " << c.rate << " Hz");
        QFile::remove(home.CapturePath());
        player_.Open(Wav("sound.wav", c.channels, c.rate, c.frames));
        player_.Play();
        const QByteArray played = ReadFile(home.CapturePath());
        const QByteArray expected = Bytes(TestSamples(c.channels, c.frames));
        EXPECT_EQ(played.size(), expected.size());
        EXPECT_TRUE(played == expected);
    }
}

TEST_F(SoundPlayerTest, MissingDeviceFailsAtOnce) {
    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Missing);
    player_.Open(Wav("good.wav", 1, 44100, 44100));
    QElapsedTimer timer;
    timer.start();
    const QString message = Message([&] { player_.Play(); });
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(message.startsWith("Не удалось открыть звуковое устройство ("))
        << message.toStdString();
    EXPECT_TRUE(message.contains("звуковая карта")) << "says what to check";
    // The sound is still there to try again.
    EXPECT_TRUE(player_.IsOpen());

    // And the device comes back once the configuration names one.
    home.Use(AlsaTestHome::Device::Null);
    EXPECT_NO_THROW(player_.Play());
}

// ---- The chime the program ships

TEST_F(SoundPlayerTest, ShippedChimeIsAShortSound) {
    const QString path = QStringLiteral(QUILLET_SOURCE_DIR "/assets/notify.wav");
    EXPECT_LT(QFileInfo(path).size(), 200 * 1024);

    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_close(file);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);

    player_.Open(path);
    EXPECT_TRUE(player_.Channels() == 1 || player_.Channels() == 2);
    EXPECT_TRUE(player_.SampleRate() == 44100 || player_.SampleRate() == 22050);
    const double seconds = double(player_.Frames()) / player_.SampleRate();
    EXPECT_GE(seconds, 0.8);
    EXPECT_LE(seconds, 1.2);

    AlsaTestHome home(dir_.file("home"), AlsaTestHome::Device::Capture);
    player_.Play();
    const QByteArray played = ReadFile(home.CapturePath());
    EXPECT_EQ(played.size(), player_.Frames() * player_.Channels() * qsizetype(sizeof(short)));
    // Not silence.
    short peak = 0;
    for (qsizetype i = 0; i + 1 < played.size(); i += 2) {
        const short s = short(uchar(played[i]) | (uchar(played[i + 1]) << 8));
        peak = std::max<short>(peak, short(std::abs(s)));
    }
    EXPECT_GT(peak, 8000);
}

}  // namespace
