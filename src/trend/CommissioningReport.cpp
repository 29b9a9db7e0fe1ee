#include "trend/CommissioningReport.h"

#include "connection/SafeFile.h"
#include "panel/fonts.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/TrendText.h"
#include "trend/texts.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QBuffer>
#include <utility>
#include <vector>

namespace {
constexpr int DPI = 300;

using Rows = std::vector<std::pair<QString, QString>>;
struct Section {
    QString heading;
    Rows rows;
    QString note;
};

QString text(const char* t) { return QString::fromUtf8(t); }

QString durationText(std::uint32_t ms)
{
    const std::uint32_t s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

std::vector<Section> sections(const ReportFacts& f, const SessionRecord& record)
{
    std::vector<Section> all;
    all.push_back({QString(),
                   {{text(REPORT_DATE), f.at.toString(QStringLiteral("dd.MM.yyyy HH:mm"))},
                    {text(REPORT_SITE), f.site},
                    {text(REPORT_INSTALLER), f.installer}},
                   {}});
    Section setup{text(REPORT_SECTION_SETUP),
                  {{text(REPORT_PORT), f.port},
                   {text(REPORT_BAUD), f.baud},
                   {text(REPORT_UNIT), f.unit},
                   {text(REPORT_MODEL), f.model},
                   {text(REPORT_FIRMWARE), f.firmware},
                   {text(REPORT_ADDRESS), f.address},
                   {text(REPORT_LETTER), f.letter}},
                  {}};
    if (!f.transmitter) {
        setup.rows.push_back({text(REPORT_RANGE), f.range});
        setup.rows.push_back({text(REPORT_THRESHOLD), f.threshold});
        setup.rows.push_back({text(REPORT_MODE), f.mode});
    }
    all.push_back(setup);
    if (f.transmitter)
        return all;

    Section measured{text(REPORT_SECTION_MEASURED), {{text(REPORT_SESSION), durationText(record.elapsedMs())}}, {}};
    const DutySummary duty = record.dutySession();
    if (duty.samples == 0) {
        measured.note = text(REPORT_NO_DUTY);
    } else {
        measured.rows.push_back({text(REPORT_REST), voltsText(poleVolts(duty.rest))});
        measured.rows.push_back({text(REPORT_CROSSINGS), QString::number(duty.crossings)});
        measured.rows.push_back(
            {text(REPORT_PEAK), voltsText(poleVolts(duty.peak)) + QStringLiteral(" (") +
                                    marginText(duty.peakMarginVolts()) + QStringLiteral(")")});
        if (duty.crossings > 0)
            measured.rows.push_back({text(REPORT_SMALLEST_MARGIN), marginText(duty.smallestMarginVolts)});
    }
    all.push_back(measured);

    if (record.alignedThisSession()) {
        const AlignmentHold& hold = record.alignment();
        all.push_back({text(REPORT_SECTION_ALIGNMENT),
                       {{text(REPORT_SIGNAL), voltsText(ustVolts(hold.last))},
                        {text(REPORT_ZONE), zoneText(hold.last)},
                        {text(REPORT_MAX_HOLD),
                         voltsText(ustVolts(hold.max)) + QStringLiteral(", ") + timeOfDayText(record, hold.maxMs)}},
                       {}});
    }
    return all;
}

int points(double pt) { return int(pt * DPI / 72); }

// Lays the report out on the writer's pages, top to bottom.
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter) : FWriter(writer), FPainter(painter)
    {
        FWidth = painter.viewport().width();
        FHeight = painter.viewport().height();
    }

    void line(const QString& s, double size, bool bold, int gapAfter)
    {
        FPainter.setFont(programFont(points(size), bold));
        const int h = FPainter.fontMetrics().height();
        room(h);
        FPainter.drawText(QRect(0, FY, FWidth, h), Qt::AlignLeft | Qt::AlignVCenter, s);
        FY += h + gapAfter;
    }

    void row(const QString& label, const QString& value)
    {
        FPainter.setFont(programFont(points(10.5)));
        const int h = FPainter.fontMetrics().height();
        room(h);
        const int split = FWidth * 45 / 100;
        FPainter.drawText(QRect(0, FY, split, h), Qt::AlignLeft | Qt::AlignVCenter, label);
        FPainter.drawText(QRect(split, FY, FWidth - split, h), Qt::AlignLeft | Qt::AlignVCenter, value);
        FY += h + points(2);
    }

    void picture(const QImage& image)
    {
        if (image.isNull())
            return;
        QSize size = image.size().scaled(FWidth, FHeight / 2, Qt::KeepAspectRatio);
        room(size.height());
        FPainter.drawImage(QRect(QPoint(0, FY), size), image);
        FY += size.height();
    }

    void skip(int gap) { FY += gap; }

private:
    void room(int h)
    {
        if (FY + h <= FHeight)
            return;
        FWriter.newPage();
        FY = 0;
    }

    QPdfWriter& FWriter;
    QPainter& FPainter;
    int FWidth = 0, FHeight = 0, FY = 0;
};
}  // namespace

bool writeCommissioningReport(const QString& path, const ReportFacts& facts, const SessionRecord& record,
                              const QImage& trend, QString* error)
{
    WholeFile file(path);
    if (!file.open()) {
        *error = text(MSG_FILE_NOT_WRITTEN).arg(path, file.errorString());
        return false;
    }
    // Drawn in memory first: the PDF writer says nothing when its device falls short.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(DPI);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 15, 15, 15),
                                         QPageLayout::Millimeter));
        writer.setTitle(text(REPORT_TITLE));
        writer.setCreator(QStringLiteral("Dorvik_M_Wizard"));
        QPainter painter(&writer);
        Pages pages(writer, painter);
        pages.line(text(REPORT_TITLE), 16, true, points(8));
        for (const Section& s : sections(facts, record)) {
            if (!s.heading.isEmpty())
                pages.line(s.heading, 12, true, points(3));
            for (const auto& [label, value] : s.rows)
                pages.row(label, value);
            if (!s.note.isEmpty())
                pages.line(s.note, 10.5, false, 0);
            pages.skip(points(8));
        }
        if (!trend.isNull()) {
            pages.line(text(REPORT_SECTION_TREND), 12, true, points(3));
            pages.picture(trend);
        }
    }
    if (file.write(pdf.data()) && file.commit())
        return true;
    *error = text(MSG_FILE_NOT_WRITTEN).arg(path, file.errorString());
    return false;
}
