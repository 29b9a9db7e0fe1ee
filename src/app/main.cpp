#include "panel/startup.h"
#include "panel/QtTranslations.h"
#include "panel/main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QStyle>

#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>

#include <atomic>
#else
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// The window is first shown (command line, first search) before the loop runs; a close then
// would be undone by the rest of the showing, so it waits until the showing is over.
bool loopRunning = false;
bool closeRequested = false;

// Closes the window the normal way, so the port is closed and the settings are written.
void closeOnRequest()
{
    beginClosing();
    closeDialogs();
    if (!loopRunning)
        closeRequested = true;
    else
        closeProgram();
}

#ifdef Q_OS_WIN
std::atomic<bool> closed{false};

// Runs on a thread of its own; the close is handed to the window's thread.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        QMetaObject::invokeMethod(qApp, &closeOnRequest, Qt::QueuedConnection);
        // After a closed console, a log-off or a shutdown the system ends the process as soon
        // as this returns: give the window a few seconds to close first.
        if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
            for (int i = 0; i < 40 && !closed; ++i)
                ::Sleep(100);
        return TRUE;
    default:
        return FALSE;
    }
}

void closeOnTerminationSignals()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { closed = true; });
}
#else
// A signal handler may only write to a descriptor; the loop picks the byte up.
int signalPipe[2] = {-1, -1};

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
        closeOnRequest();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    // A closed terminal closes the program like any other request, unless it was started
    // to outlive its terminal (nohup).
    struct sigaction old {};
    if (sigaction(SIGHUP, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
        sigaction(SIGHUP, &sa, nullptr);
}
#endif

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
    installQtTranslations(QLocale::system(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    closeOnTerminationSignals();
    // The platform ends the program with exit() when the display goes away (the X server
    // ended, the connection broke): no window closes then, so the settings are written here.
    std::atexit(writeKeptSettings);

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
