#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files of the program are windows-1251 with CR LF on every platform, byte for byte
// what the program writes on a Russian Windows.
QByteArray toCp1251(const QString& text);
QByteArray linesToCp1251(const QStringList& lines);
