// Points the ALSA library of a test process at a sound configuration of the
// test's own, so sound can be played on a machine without a sound card and
// what was played can be looked at.
//
// alsa-lib reads ~/.asoundrc (and $XDG_CONFIG_HOME/alsa/asoundrc) when the
// process first opens a PCM and then keeps the parsed configuration for
// good; a changed HOME or .asoundrc is not noticed on its own. Under ctest
// each test runs in a process of its own, but run directly the binary runs
// every test in one process. So every call here writes the new .asoundrc,
// sets HOME and XDG_CONFIG_HOME, and then drops ALSA's cached configuration
// with snd_config_update_free_global(): the next snd_pcm_open() reads it
// afresh, whatever was opened before. The previous environment comes back,
// and the cache is dropped again, when the AlsaTestHome goes.
//
// Self-contained: needs QtCore and alsa-lib only. Not thread-safe (it
// changes the environment); use it on the test's main thread with no PCM
// being opened elsewhere meanwhile.
#pragma once

#include <alsa/asoundlib.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <stdexcept>

class AlsaTestHome {
  public:
    // What the "default" device becomes.
    enum class Device {
        Null,     // swallows the samples at once, no real-time wait
        Capture,  // swallows them too, writing the raw bytes to CapturePath()
        Missing,  // a card that does not exist: opening fails
    };

    // Makes `folder` (created when missing) HOME with an .asoundrc for `device`.
    AlsaTestHome(const QString& folder, Device device)
        : oldHome_(qgetenv("HOME")),
          oldConfigHome_(qgetenv("XDG_CONFIG_HOME")),
          hadHome_(qEnvironmentVariableIsSet("HOME")),
          hadConfigHome_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
          folder_(QDir(folder).absolutePath()) {
        Use(device);
    }
    ~AlsaTestHome() {
        Restore("HOME", hadHome_, oldHome_);
        Restore("XDG_CONFIG_HOME", hadConfigHome_, oldConfigHome_);
        snd_config_update_free_global();
    }
    AlsaTestHome(const AlsaTestHome&) = delete;
    AlsaTestHome& operator=(const AlsaTestHome&) = delete;

    // Switches to another device in the same folder.
    void Use(Device device) {
        switch (device) {
            case Device::Null:
                UseConfig("pcm.!default { type null }\n");
                break;
            case Device::Capture:
                // The file plugin takes %r, %c... in the name; %% is a '%'.
                UseConfig("pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file " +
                          Quoted(QString(CapturePath()).replace('%', "%%")) +
                          "\n  format \"raw\"\n  truncate true\n}\n");
                break;
            case Device::Missing:
                UseConfig("pcm.!default { type hw card 99 }\n");
                break;
        }
    }

    // Any configuration text of the caller's own as the .asoundrc.
    void UseConfig(const QByteArray& asoundrc) {
        if (!QDir().mkpath(folder_))
            throw std::runtime_error("cannot create " + folder_.toStdString());
        QFile file(folder_ + "/.asoundrc");
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(asoundrc) != asoundrc.size())
            throw std::runtime_error("cannot write " + file.fileName().toStdString());
        file.close();
        qputenv("HOME", QFile::encodeName(folder_));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_ + "/.config"));
        snd_config_update_free_global();
    }

    const QString& Folder() const { return folder_; }
    // Where Device::Capture writes what is played: the interleaved samples
    // exactly as the program handed them over, no header.
    QString CapturePath() const { return folder_ + "/capture.raw"; }

  private:
    static QByteArray Quoted(const QString& text) {
        QByteArray out = "\"";
        for (char c : QFile::encodeName(text)) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        return out + '"';
    }
    static void Restore(const char* name, bool had, const QByteArray& value) {
        if (had)
            qputenv(name, value);
        else
            qunsetenv(name);
    }

    QByteArray oldHome_, oldConfigHome_;
    bool hadHome_, hadConfigHome_;
    QString folder_;
};
