#pragma once
// A small file system of the test's own (a tmpfs mounted under a temporary folder), which the
// test can fill to the last byte and free again: a full disk as the program meets it, with the
// system's own "No space left on device". Mounting needs the right to mount (root in CI); a
// test skips itself where it cannot have one.
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class SmallDisk {
public:
    explicit SmallDisk(const QString& folder, const char* size = "1m") : Folder(folder)
    {
        QDir().mkpath(folder);
        const std::string options = std::string("size=") + size + ",mode=0755";
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
            Mounted = true;
        else
            Error = std::strerror(errno);
    }
    ~SmallDisk()
    {
        Free();
        if (Mounted)
            ::umount2(QFile::encodeName(Folder).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Ready() const { return Mounted; }
    const std::string& Why() const { return Error; }
    QString Path(const QString& name) const { return Folder + QLatin1Char('/') + name; }

    // Takes every free byte with a file of its own: the next page any other file needs is refused.
    bool Fill()
    {
        const int fd = ::open(QFile::encodeName(Path(QStringLiteral("filler"))).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return false;
        static const char block[4096] = {};
        bool full = false;
        for (int i = 0; i < (1 << 20) && !full; ++i)
            full = ::write(fd, block, sizeof block) < 0 && errno == ENOSPC;
        // A last part smaller than a block, byte by byte.
        while (full && ::write(fd, block, 1) == 1) {
        }
        ::close(fd);
        return full;
    }
    // The space comes back.
    void Free() { QFile::remove(Path(QStringLiteral("filler"))); }

private:
    QString Folder;
    bool Mounted = false;
    std::string Error;
};

#define SMALL_DISK_OR_SKIP(disk)                                                                  \
    do {                                                                                          \
        if (!(disk).Ready())                                                                      \
            GTEST_SKIP() << "no small file system can be mounted here: " << (disk).Why();         \
    } while (0)
