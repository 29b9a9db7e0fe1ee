#include "connection/ReportFile.h"
#include "panel/main.h"

void TfmMain::AddEvent(const QString& ev)
{
    // A report file that could not be created was already reported at start; the program
    // goes on without it.
    if (fRep)
        fRep->append(ev);
}
