#pragma once
// The site journal's overview as the window and its PDF show it: one line per section.
#include "journal/JournalSession.h"

#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPdfWriter;

enum SectionColumn { ColSection, ColTransmitter, ColReceiver, ColAlignment, ColWalk, ColThreshold, SectionColumns };

QStringList sectionHeaders();
QStringList sectionCells(const SectionRow& row);
// What is wrong with the section's letters, empty when nothing.
QString letterWarning(const SectionRow& row);
// Neither checked nor passed: the sections still to be walked.
bool sectionOpen(const SectionRow& row);

// Pages of a section's own (its commissioning record), drawn after the table when given: the
// painter stands at the top of a new page.
using SectionPages = std::function<void(QPainter& painter, QPdfWriter& pdf, const SectionRow& row)>;

// Each section's commissioning record as far as the journal kept it (no chart, no rest level:
// only a live session had them); site names the site on each.
SectionPages sectionRecords(const QString& site);

// The table on A4 pages; false with why in *error.
bool writeSiteReport(const QString& path, const QVector<SectionRow>& rows, const QString& journal, QString* error,
                     const SectionPages& sectionPages = {});
