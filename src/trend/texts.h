#pragma once
// What the trend window, the session file and the commissioning report say to the user.

inline constexpr char TREND_TITLE[] = "График";

inline constexpr char SPAN_30S[] = "30 с";
inline constexpr char SPAN_2MIN[] = "2 мин";
inline constexpr char SPAN_10MIN[] = "10 мин";

inline constexpr char CAPT_BB_SAVE_CSV[] = "Сохранить CSV...";
inline constexpr char CAPT_SB_CAPTURE[] = "Запись обмена...";
inline constexpr char CAPT_BB_REPORT[] = "Протокол...";
// The large view, read from the post: the value in big digits instead of the chart.
inline constexpr char CAPT_SB_LARGE[] = "Крупно";

inline constexpr char TRACE_FIELD[] = "Отклонение уровня поля";
inline constexpr char TRACE_SIGNAL[] = "Сигнал";

// %1: a value in volts (with its unit), %2: a time of day.
inline constexpr char STAT_REST[] = "Уровень покоя: %1";
inline constexpr char STAT_PEAK[] = "Наибольший пик: %1";
inline constexpr char STAT_MARGIN[] = "Запас над порогом: %1";
inline constexpr char STAT_CROSSINGS[] = "Пересечений порога: %1";
inline constexpr char STAT_SIGNAL[] = "Сигнал: %1 (%2)";
inline constexpr char STAT_MAX_HOLD[] = "Максимум: %1 (%2)";  // %2: its zone
inline constexpr char STAT_NONE[] = "—";
// Under the field in the large view; %1: the threshold in volts.
inline constexpr char LARGE_THRESHOLD[] = "Порог: %1";

inline constexpr char ZONE_WEAK[] = "недостаточный";
inline constexpr char ZONE_NORMAL[] = "норма";
inline constexpr char ZONE_STRONG[] = "избыточный";

inline constexpr char NOTE_NO_DATA[] = "Извещатель ещё не найден: показывать нечего.";
inline constexpr char NOTE_TRANSMITTER[] = "Передатчик не сообщает уровня поля и сигнала: графика нет.";

inline constexpr char CSV_DIALOG_TITLE[] = "Сохранить запись сеанса";
inline constexpr char CSV_FILTER[] = "Таблица CSV (*.csv)";
// The files' suggested names; %1: the unit and the date and time, as below.
inline constexpr char CSV_FILE_NAME[] = "%1.csv";
inline constexpr char CAPTURE_DIALOG_TITLE[] = "Записывать обмен в файл";
inline constexpr char CAPTURE_FILE_NAME[] = "Обмен %1.dcap";
// %1: the unit's name, %2: its address (a transmitter: its letter).
inline constexpr char FILE_RECEIVER[] = "%1 адрес %2";
inline constexpr char FILE_TRANSMITTER[] = "%1 литера %2";
inline constexpr char CAPTURE_FILTER[] = "Запись обмена (*.dcap);;Все файлы (*)";

// %1: the file's path, %2: why.
inline constexpr char MSG_FILE_NOT_WRITTEN[] = "Не удалось записать файл\n%1\n%2";

// ---- The commissioning report ----
// Its own texts write volts with the Cyrillic "В", as a document in Russian does.
inline constexpr char REPORT_TITLE[] = "Протокол настройки";
inline constexpr char REPORT_DIALOG_TITLE[] = "Протокол настройки";
inline constexpr char REPORT_LA_SITE[] = "Объект:";
inline constexpr char REPORT_LA_SECTION[] = "Участок:";
inline constexpr char REPORT_LA_INSTALLER[] = "Монтажник:";
inline constexpr char REPORT_LA_CONDITIONS[] = "Условия (погода, грунт, снег):";
inline constexpr char REPORT_BB_OK[] = "Создать протокол";
inline constexpr char REPORT_BB_CANCEL[] = "Отмена";
inline constexpr char REPORT_FILTER[] = "Документ PDF (*.pdf)";
inline constexpr char REPORT_FILE_NAME[] = "Протокол настройки %1.pdf";  // %1: unit, date and time
inline constexpr char REPORT_VOLT_UNIT[] = " В";

