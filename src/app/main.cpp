#include "connection/startup.h"
#include "panel/main.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QStyle>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor; the loop picks the byte up and closes
// the window the normal way, so the port is closed and the settings are written.
int signalPipe[2] = {-1, -1};
// The window is first shown (command line, first search) before the loop runs; a close then
// would be undone by the rest of the showing, so it waits until the showing is over.
bool loopRunning = false;
bool closeRequested = false;

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[0], &byte, 1);
}

void closeOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[1], &byte, 1);
        // A dialog open over the window goes first, or it would keep the program alive.
        for (int guard = 0; guard < 10 && QApplication::activeModalWidget(); ++guard)
            QApplication::activeModalWidget()->close();
        if (!loopRunning)
            closeRequested = true;
        else if (fmMain)
            fmMain->close();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    // Judged as typed: QApplication takes its own options (-style, -platform...) out of argv,
    // and they count against the four allowed all the same.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    closeOnTerminationSignals();

    CreateForms();
    fmMain->arguments = arguments;
    fmMain->show();
    // A refused command line has ended the program already: the loop is not needed.
    int rc = programExitCode();
    if (rc == 0 && !closeRequested) {
        loopRunning = true;
        rc = app.exec();
    } else {
        fmMain->close();
    }
    DestroyForms();
    return rc != 0 ? rc : programExitCode();
}
