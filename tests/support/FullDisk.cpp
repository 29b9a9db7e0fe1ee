#include "FullDisk.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

FullDisk::FullDisk(rlim_t bytes) : FSignal(std::signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &FOld);
    rlimit full = FOld;
    full.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &full);
}

FullDisk::~FullDisk()
{
    setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FSignal);
}

TinyDisk::TinyDisk(int kilobytes)
{
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    FMounted = FDir.isValid() &&
               ::mount("tmpfs", QFile::encodeName(FDir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

TinyDisk::~TinyDisk()
{
    if (FMounted)
        ::umount2(QFile::encodeName(FDir.path()).constData(), MNT_DETACH);
}

bool TinyDisk::fill()
{
    const int fd = ::open(QFile::encodeName(FDir.path() + QStringLiteral("/filler")).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'x');
    // Bounded: a tmpfs of this size holds far fewer blocks.
    int error = 0;
    for (int i = 0; i < 1 << 20 && error == 0; ++i) {
        const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
        if (n < 0)
            error = errno;
    }
    // A last byte or so may still fit into a partial block: take that too.
    while (error == ENOSPC && ::write(fd, "x", 1) == 1) {
    }
    ::close(fd);
    return error == ENOSPC;
}

bool TinyDisk::makeReadOnly()
{
    return FMounted
           && ::mount("tmpfs", QFile::encodeName(FDir.path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