inline constexpr char REPORT_DATE[] = "Дата";
inline constexpr char REPORT_SITE[] = "Объект";
inline constexpr char REPORT_SECTION[] = "Участок";
inline constexpr char REPORT_INSTALLER[] = "Монтажник";

inline constexpr char REPORT_SECTION_PAIR[] = "Пара извещателей";
inline constexpr char REPORT_TRANSMITTER[] = "Передатчик";
inline constexpr char REPORT_RECEIVER[] = "Приёмник";
inline constexpr char REPORT_UNIT[] = "Извещатель";
inline constexpr char REPORT_FIRMWARE[] = "Прошивка";
inline constexpr char REPORT_ADDRESS[] = "Адрес";
inline constexpr char REPORT_LETTER[] = "Литера";
inline constexpr char REPORT_NOT_CONNECTED[] = "не подключался";
// %1: the transmitter's letter, %2: the receiver's.
inline constexpr char REPORT_LETTERS_DIFFER[] =
    "ВНИМАНИЕ: литеры не совпадают (передатчик %1, приёмник %2): пара не работает, пока литеры не совпадут.";
inline constexpr char REPORT_LETTERS_MATCH[] = "Литеры передатчика и приёмника совпадают.";
inline constexpr char REPORT_LETTERS_UNKNOWN[] =
    "Передатчик в этом сеансе работы не подключался: совпадение литер не проверено.";

inline constexpr char REPORT_SECTION_SETTINGS[] = "Настройки приёмника";
inline constexpr char REPORT_THRESHOLD[] = "Порог";
inline constexpr char REPORT_RANGE[] = "Скорость преодоления";
inline constexpr char REPORT_MODE[] = "Режим";

inline constexpr char REPORT_SECTION_ALIGNMENT[] = "Юстировка";
inline constexpr char REPORT_ALIGNMENT_END[] = "Сигнал при окончании юстировки";
inline constexpr char REPORT_ALIGNMENT_NOW[] = "Сигнал (юстировка продолжается)";
inline constexpr char REPORT_ALIGNMENT_MAX[] = "Наибольший сигнал";
// %1: a zone's name.
inline constexpr char REPORT_ZONE_FLAG[] = "%1 — вне нормы";
inline constexpr char REPORT_NO_ALIGNMENT[] = "Юстировка в этом сеансе не проводилась.";

inline constexpr char REPORT_SECTION_WALK[] = "Проверка зоны";
inline constexpr char REPORT_NO_WALK[] = "Проверка зоны в этом сеансе не проводилась.";
inline constexpr char REPORT_WALK_RESULT[] = "Итог";
inline constexpr char REPORT_WALK_PASSED[] = "пройдена";
inline constexpr char REPORT_WALK_FAILED[] = "НЕ ПРОЙДЕНА";
// %1: detected, %2: crossings, %3: with the margin, %4: the margin in per cent.
inline constexpr char REPORT_WALK_COUNTS[] = "обнаружено %1 из %2, с запасом не менее %4 % — %3";
inline constexpr char REPORT_WALK_ADVICE[] = "Рекомендуемый порог";
// %1: the highest threshold, %2: the lowest.
inline constexpr char REPORT_WALK_ADVICE_VALUE[] = "%1 (подходят от %2 до %1)";
inline constexpr char REPORT_WALK_NO_ADVICE[] = "нет: зона требует юстировки или снижения чувствительности";
inline constexpr char REPORT_REST[] = "Уровень покоя";
// %1: the median, %2 and %3: the spread.
inline constexpr char REPORT_REST_VALUE[] = "%1 (разброс %2 … %3)";
inline constexpr char REPORT_SECTION_WALK_CHART[] = "График проверки зоны";

inline constexpr char REPORT_SECTION_CONDITIONS[] = "Условия";
inline constexpr char REPORT_NO_CONDITIONS[] = "не указаны";
inline constexpr char REPORT_SECTION_SIGNATURES[] = "Подписи";
inline constexpr char REPORT_SIGN_INSTALLER[] = "Монтажник";
inline constexpr char REPORT_SIGN_CUSTOMER[] = "Представитель заказчика";
inline constexpr char REPORT_SIGN_LINE[] = "________________________  /  %1  /";
inline constexpr char REPORT_SIGN_BLANK[] = "____________________";
// %1: port, %2: bit rate, %3: model code, %4: program version, %5: date and time.
inline constexpr char REPORT_FOOTER[] = "Порт %1, %2 бит/с, код модели %3. Dorvik_M_Wizard %4, %5.";
// From the site journal, where the line is not known: %1 model code, %2 version, %3 date.
inline constexpr char REPORT_FOOTER_JOURNAL[] = "Код модели %1; по журналу объекта. Dorvik_M_Wizard %2, %3.";

