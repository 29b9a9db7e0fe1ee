#pragma once
// What the trend window, the session file and the commissioning report say to the user.

inline constexpr char TREND_TITLE[] = "График";

inline constexpr char SPAN_30S[] = "30 с";
inline constexpr char SPAN_2MIN[] = "2 мин";
inline constexpr char SPAN_10MIN[] = "10 мин";

inline constexpr char CAPT_BB_SAVE_CSV[] = "Сохранить CSV...";
inline constexpr char CAPT_SB_CAPTURE[] = "Запись обмена...";
inline constexpr char CAPT_BB_REPORT[] = "Протокол...";

inline constexpr char TRACE_FIELD[] = "Отклонение уровня поля";
inline constexpr char TRACE_SIGNAL[] = "Сигнал";

// %1: a value in volts (with its unit), %2: a time of day.
inline constexpr char STAT_REST[] = "Уровень покоя: %1";
inline constexpr char STAT_PEAK[] = "Наибольший пик: %1";
inline constexpr char STAT_MARGIN[] = "Запас над порогом: %1";
inline constexpr char STAT_CROSSINGS[] = "Пересечений порога: %1";
inline constexpr char STAT_SIGNAL[] = "Сигнал: %1 (%2)";
inline constexpr char STAT_MAX_HOLD[] = "Максимум: %1 в %2";
inline constexpr char STAT_NONE[] = "—";

inline constexpr char ZONE_WEAK[] = "недостаточный";
inline constexpr char ZONE_NORMAL[] = "норма";
inline constexpr char ZONE_STRONG[] = "избыточный";

inline constexpr char NOTE_NO_DATA[] = "Извещатель ещё не найден: показывать нечего.";
inline constexpr char NOTE_TRANSMITTER[] = "Передатчик не сообщает уровня поля и сигнала: графика нет.";

inline constexpr char CSV_DIALOG_TITLE[] = "Сохранить запись сеанса";
inline constexpr char CSV_FILTER[] = "Таблица CSV (*.csv)";
inline constexpr char CAPTURE_DIALOG_TITLE[] = "Записывать обмен в файл";
inline constexpr char CAPTURE_FILTER[] = "Запись обмена (*.dcap);;Все файлы (*)";

// %1: the file's path, %2: why.
inline constexpr char MSG_FILE_NOT_WRITTEN[] = "Не удалось записать файл\n%1\n%2";
