// A lock file held with flock() while an object lives: one writer per
// file the lock stands for (the journal of a database).
#pragma once

#include <QString>

class FileLock {
  public:
    enum class Result { Held, Busy, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates or opens `path` (never through a link, never another user's
    // file) and tries to hold it without waiting. Busy: another open file
    // holds it (another process, or another object of this one). Failed:
    // the file cannot be had, the reason in Russian in `problem`.
    Result Hold(const QString& path, QString* problem = nullptr);
    void Release();
    bool Holding() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};