inline constexpr char MODE_DUTY[] = "дежурный";
inline constexpr char MODE_ALIGNMENT[] = "юстировка";
inline constexpr char MODE_POWER_ON[] = "включение питания";

// ---- The sessions of this run ----
// %1: the unit as the file names give it, %2 and %3: when the session began and ended.
inline constexpr char SESSION_ITEM[] = "%1, %2–%3";
inline constexpr char SESSION_NOW[] = "сейчас";
inline constexpr char SESSION_NONE[] = "Сеанс: извещатель ещё не найден";
inline constexpr char HINT_SESSIONS[] = "Сеансы этого запуска: по одному на каждый найденный извещатель";

// ---- Alignment ----
inline constexpr char CAPT_BB_RESET_MAX[] = "Сбросить максимум";
inline constexpr char HINT_RESET_MAX[] = "Начать максимум заново с текущего сигнала; извещателю ничего не посылается";

// ---- The walk test ----
inline constexpr char CAPT_SB_WALK[] = "Проверка зоны";
inline constexpr char HINT_WALK[] =
    "Пересекайте зону в выбранных местах: каждое пересечение попадёт в таблицу с пиком, запасом над "
    "порогом и тревогой самого извещателя. Затем ставьте наибольший порог, при котором обнаруживается "
    "каждое пробное пересечение.";
inline constexpr char WALK_LA_PLACE[] = "Место:";
inline constexpr char WALK_LA_MARGIN[] = "Запас:";
inline constexpr char WALK_MARGIN_SUFFIX[] = " % порога";
inline constexpr char WALK_BB_CLEAR[] = "Очистить";
inline constexpr char WALK_PLACES_DEFAULT[] =
    "Середина участка, в рост|Середина участка, пригнувшись|У передатчика|У приёмника|Низина|У столба";
inline constexpr char WALK_COL_NUMBER[] = "№";
inline constexpr char WALK_COL_TIME[] = "Время";
inline constexpr char WALK_COL_PLACE[] = "Место";
inline constexpr char WALK_COL_PEAK[] = "Пик";
inline constexpr char WALK_COL_MARGIN[] = "Запас";
inline constexpr char WALK_COL_ALARM[] = "Тревога";
// %1: the delay in seconds.
inline constexpr char WALK_ALARM_YES[] = "да, %1 с";
inline constexpr char WALK_ALARM_YES_NO_DELAY[] = "да";
inline constexpr char WALK_ALARM_NO[] = "НЕТ";
inline constexpr char WALK_UNDER_WAY[] = "…";
inline constexpr char WALK_LEARNING[] = "Определяется уровень покоя: не входите в зону пару секунд.";
inline constexpr char WALK_READY[] = "Пересекайте зону: каждое пересечение появится в таблице.";
inline constexpr char WALK_STOPPED[] = "Проверка зоны остановлена.";
// %1: crossings, %2: the margin asked for, in per cent.
inline constexpr char WALK_PASSED[] = "Проверка пройдена: все пересечения (%1) обнаружены с запасом не менее %2 %.";
// %1: detected, %2: crossings, %3: of them with the margin, %4: the margin in per cent.
inline constexpr char WALK_FAILED[] =
    "Проверка не пройдена: обнаружено %1 из %2, из них с запасом не менее %4 % — %3.";
// %1: the highest threshold, %2: the lowest.
inline constexpr char WALK_ADVICE[] = "Рекомендуемый порог: %1 (подходят от %2 до %1).";
// %1: the weakest crossing's peak, %2: the rest level's highest.
inline constexpr char WALK_NO_ADVICE[] =
    "Ни один порог не подходит: слабейшее пересечение (%1) и уровень покоя (до %2) не разделить с запасом. "
    "Зона требует юстировки или снижения чувствительности извещателя.";
