#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <sched.h>
#include <sys/mount.h>

// A 1 MB file system of this test program's own, mounted on `folder` in a
// private mount namespace: seen by this process alone, gone when it ends.
// Needs root; elsewhere path() is empty and the cases that need it skip.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : path_(folder)
    {
        QDir().mkpath(path_);
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, "size=1m") != 0)
            path_.clear();
    }
    ~SmallDisk()
    {
        if (!path_.isEmpty())
            umount(QFile::encodeName(path_).constData());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const QString& path() const { return path_; }

private:
    QString path_;
};
