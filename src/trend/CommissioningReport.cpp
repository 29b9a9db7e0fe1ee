#include "trend/CommissioningReport.h"

#include "connection/SafeFile.h"
#include "panel/fonts.h"
#include "protocol/DetectorUnits.h"
#include "trend/SessionRecord.h"
#include "trend/TrendText.h"
#include "trend/WalkTest.h"
#include "trend/texts.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <cmath>
#include <memory>
#include <vector>

namespace {
constexpr int DPI = 300;
const QColor WARNING_INK(176, 0, 0);
const QColor FOOTER_INK(96, 96, 96);

QString text(const char* t) { return QString::fromUtf8(t); }

int points(double pt) { return int(pt * DPI / 72); }

// Volts as the panel writes them, with the document's own "В".
QString volts(double v) { return QString::number(v, 'f', 2) + text(REPORT_VOLT_UNIT); }

QString margin(double v)
{
    const double shown = std::round(v * 100) / 100;
    return (shown > 0 ? QStringLiteral("+") : QString()) + volts(shown == 0 ? 0.0 : shown);
}

QString percent(double share) { return QString::number(std::lround(share * 100)) + QStringLiteral(" %"); }

QString zoneFlagged(TPosUstMarker signal)
{
    const QString zone = zoneText(signal);
    return signalZone(signal) == SignalZone::Normal ? zone : text(REPORT_ZONE_FLAG).arg(zone);
}

// A paragraph laid out to a width, wrapping at spaces and, for a name without any, anywhere.
class Laid {
public:
    Laid(const QString& s, const QFont& font, QPaintDevice* device, qreal width) : FLayout(s, font, device)
    {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        FLayout.setTextOption(option);
        FLayout.beginLayout();
        for (QTextLine line = FLayout.createLine(); line.isValid(); line = FLayout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, FHeight));
            FHeight += line.height();
        }
        FLayout.endLayout();
    }
    qreal height() const { return FHeight; }
    int lines() const { return FLayout.lineCount(); }
    QTextLine line(int i) const { return FLayout.lineAt(i); }
    void draw(QPainter& p, QPointF at) const { FLayout.draw(&p, at); }

private:
    QTextLayout FLayout;
    qreal FHeight = 0;
};

