#include "journal/JournalSession.h"

#include <QCollator>
#include <algorithm>

QString JournalSession::unitKey() const
{
    return QStringLiteral("%1/%2/%3").arg(ident).arg(firmware).arg(address);
}

bool JournalSession::operator==(const JournalSession& o) const
{
    return ident == o.ident && transmitter == o.transmitter && firmware == o.firmware && address == o.address
           && startedMs == o.startedMs && endedMs == o.endedMs && section == o.section && letter == o.letter
           && range == o.range && threshold == o.threshold && mode == o.mode && aligned == o.aligned
           && alignMax == o.alignMax && alignLast == o.alignLast && walkPassed == o.walkPassed && walk == o.walk
           && report == o.report;
}

int SectionRow::letter() const
{
    if (transmitter)
        return transmitter->letter;
    return receiver ? receiver->letter : 0;
}

bool sectionLess(const QString& a, const QString& b)
{
    // Unnamed sessions last: they are the ones still to be sorted out.
    if (a.isEmpty() != b.isEmpty())
        return b.isEmpty();
    // One per thread: the journal's worker sorts too.
    thread_local const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Russian)};
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

void flagLetters(QVector<SectionRow>& rows)
{
    std::sort(rows.begin(), rows.end(), [](const SectionRow& a, const SectionRow& b) {
        return sectionLess(a.section, b.section);
    });
    for (SectionRow& r : rows) {
        r.letterMismatch = r.transmitter && r.receiver && r.transmitter->letter != r.receiver->letter;
        r.neighbourLetter = false;
    }
    for (int i = 0; i + 1 < rows.size(); ++i) {
        SectionRow& a = rows[i];
        SectionRow& b = rows[i + 1];
        if (a.section.isEmpty() || b.section.isEmpty() || a.letter() == 0 || a.letter() != b.letter())
            continue;
        a.neighbourLetter = b.neighbourLetter = true;
    }
}
