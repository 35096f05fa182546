// The chime of both reminder windows, and the event notice window.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "remind/BirthNotify.h"
#include "tests/platform/AlsaTestHome.h"
#include "tests/remind/ReminderTestSupport.h"

namespace {

// ---- The event notice window

using BirthNotifyTest = ReminderTest;

TEST_F(BirthNotifyTest, Layout) {
    TfrmBirthNotify f;
    EXPECT_EQ(f.windowTitle(), "Напоминание (событие)");
    EXPECT_EQ(f.size(), QSize(341, 277));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.Image1->geometry(), QRect(8, 8, 48, 48));
    ASSERT_FALSE(f.Image1->pixmap().isNull());
    EXPECT_EQ(f.Image1->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(f.Memo->geometry(), QRect(8, 64, 321, 161));
    EXPECT_TRUE(f.Memo->isReadOnly());
    EXPECT_EQ(f.Memo->palette().color(QPalette::Base), f.palette().color(QPalette::Window));
    EXPECT_EQ(f.btnOk->geometry(), QRect(256, 245, 75, 25));
    EXPECT_EQ(f.btnOk->text(), "Ok");
}

TEST_F(BirthNotifyTest, OkClosesTheNotice) {
    TfrmBirthNotify f;
    f.Memo->setPlainText(QStringLiteral("День рождения: Анна Петрова, 30 лет"));
    QWidget* focus = nullptr;
    EXPECT_EQ(RunModal(&f,
                       [&] {
                           focus = QApplication::focusWidget();
                           QTest::mouseClick(f.btnOk, Qt::LeftButton);
                       }),
              QDialog::Accepted);
    EXPECT_EQ(focus, f.btnOk);
    // Shown again: Enter on the focused "Ok" closes it too.
    EXPECT_EQ(RunModal(&f, [] { Type(Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(f.Memo->toPlainText(), "День рождения: Анна Петрова, 30 лет");
}

// ---- The chime

using AlarmTest = ReminderTest;

// Both windows play the same way; `Window` is either.
template <typename Window>
struct Alarm {
    static SoundPlayer& Player(Window& w);
};
template <>
SoundPlayer& Alarm<TfrmNotify>::Player(TfrmNotify& w) {
    return w.MPA;
}
template <>
SoundPlayer& Alarm<TfrmBirthNotify>::Player(TfrmBirthNotify& w) {
    return w.MP;
}

template <typename Window>
void ExpectPlaysOnTheNullDevice(const QString& home) {
    AlsaTestHome alsa(home, AlsaTestHome::Device::Null);
    Window w;
    EXPECT_TRUE(Alarm<Window>::Player(w).IsOpen());
    QString error = QStringLiteral("left over");
    EXPECT_TRUE(w.PlayAlarm(&error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    // The sound is let go once played.
    EXPECT_FALSE(Alarm<Window>::Player(w).IsOpen());
    EXPECT_TRUE(w.PlayAlarm(nullptr));
}

TEST_F(AlarmTest, PlaysOnTheNullDevice) {
    InstallChime();
    ExpectPlaysOnTheNullDevice<TfrmNotify>(dir_.file("home"));
    ExpectPlaysOnTheNullDevice<TfrmBirthNotify>(dir_.file("home"));
}

template <typename Window>
void ExpectEverySampleHeard(const QString& home) {
    AlsaTestHome alsa(home, AlsaTestHome::Device::Capture);
    QFile::remove(alsa.CapturePath());
    Window w;
    const SoundPlayer& player = Alarm<Window>::Player(w);
    const qint64 bytes = player.Frames() * player.Channels() * qint64(sizeof(short));
    EXPECT_GT(bytes, 0);
    QString error;
    EXPECT_TRUE(w.PlayAlarm(&error)) << error.toStdString();
    const QByteArray played = ReadFile(alsa.CapturePath());
    EXPECT_EQ(played.size(), bytes);
    EXPECT_NE(played.count('\0'), played.size());  // not silence
}

TEST_F(AlarmTest, TheChimeReachesTheDevice) {
    InstallChime();
    ExpectEverySampleHeard<TfrmNotify>(dir_.file("home"));
    ExpectEverySampleHeard<TfrmBirthNotify>(dir_.file("home"));
}

template <typename Window>
void ExpectMissingChimeReported(const QString& home, const QString& chime) {
    AlsaTestHome alsa(home, AlsaTestHome::Device::Null);
    std::unique_ptr<Window> w;
    ASSERT_NO_THROW(w = std::make_unique<Window>());
    QString error;
    EXPECT_FALSE(w->PlayAlarm(&error));
    EXPECT_TRUE(error.startsWith("Не удалось открыть звуковой файл " + chime))
        << error.toStdString();
    // The reminder is still shown and answered.
    EXPECT_EQ(RunModal(w.get(), [&] { QTest::mouseClick(w->btnOk, Qt::LeftButton); }),
              int(QDialog::Accepted));
}

TEST_F(AlarmTest, MissingChimeIsReportedNotThrown) {
    ExpectMissingChimeReported<TfrmNotify>(dir_.file("home"), dir_.file("notify.wav"));
    ExpectMissingChimeReported<TfrmBirthNotify>(dir_.file("home"), dir_.file("notify.wav"));
}

TEST_F(AlarmTest, BrokenChimeIsReportedNotThrown) {
    WriteFile(dir_.file("notify.wav"), "RIFF, but no sound at all");
    ExpectMissingChimeReported<TfrmNotify>(dir_.file("home"), dir_.file("notify.wav"));
}

TEST_F(AlarmTest, ChimePutBackLaterIsPlayed) {
    AlsaTestHome alsa(dir_.file("home"), AlsaTestHome::Device::Null);
    TfrmNotify w;
    InstallChime();
    QString error;
    EXPECT_TRUE(w.PlayAlarm(&error)) << error.toStdString();
}

TEST_F(AlarmTest, FailingDeviceIsReported) {
    InstallChime();
    AlsaTestHome alsa(dir_.file("home"), AlsaTestHome::Device::Missing);
    TfrmNotify task;
    TfrmBirthNotify event;
    QString error;
    EXPECT_FALSE(task.PlayAlarm(&error));
    EXPECT_TRUE(error.startsWith("Не удалось открыть звуковое устройство")) << error.toStdString();
    EXPECT_FALSE(task.MPA.IsOpen());
    error.clear();
    EXPECT_FALSE(event.PlayAlarm(&error));
    EXPECT_TRUE(error.startsWith("Не удалось открыть звуковое устройство")) << error.toStdString();
}

}  // namespace