// Lays the report out on the writer's pages, top to bottom.
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter) : FWriter(writer), FPainter(painter)
    {
        FWidth = painter.viewport().width();
        FHeight = painter.viewport().height();
    }

    QFont font(double size, bool bold = false) const { return programFont(points(size), bold); }

    // A paragraph, broken across pages line by line.
    void paragraph(const QString& s, double size, bool bold = false, const QColor& ink = Qt::black, int gapAfter = 0)
    {
        const Laid laid(s, font(size, bold), &FWriter, FWidth);
        FPainter.setPen(ink);
        for (int i = 0; i < laid.lines(); ++i) {
            const QTextLine line = laid.line(i);
            room(int(std::ceil(line.height())));
            line.draw(&FPainter, QPointF(0, FY - line.y()));
            FY += int(std::ceil(line.height()));
        }
        FY += gapAfter;
    }

    void heading(const QString& s) { paragraph(s, 12, true, Qt::black, points(3)); }

    // Rows of cells; fractions give each column's share of the width. A row never splits.
    void table(const std::vector<double>& fractions, const std::vector<QStringList>& rows, bool header,
               const std::vector<QColor>& inks = {})
    {
        const int pad = points(2);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const bool bold = header && r == 0;
            std::vector<std::unique_ptr<Laid>> cells;
            qreal h = 0;
            for (std::size_t c = 0; c < fractions.size(); ++c) {
                const QString cell = c < std::size_t(rows[r].size()) ? rows[r][int(c)] : QString();
                cells.push_back(std::make_unique<Laid>(cell, font(10, bold), &FWriter, FWidth * fractions[c] - 2 * pad));
                h = std::max(h, cells.back()->height());
            }
            const int rowHeight = int(std::ceil(h)) + 2 * pad;
            room(rowHeight);
            FPainter.setPen(r < inks.size() && inks[r].isValid() ? inks[r] : QColor(Qt::black));
            qreal x = 0;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                cells[c]->draw(FPainter, QPointF(x + pad, FY + pad));
                x += FWidth * fractions[c];
            }
            FPainter.setPen(QPen(QColor(160, 160, 160), points(bold ? 0.8 : 0.3)));
            FPainter.drawLine(0, FY + rowHeight, FWidth, FY + rowHeight);
            FY += rowHeight;
        }
        FY += points(4);
    }

    void picture(const QImage& image)
    {
        if (image.isNull())
            return;
        QSize size = image.size().scaled(FWidth, FHeight / 2, Qt::KeepAspectRatio);
        room(size.height());
        FPainter.drawImage(QRect(QPoint(0, FY), size), image);
        FY += size.height() + points(6);
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

const std::vector<double> TWO_COLUMNS{0.4, 0.6};

void headerPart(Pages& pages, const ReportFacts& f)
{
    pages.paragraph(text(REPORT_TITLE), 16, true, Qt::black, points(8));
    pages.table(TWO_COLUMNS,
                {{text(REPORT_DATE), f.at.toString(QStringLiteral("dd.MM.yyyy HH:mm"))},
                 {text(REPORT_SITE), printableText(f.site)},
                 {text(REPORT_SECTION), printableText(f.section)},
                 {text(REPORT_INSTALLER), printableText(f.installer)}},
                false);
}

void pairPart(Pages& pages, const ReportFacts& f)
{
    pages.heading(text(REPORT_SECTION_PAIR));
    const auto column = [](const ReportUnit& u, QString ReportUnit::*field) {
        return u.present ? u.*field : QString();
    };
    const ReportUnit& tx = f.transmitter;
    const ReportUnit& rx = f.receiver;
    pages.table({0.3, 0.35, 0.35},
                {{QString(), text(REPORT_TRANSMITTER), text(REPORT_RECEIVER)},
                 {text(REPORT_UNIT), tx.present ? tx.name : text(REPORT_NOT_CONNECTED),
                  rx.present ? rx.name : text(REPORT_NOT_CONNECTED)},
                 {text(REPORT_FIRMWARE), column(tx, &ReportUnit::firmware), column(rx, &ReportUnit::firmware)},
                 {text(REPORT_ADDRESS), column(tx, &ReportUnit::address), column(rx, &ReportUnit::address)},
                 {text(REPORT_LETTER), column(tx, &ReportUnit::letter), column(rx, &ReportUnit::letter)}},
                true);
    if (tx.present && rx.present && tx.letter != rx.letter)
        pages.paragraph(text(REPORT_LETTERS_DIFFER).arg(tx.letter, rx.letter), 10.5, true, WARNING_INK, points(8));
    else if (tx.present && rx.present)
        pages.paragraph(text(REPORT_LETTERS_MATCH), 10.5, false, Qt::black, points(8));
    else if (rx.present)
        pages.paragraph(text(REPORT_LETTERS_UNKNOWN), 10.5, false, Qt::black, points(8));
}

void settingsPart(Pages& pages, const ReportFacts& f)
{
    pages.heading(text(REPORT_SECTION_SETTINGS));
    pages.table(TWO_COLUMNS,
                {{text(REPORT_THRESHOLD), f.threshold}, {text(REPORT_RANGE), f.range}, {text(REPORT_MODE), f.mode}},
                false);
}

void alignmentPart(Pages& pages, const RecordSummary& r)
{
    pages.heading(text(REPORT_SECTION_ALIGNMENT));
    if (!r.aligned) {
        pages.paragraph(text(REPORT_NO_ALIGNMENT), 10.5, false, Qt::black, points(8));
        return;
    }
    const auto ink = [](TPosUstMarker s) {
        return signalZone(s) == SignalZone::Normal ? QColor() : WARNING_INK;
    };
    QString max = volts(ustVolts(r.alignMax)) + QStringLiteral(", ") + zoneFlagged(r.alignMax);
    if (!r.alignMaxTime.isEmpty())
        max += QStringLiteral(", ") + r.alignMaxTime;
    pages.table(TWO_COLUMNS,
                {{text(r.stillAligning ? REPORT_ALIGNMENT_NOW : REPORT_ALIGNMENT_END),
                  volts(ustVolts(r.alignLast)) + QStringLiteral(", ") + zoneFlagged(r.alignLast)},
                 {text(REPORT_ALIGNMENT_MAX), max}},
                false, {ink(r.alignLast), ink(r.alignMax)});
}

double marginOf(const RecordSummary::Crossing& c) { return poleVolts(c.peak) - porogVolts(c.threshold); }

void walkPart(Pages& pages, const RecordSummary& r, const QImage& chart)
{
    pages.heading(text(REPORT_SECTION_WALK));
    if (r.walk.empty()) {
        pages.paragraph(text(REPORT_NO_WALK), 10.5, false, Qt::black, points(8));
        return;
    }
    std::vector<QStringList> rows{{text(WALK_COL_NUMBER), text(WALK_COL_TIME), text(WALK_COL_PLACE),
                                   text(WALK_COL_PEAK), text(WALK_COL_MARGIN), text(WALK_COL_ALARM)}};
    std::vector<QColor> inks{QColor()};
    WalkVerdict v;
    TValPole weakest = POLE_MAX;
    int n = 0;
    for (const RecordSummary::Crossing& c : r.walk) {
        const QString alarm = !c.detected ? text(WALK_ALARM_NO)
                              : c.delayMs ? text(WALK_ALARM_YES).arg(QString::number(*c.delayMs / 1000.0, 'f', 1))
                                          : text(WALK_ALARM_YES_NO_DELAY);
        const double share = marginOf(c) / porogVolts(c.threshold);
        const bool enough = c.detected && share >= r.margin - 1e-9;
        rows.push_back({QString::number(++n), c.time, printableText(c.place), volts(poleVolts(c.peak)),
                        margin(marginOf(c)) + QStringLiteral(" (") + percent(share) + QStringLiteral(")"), alarm});
        inks.push_back(enough ? QColor() : WARNING_INK);
        ++v.crossings;
        v.detected += c.detected;
        v.withMargin += enough;
        weakest = std::min(weakest, c.peak);
    }
    pages.table({0.06, 0.12, 0.34, 0.13, 0.2, 0.15}, rows, true, inks);

    const QString counts = text(REPORT_WALK_COUNTS)
                               .arg(v.detected)
                               .arg(v.crossings)
                               .arg(v.withMargin)
                               .arg(std::lround(r.margin * 100));
    std::vector<QStringList> verdict{
        {text(REPORT_WALK_RESULT),
         text(v.passed() ? REPORT_WALK_PASSED : REPORT_WALK_FAILED) + QStringLiteral(": ") + counts}};
    // The threshold the crossings argue for needs the rest level too: a live session's only.
    if (r.restKnown) {
        const ThresholdAdvice a = thresholdAdvice(weakest, r.restHighest, r.margin);
        verdict.push_back({text(REPORT_WALK_ADVICE),
                           a.possible ? text(REPORT_WALK_ADVICE_VALUE)
                                            .arg(volts(porogVolts(a.highest)), volts(porogVolts(a.lowest)))
                                      : text(REPORT_WALK_NO_ADVICE)});
        verdict.push_back({text(REPORT_REST), text(REPORT_REST_VALUE)
                                                  .arg(volts(poleVolts(r.restMedian)), volts(poleVolts(r.restLowest)),
                                                       volts(poleVolts(r.restHighest)))});
    }
    pages.table(TWO_COLUMNS, verdict, false, {v.passed() ? QColor() : WARNING_INK});
    pages.paragraph(text(WALK_PRACTICE), 9, false, FOOTER_INK, points(6));
    if (!chart.isNull()) {
        pages.heading(text(REPORT_SECTION_WALK_CHART));
        pages.picture(chart);
    }
}

void closingPart(Pages& pages, const ReportFacts& f)
{
    pages.heading(text(REPORT_SECTION_CONDITIONS));
    const QString conditions = printableText(f.conditions, true);
    pages.paragraph(conditions.isEmpty() ? text(REPORT_NO_CONDITIONS) : conditions, 10.5, false, Qt::black,
                    points(10));
    pages.heading(text(REPORT_SECTION_SIGNATURES));
    pages.skip(points(10));
    pages.table(TWO_COLUMNS,
                {{text(REPORT_SIGN_INSTALLER), text(REPORT_SIGN_LINE).arg(printableText(f.installer))},
                 {text(REPORT_SIGN_CUSTOMER), text(REPORT_SIGN_LINE).arg(text(REPORT_SIGN_BLANK))}},
                false);
    pages.skip(points(10));
    const QString when = f.at.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    pages.paragraph(f.port.isEmpty() ? text(REPORT_FOOTER_JOURNAL).arg(f.model, f.version, when)
                                     : text(REPORT_FOOTER).arg(printableText(f.port), f.baud, f.model, f.version, when),
                    8, false, FOOTER_INK);
}
void drawRecord(QPdfWriter& writer, QPainter& painter, const ReportFacts& facts, const RecordSummary* receiver,
                const QImage& walkChart)
{
    Pages pages(writer, painter);
    headerPart(pages, facts);
    pairPart(pages, facts);
    if (receiver) {
        settingsPart(pages, facts);
        alignmentPart(pages, *receiver);
        walkPart(pages, *receiver, walkChart);
    }
    closingPart(pages, facts);
}
}  // namespace

