// A folder of a test's own under the test root, removed when it goes.
// The database server reaches it: it is open to every user.
#pragma once

#include <QString>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const QString& path() const { return path_; }  // no trailing '/'
    QString file(const QString& name) const { return path_ + '/' + name; }
    void keep() { keep_ = true; }

  private:
    QString path_;
    bool keep_ = false;
};

// Writes `bytes` to `path`, creating or replacing the file.
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
