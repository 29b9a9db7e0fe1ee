#include "connection/delay.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

void Delay(std::uint32_t ms)
{
    QElapsedTimer clock;
    clock.start();
    // A nested loop that sleeps until the next event: no busy waiting.
    while (quint64(clock.elapsed()) < ms) {
        QEventLoop loop;
        QTimer::singleShot(int(ms - quint64(clock.elapsed())), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}