RecordSummary summaryOf(const SessionRecord& record)
{
    RecordSummary r;
    r.aligned = record.alignedThisSession();
    const SessionSample* last = record.last();
    r.stillAligning = last && last->aligning();
    r.alignLast = record.alignment().last;
    r.alignMax = record.alignment().max;
    r.alignMaxTime = timeOfDayText(record, record.alignment().maxMs);
    const WalkTest& walk = record.walk();
    r.margin = walk.margin();
    for (const WalkCrossing& c : walk.crossings()) {
        const auto delay = c.alarmDelayMs();
        r.walk.push_back({timeOfDayText(record, c.startMs), c.place, c.peak, c.threshold, c.detected(),
                          delay ? std::optional<int>(int(*delay)) : std::nullopt});
    }
    const RestLevel rest = walk.rest();
    r.restKnown = rest.samples > 0;
    r.restMedian = rest.median;
    r.restLowest = rest.lowest;
    r.restHighest = rest.highest;
    return r;
}

void drawCommissioningRecord(QPainter& painter, QPdfWriter& pdf, const ReportFacts& facts,
                             const RecordSummary* receiver)
{
    drawRecord(pdf, painter, facts, receiver, QImage());
}

QString printableText(const QString& s, bool keepLineBreaks)
{
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        if (keepLineBreaks && c == QLatin1Char('\n'))
            out += c;
        else
            out += c.isPrint() ? c : QChar(QLatin1Char(' '));
    }
    // One space between words, and no space left at a line's ends.
    QStringList lines = out.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.simplified();
    return lines.join(QLatin1Char('\n')).trimmed();
}

bool writeCommissioningReport(const QString& path, const ReportFacts& facts, const SessionRecord* receiver,
                              const QImage& walkChart, QString* error)
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
        writer.setCreator(QStringLiteral("Dorvik_M_Wizard ") + facts.version);
        QPainter painter(&writer);
        const std::optional<RecordSummary> summary =
            receiver ? std::optional<RecordSummary>(summaryOf(*receiver)) : std::nullopt;
        drawRecord(writer, painter, facts, summary ? &*summary : nullptr, walkChart);
    }
    if (file.write(pdf.data()) && file.commit())
        return true;
    *error = text(MSG_FILE_NOT_WRITTEN).arg(path, file.errorString());
    return false;
}
