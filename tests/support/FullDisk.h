#pragma once
#include <QString>
#include <QTemporaryDir>
#include <sys/resource.h>

// The disk is full for this process's files beyond bytes: a write past it falls short and then
// fails (EFBIG) as on a full disk, without the signal that would end the process.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    void (*FSignal)(int);
    rlimit FOld{};
};

// A small file system of its own (tmpfs), so that a write can meet a really full disk (ENOSPC).
// Mounting needs root and a system that allows it; mounted() says whether it worked.
class TinyDisk {
public:
    explicit TinyDisk(int kilobytes = 256);
    ~TinyDisk();
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;
    bool mounted() const { return FMounted; }
    QString path() const { return FDir.path(); }
    // Takes every free byte, leaving the files already there as they are.
    bool fill();
    // Mounted again read-only: nothing may be created or changed there, not even by root.
    bool makeReadOnly();

private:
    QTemporaryDir FDir;
    bool FMounted = false;
};
