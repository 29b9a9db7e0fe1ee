#include "serial/LowLatency.h"

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {
int requests = 0;
}

bool requestLowLatency(qintptr handle)
{
    ++requests;
#ifdef Q_OS_LINUX
    if (handle < 0)
        return false;
    serial_struct ss{};
    if (::ioctl(int(handle), TIOCGSERIAL, &ss) != 0)
        return false;
    ss.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(int(handle), TIOCSSERIAL, &ss) == 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

int lowLatencyRequestCount() { return requests; }