inline constexpr char WALK_PRACTICE[] =
    "Ставьте наибольший порог, при котором обнаруживается каждое пробное пересечение: так меньше ложных "
    "тревог. Запас 10 % покрывает разницу между проходами одного человека.";

// ---- The site journal ----
inline constexpr char JOURNAL_LA_SECTION[] = "Участок:";
inline constexpr char JOURNAL_SECTION_ASK[] = "Название или номер участка этого извещателя";
inline constexpr char HINT_SECTION[] =
    "Участок периметра, к которому относится извещатель: под ним сеанс попадёт в журнал объекта. "
    "В следующий раз программа предложит его сама";
inline constexpr char CAPT_BB_SITE[] = "Объект...";
inline constexpr char HINT_SITE[] = "Выбрать или создать файл журнала объекта";
inline constexpr char CAPT_BB_JOURNAL[] = "Журнал объекта";
inline constexpr char JOURNAL_TITLE[] = "Журнал объекта";
inline constexpr char JOURNAL_DIALOG_TITLE[] = "Журнал объекта";
inline constexpr char JOURNAL_FILTER[] = "Журнал объекта (*.journal);;Все файлы (*)";
inline constexpr char JOURNAL_FILE_NAME[] = "Объект.journal";
inline constexpr char JOURNAL_DEFAULT_FILE[] = "Журнал.journal";
// %1: the journal's file.
inline constexpr char JOURNAL_FILE_LINE[] = "Журнал: %1";
inline constexpr char JOURNAL_OFF[] = "Журнал объекта не ведётся: %1";
inline constexpr char JOURNAL_GOES_ON[] = "\n\nРабота продолжается без журнала объекта.";

inline constexpr char JOURNAL_COL_SECTION[] = "Участок";
inline constexpr char JOURNAL_COL_TRANSMITTER[] = "Передатчик";
inline constexpr char JOURNAL_COL_RECEIVER[] = "Приёмник";
inline constexpr char JOURNAL_COL_ALIGNMENT[] = "Юстировка";
inline constexpr char JOURNAL_COL_WALK[] = "Проверка зоны";
inline constexpr char JOURNAL_COL_THRESHOLD[] = "Порог";
// %1: the unit, %2: its letter.
inline constexpr char JOURNAL_UNIT[] = "%1, литера %2";
inline constexpr char JOURNAL_NO_SECTION[] = "(участок не указан)";
// %1: the highest signal and its zone, %2: the latest.
inline constexpr char JOURNAL_ALIGNMENT[] = "макс. %1, посл. %2";
inline constexpr char JOURNAL_VALUE_ZONE[] = "%1 (%2)";
// %1: the date.
inline constexpr char JOURNAL_WALK_PASSED[] = "пройдена %1";
inline constexpr char JOURNAL_WALK_FAILED[] = "НЕ ПРОЙДЕНА %1";
inline constexpr char JOURNAL_WALK_NONE[] = "не проверено";
inline constexpr char JOURNAL_MISMATCH[] = "Литеры передатчика и приёмника не совпадают";
inline constexpr char JOURNAL_NEIGHBOUR[] = "Та же литера на соседнем участке";
inline constexpr char JOURNAL_ONLY_OPEN[] = "Только не проверено / не пройдено";
inline constexpr char CAPT_BB_EXPORT[] = "Экспорт...";
inline constexpr char CAPT_BB_MERGE[] = "Объединить...";
inline constexpr char CAPT_BB_SITE_REPORT[] = "Отчёт PDF...";
inline constexpr char JOURNAL_EXPORT_TITLE[] = "Копия журнала объекта";
inline constexpr char JOURNAL_MERGE_TITLE[] = "Объединить с журналом";
// %1: sessions taken in.
inline constexpr char JOURNAL_MERGED[] = "Добавлено сеансов: %1";
inline constexpr char JOURNAL_EXPORTED[] = "Копия журнала сохранена:\n%1";
inline constexpr char SITE_REPORT_TITLE[] = "Журнал объекта";
inline constexpr char SITE_REPORT_FILE_NAME[] = "Журнал объекта %1.pdf";  // %1: date
// %1: the date and time it was made, %2: the journal's file.
inline constexpr char SITE_REPORT_SUBTITLE[] = "Составлен %1 по журналу %2";
