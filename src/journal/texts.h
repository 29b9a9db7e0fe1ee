#pragma once
// What the site journal says to the user.

// %1: the journal file, %2: why.
inline constexpr char JOURNAL_NEWER[] =
    "Журнал объекта\n%1\nсоздан более новой версией программы (версия журнала %2, эта программа знает до %3).\n"
    "Журнал не изменён. Откройте его в новой версии программы.";
inline constexpr char JOURNAL_NOT_JOURNAL[] = "Файл\n%1\nне является журналом объекта.";
inline constexpr char JOURNAL_NOT_OPENED[] = "Не удалось открыть журнал объекта\n%1\n%2";
inline constexpr char JOURNAL_NOT_WRITTEN[] = "Не удалось записать в журнал объекта\n%1\n%2";
inline constexpr char JOURNAL_NOT_EXPORTED[] = "Не удалось сохранить копию журнала\n%1\n%2";
inline constexpr char JOURNAL_NOT_MERGED[] = "Не удалось объединить журналы\n%1\n%2";
