#include "EventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace ovento::test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > deadline.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void SpinFor(std::chrono::milliseconds duration)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

} // namespace ovento::test
