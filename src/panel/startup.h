#pragma once
#include <QString>
#include <functional>

// The program's exit status: 1 once the command line has been refused, else 0.
int programExitCode();

// Closes whatever dialog or box is open over the window: a dialog left open would keep the
// program alive once the window has gone.
void closeDialogs();
// Closes the program from outside (a termination signal, the session ending) the normal way:
// dialogs first, then the window, which stops the exchange and writes the settings.
void closeProgram();

// Once a close has been asked for from outside, no box may wait for a person: the boxes still
// to come at start-up, the command line's error included, are left out.
void beginClosing();
bool closingProgram();

// The settings as they stand, kept ready so that an exit the window never sees (the display
// gone) still writes them: kept from the window's moves and the mute button, written by
// writeKeptSettings with no widget touched. Writing them the normal way clears them.
void keepSettings();
void writeKeptSettings();

// Who shows the receive-error text (TfmMain::ShowReceiveError). The program uses a modal error
// box; a test, which must never block, puts a recorder in its place.
void setReceiveErrorPresenter(std::function<void(const QString& text)> presenter);
