#include "trend/JournalWindow.h"

#include "journal/JournalWriter.h"
#include "panel/fonts.h"
#include "trend/JournalKeeper.h"
#include "trend/SiteReport.h"
#include "trend/texts.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QString tr8(const char* text) { return QString::fromUtf8(text); }


// Sections sort as an installer counts them, not as text: "2" before "10".
class SectionItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override
    {
        return sectionLess(data(Qt::UserRole).toString(), other.data(Qt::UserRole).toString());
    }
};

constexpr int OPEN_ROLE = Qt::UserRole + 1;
}  // namespace

JournalWindow::JournalWindow(JournalKeeper* keeper, QWidget* parent) : QWidget(parent, Qt::Window), FKeeper(keeper)
{
    setObjectName(QStringLiteral("fmJournal"));
    setWindowTitle(tr8(JOURNAL_TITLE));
    setFont(programFont(13));
    resize(1080, 420);

    twSections = new QTableWidget(0, SectionColumns, this);
    twSections->setObjectName(QStringLiteral("twSections"));
    twSections->setHorizontalHeaderLabels(sectionHeaders());
    twSections->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twSections->setSelectionBehavior(QAbstractItemView::SelectRows);
    twSections->verticalHeader()->hide();
    twSections->horizontalHeader()->setStretchLastSection(true);
    twSections->setWordWrap(true);
    cbOpenOnly = new QCheckBox(tr8(JOURNAL_ONLY_OPEN), this);
    cbOpenOnly->setObjectName(QStringLiteral("cbOpenOnly"));
    connect(cbOpenOnly, &QCheckBox::toggled, this, &JournalWindow::applyFilter);
    laFile = new QLabel(this);
    laFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bbExport = new QPushButton(tr8(CAPT_BB_EXPORT), this);
    bbMerge = new QPushButton(tr8(CAPT_BB_MERGE), this);
    bbReport = new QPushButton(tr8(CAPT_BB_SITE_REPORT), this);
    connect(bbExport, &QPushButton::clicked, this, &JournalWindow::exportJournal);
    connect(bbMerge, &QPushButton::clicked, this, &JournalWindow::mergeJournal);
    connect(bbReport, &QPushButton::clicked, this, &JournalWindow::writeReport);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbOpenOnly);
    buttons->addStretch(1);
    for (QPushButton* b : {bbExport, bbMerge, bbReport})
        buttons->addWidget(b);
    auto* column = new QVBoxLayout(this);
    column->addLayout(buttons);
    column->addWidget(twSections, 1);
    column->addWidget(laFile);

    JournalWriter* writer = FKeeper->writer();
    connect(writer, &JournalWriter::overviewReady, this, &JournalWindow::setRows);
    // While it is open the table follows the sessions being written.
    connect(writer, &JournalWriter::written, this, [this] {
        if (isVisible())
            reload();
    });
    connect(writer, &JournalWriter::exported, this, [this](bool ok, const QString& message) {
        if (ok)
            QMessageBox::information(this, tr8(JOURNAL_EXPORT_TITLE),
                                     tr8(JOURNAL_EXPORTED).arg(QDir::toNativeSeparators(FExportPath)));
        else
            QMessageBox::warning(this, tr8(JOURNAL_EXPORT_TITLE), message);
    });
    connect(writer, &JournalWriter::merged, this, [this](bool ok, const QString& message, int added) {
        if (ok)
            QMessageBox::information(this, tr8(JOURNAL_MERGE_TITLE), tr8(JOURNAL_MERGED).arg(added));
        else
            QMessageBox::warning(this, tr8(JOURNAL_MERGE_TITLE), message);
        reload();
    });
}

void JournalWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    reload();
}

void JournalWindow::reload()
{
    laFile->setText(tr8(JOURNAL_FILE_LINE).arg(QDir::toNativeSeparators(FKeeper->path())));
    FKeeper->writer()->requestOverview();
}

void JournalWindow::setRows(const QVector<SectionRow>& rows)
{
    FRows = rows;
    // By section, first to last, until the installer sorts by another column.
    const bool sortedBefore = twSections->isSortingEnabled();
    const int sortColumn = sortedBefore ? twSections->horizontalHeader()->sortIndicatorSection() : int(ColSection);
    const Qt::SortOrder order = sortedBefore ? twSections->horizontalHeader()->sortIndicatorOrder() : Qt::AscendingOrder;
    twSections->setSortingEnabled(false);
    twSections->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = sectionCells(rows[r]);
        const QString warning = letterWarning(rows[r]);
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* item = c == ColSection ? new SectionItem(cells[c]) : new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, c == ColSection ? rows[r].section : cells[c]);
            item->setData(OPEN_ROLE, sectionOpen(rows[r]));
            if (!warning.isEmpty() && (c == ColTransmitter || c == ColReceiver || c == ColSection)) {
                item->setBackground(QColor(255, 190, 190));
                item->setToolTip(warning);
            }
            if (c == ColWalk && rows[r].walkPassed && !*rows[r].walkPassed)
                item->setForeground(Qt::red);
            twSections->setItem(r, c, item);
        }
    }
    twSections->setSortingEnabled(true);
    twSections->sortItems(sortColumn >= 0 && sortColumn < SectionColumns ? sortColumn : ColSection, order);
    twSections->resizeColumnsToContents();
    twSections->resizeRowsToContents();
    applyFilter();
    emit shown();
}

void JournalWindow::applyFilter()
{
    for (int r = 0; r < twSections->rowCount(); ++r)
        twSections->setRowHidden(r, cbOpenOnly->isChecked() && !twSections->item(r, 0)->data(OPEN_ROLE).toBool());
}

void JournalWindow::exportJournal()
{
    const QString path = QFileDialog::getSaveFileName(this, tr8(JOURNAL_EXPORT_TITLE),
                                                      QDir::home().filePath(QFileInfo(FKeeper->path()).fileName()),
                                                      tr8(JOURNAL_FILTER));
    if (path.isEmpty())
        return;
    FExportPath = path;
    FKeeper->writer()->exportTo(path);
}

void JournalWindow::mergeJournal()
{
    const QString path = QFileDialog::getOpenFileName(this, tr8(JOURNAL_MERGE_TITLE), QDir::homePath(), tr8(JOURNAL_FILTER));
    if (!path.isEmpty())
        FKeeper->writer()->mergeFrom(path);
}

void JournalWindow::writeReport()
{
    const QString name = tr8(SITE_REPORT_FILE_NAME).arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    const QString path = QFileDialog::getSaveFileName(this, tr8(SITE_REPORT_TITLE), QDir::home().filePath(name),
                                                      tr8(REPORT_FILTER));
    if (path.isEmpty())
        return;
    // The rows as the table shows them: sorted and filtered as the installer left it.
    QVector<SectionRow> shownRows;
    for (int r = 0; r < twSections->rowCount(); ++r) {
        if (twSections->isRowHidden(r))
            continue;
        const QString section = twSections->item(r, ColSection)->data(Qt::UserRole).toString();
        for (const SectionRow& row : FRows)
            if (row.section == section)
                shownRows << row;
    }
    QString error;
    const QString site = QFileInfo(FKeeper->path()).completeBaseName();
    if (!writeSiteReport(path, shownRows, FKeeper->path(), &error, sectionRecords(site)))
        QMessageBox::warning(this, tr8(SITE_REPORT_TITLE), error);
}
