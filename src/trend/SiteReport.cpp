#include "trend/SiteReport.h"

#include "dialogs/skor.h"
#include "panel/fonts.h"
#include "panel/readouts.h"
#include "protocol/DetectorUnits.h"
#include "trend/CommissioningReport.h"
#include "trend/TrendText.h"
#include "trend/texts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>

namespace {
QString tr8(const char* text) { return QString::fromUtf8(text); }

QString dateText(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy")); }

QString signalText(int signal)
{
    const auto s = TPosUstMarker(signal);
    return tr8(JOURNAL_VALUE_ZONE).arg(voltsText(ustVolts(s)), zoneText(s));
}

ReportUnit reportUnitOf(const std::optional<JournalSession>& s)
{
    ReportUnit u;
    if (!s)
        return u;
    u.present = true;
    u.name = QString::fromUtf8(unitName(TIdent(s->ident)));
    u.firmware = s->firmware;
    u.address = QString::number(s->address);
    u.letter = QString::number(s->letter);
    return u;
}

// A section's commissioning record in the site report, as far as the journal kept it: no
// chart and no rest level, which only the live session had.
void sectionRecord(QPainter& painter, QPdfWriter& pdf, const QString& site, const SectionRow& row)
{
    ReportFacts f;
    const std::optional<JournalSession>& rx = row.receiver;
    const JournalSession* latest = rx ? &*rx : row.transmitter ? &*row.transmitter : nullptr;
    f.at = latest ? QDateTime::fromMSecsSinceEpoch(latest->endedMs.value_or(latest->startedMs))
                  : QDateTime::currentDateTime();
    f.site = site;
    f.section = row.section;
    f.version = QStringLiteral(DORVIK_VERSION);
    f.model = latest ? QString::number(latest->ident) : QString();
    f.transmitter = reportUnitOf(row.transmitter);
    f.receiver = reportUnitOf(rx);
    if (!rx) {
        drawCommissioningRecord(painter, pdf, f, nullptr);
        return;
    }
    f.threshold = QString::number(porogVolts(TPosPorog(rx->threshold)), 'f', 1) + tr8(REPORT_VOLT_UNIT);
    f.range = skorostText(Skorost(rx->range));
    f.mode = modeText(TRejim(rx->mode));
    RecordSummary r;
    const JournalSession& aligned = row.alignment ? *row.alignment : *rx;
    r.aligned = aligned.aligned;
    r.alignLast = TPosUstMarker(aligned.alignLast);
    r.alignMax = TPosUstMarker(aligned.alignMax);
    for (const JournalWalkRow& w : rx->walk)
        r.walk.push_back({QDateTime::fromMSecsSinceEpoch(w.atMs).toString(QStringLiteral("HH:mm:ss")), w.place,
                          TValPole(w.peak), TPosPorog(w.threshold), w.detected, w.delayMs});
    drawCommissioningRecord(painter, pdf, f, &r);
}
}  // namespace

QStringList sectionHeaders()
{
    return {tr8(JOURNAL_COL_SECTION), tr8(JOURNAL_COL_TRANSMITTER), tr8(JOURNAL_COL_RECEIVER),
            tr8(JOURNAL_COL_ALIGNMENT), tr8(JOURNAL_COL_WALK),       tr8(JOURNAL_COL_THRESHOLD)};
}

QStringList sectionCells(const SectionRow& row)
{
    QStringList cells;
    cells << (row.section.isEmpty() ? tr8(JOURNAL_NO_SECTION) : row.section);
    cells << (row.transmitter ? tr8(JOURNAL_UNIT).arg(tr8(unitName(row.transmitter->ident))).arg(row.transmitter->letter)
                              : noneText());
    cells << (row.receiver ? tr8(JOURNAL_UNIT)
                                 .arg(unitText(TIdent(row.receiver->ident), row.receiver->address, TLitera(row.receiver->letter)))
                                 .arg(row.receiver->letter)
                           : noneText());
    cells << (row.alignment ? tr8(JOURNAL_ALIGNMENT).arg(signalText(row.alignment->alignMax), signalText(row.alignment->alignLast))
                            : noneText());
    if (!row.walkPassed)
        cells << tr8(JOURNAL_WALK_NONE);
    else
        cells << tr8(*row.walkPassed ? JOURNAL_WALK_PASSED : JOURNAL_WALK_FAILED).arg(dateText(row.walkAtMs));
    cells << (row.receiver ? voltText(porogTenths(TPosPorog(row.receiver->threshold))) : noneText());
    return cells;
}

QString letterWarning(const SectionRow& row)
{
    QStringList why;
    if (row.letterMismatch)
        why << tr8(JOURNAL_MISMATCH);
    if (row.neighbourLetter)
        why << tr8(JOURNAL_NEIGHBOUR);
    return why.join(QLatin1Char('\n'));
}

bool sectionOpen(const SectionRow& row) { return !row.walkPassed || !*row.walkPassed; }

SectionPages sectionRecords(const QString& site)
{
    return [site](QPainter& painter, QPdfWriter& pdf, const SectionRow& row) { sectionRecord(painter, pdf, site, row); };
}

bool writeSiteReport(const QString& path, const QVector<SectionRow>& rows, const QString& journal, QString* error,
                     const SectionPages& sectionPages)
{
    // Written beside its place first: a failed write leaves the file that was there.
    const QString partial = path + QStringLiteral(".part");
    {
        QPdfWriter pdf(partial);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(15, 12, 12, 12), QPageLayout::Millimeter);
        pdf.setResolution(300);
        pdf.setTitle(tr8(SITE_REPORT_TITLE));
        QPainter p;
        if (!p.begin(&pdf)) {
            if (error)
                *error = tr8(MSG_FILE_NOT_WRITTEN).arg(QDir::toNativeSeparators(path), QString());
            QFile::remove(partial);
            return false;
        }
        const QRect page = p.viewport();
        const int mm = pdf.resolution() * 10 / 254;
        QFont title = programFont(1, true);
        title.setPointSizeF(16);
        QFont body = programFont(1);
        body.setPointSizeF(9);
        QFont head = body;
        head.setBold(true);

        // Shares of the width per column: the units and the alignment need the room.
        const double shares[SectionColumns] = {0.13, 0.17, 0.22, 0.24, 0.14, 0.10};
        QVector<QRect> cols;
        int x = page.left();
        for (double share : shares) {
            const int w = int(page.width() * share);
            cols << QRect(x, 0, w, 0);
            x += w;
        }
        int y = page.top();
        const auto header = [&] {
            p.setFont(title);
            p.drawText(QRect(page.left(), y, page.width(), 10 * mm), Qt::AlignLeft | Qt::AlignVCenter, tr8(SITE_REPORT_TITLE));
            y += 10 * mm;
            p.setFont(body);
            p.drawText(QRect(page.left(), y, page.width(), 6 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                       tr8(SITE_REPORT_SUBTITLE)
                           .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                QDir::toNativeSeparators(journal)));
            y += 9 * mm;
        };
        const auto line = [&](const QStringList& cells, bool bold, const QString& warning) {
            p.setFont(bold ? head : body);
            int height = 7 * mm;
            for (int c = 0; c < cells.size(); ++c)
                height = qMax(height, p.boundingRect(cols[c].adjusted(mm, 0, -mm, 0).left(), 0, cols[c].width() - 2 * mm,
                                                     1000 * mm, Qt::TextWordWrap, cells[c]).height() + 2 * mm);
            if (y + height > page.bottom()) {
                pdf.newPage();
                y = page.top();
            }
            for (int c = 0; c < cells.size(); ++c) {
                const QRect cell(cols[c].left(), y, cols[c].width(), height);
                if (!warning.isEmpty() && (c == ColTransmitter || c == ColReceiver))
                    p.fillRect(cell, QColor(255, 205, 205));
                p.drawRect(cell);
                p.drawText(cell.adjusted(mm, mm, -mm, -mm), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, cells[c]);
            }
            y += height;
        };
        header();
        line(sectionHeaders(), true, QString());
        for (const SectionRow& row : rows) {
            const QString warning = letterWarning(row);
            QStringList cells = sectionCells(row);
            if (!warning.isEmpty())
                cells[ColSection] += QLatin1Char('\n') + warning;
            line(cells, false, warning);
        }
        if (sectionPages)
            for (const SectionRow& row : rows) {
                pdf.newPage();
                sectionPages(p, pdf, row);
            }
        p.end();
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        if (error)
            *error = tr8(MSG_FILE_NOT_WRITTEN).arg(QDir::toNativeSeparators(path), QFile(partial).errorString());
        QFile::remove(partial);
        return false;
    }
    return true;
}
