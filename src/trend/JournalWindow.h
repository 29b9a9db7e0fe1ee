#pragma once
// "Журнал объекта": the site's sections as rows, from the journal of the site; the pair's
// letters checked, the walk tests' results, and the journal shared between two laptops.
#include "journal/JournalSession.h"

#include <QWidget>

class JournalKeeper;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

class JournalWindow : public QWidget {
    Q_OBJECT
public:
    JournalWindow(JournalKeeper* keeper, QWidget* parent = nullptr);

    // Asks the journal for the sections again; the table follows when they come.
    void reload();
    const QVector<SectionRow>& rows() const { return FRows; }

    QTableWidget* twSections = nullptr;
    QCheckBox* cbOpenOnly = nullptr;
    QLabel* laFile = nullptr;
    QPushButton* bbExport = nullptr;
    QPushButton* bbMerge = nullptr;
    QPushButton* bbReport = nullptr;

signals:
    // The table shows what the journal held when it was asked last.
    void shown();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void setRows(const QVector<SectionRow>& rows);
    void applyFilter();
    void exportJournal();
    void mergeJournal();
    void writeReport();

    JournalKeeper* FKeeper;
    QVector<SectionRow> FRows;
    QString FExportPath;
};
