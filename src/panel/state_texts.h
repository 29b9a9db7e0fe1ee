#pragma once
// Every text the detector panel shows for the unit's state, its values and its help, exactly as
// the user sees it; the controls' own captions are in panel/texts.h.
// "\n\r" is the program's line break (LF then CR); the volt unit is a Latin B.

// Unit names by identifier code.
inline constexpr char IZV_M50[] = "ДОРВИК-М50";
inline constexpr char IZV_M100[] = "ДОРВИК-М100";
inline constexpr char IZV_M200[] = "ДОРВИК-М200";
inline constexpr char IZV_M300[] = "ДОРВИК-М300";
inline constexpr char IZV_PERED[] = "ПЕРЕДАТЧИК";
inline constexpr char IZV_UNKNOWN[] = "неизвестный";

inline constexpr char SOST_NORM[] = "НОРМА";
inline constexpr char SOST_TR[] = "ТРЕВОГА";
inline constexpr char RELE_TR[] = "разомкнуто";
inline constexpr char RELE_NORM[] = "замкнуто";
inline constexpr char PIT_NIZK[] = "низкое";
inline constexpr char PIT_NORM[] = "норма";
inline constexpr char KR_TR[] = "открыта";
inline constexpr char KR_NORM[] = "закрыта";

inline constexpr char CAPT_PAN_MES_NORM[] = "Сигнал передатчика в норме";
inline constexpr char CAPT_PAN_MES_VERH[] = "Избыточный сигнал передатчика!";
inline constexpr char CAPT_PAN_MES_NIZ[] = "Недостаточный сигнал передатчика!";

inline constexpr char VOLT_UNIT[] = " B";

inline constexpr char PERED_NOTE[] =
    "После установки литеры отсоедините кабель USB,\n\rчтобы изменения вступили в силу!";

// A receiver that acknowledged the move to the working speed twice without making it (%1: that speed).
// A receiver whose letter is not its transmitter's: they will not work as a pair.
inline constexpr char PAIR_LETTER_NOTE[] = "Литеры не совпадают:\n\rпередатчик %1, приемник %2";
inline constexpr char SPEED_REFUSED_NOTE[] = "Не переходит на %1 бит/с:\n\rобмен на 4800 бит/с";

// bbFind after a lost link (its caption for a new search is with the window's captions).
inline constexpr char CAPT_BB_REPAIR[] = "Восстановить связь";

inline constexpr char HELP_WIN_CAPT_POR[] = "Настройка порога";
inline constexpr char HELP_TEXT_POR[] =
    "  Настройку порога производите по контрольным\n\rпересечениям участка, начиная с максимального\n\r"
    "значения порога. Если при пересечении тревоги\n\rне было, уменьшите порог на 1-2 шага и\n\r"
    "повторите пересечение. Излишне малый порог\n\rухудшает помехоустойчивость извещателя.\n\r"
    "  При изменении порога выдается тревога";
inline constexpr char HELP_WIN_CAPT_UST[] = "Юстировка извещателя";
inline constexpr char HELP_TEXT_UST[] =
    "  Плавно поворачивая поочередно передатчик и\n\rприемник в горизонтальной, а затем в\n\r"
    "вертикальной плоскостях, добейтесь наибольшего\n\rзначения сигнала.\n\r"
    "  Если сигнал в нижней красной зоне, проверьте\n\rучасток на соответствие требованиям, указанным\n\r"
    "в руководстве по эксплуатации, и повторите\n\rюстировку. Если сигнал в верхней красной зоне,\n\r"
    "разъюстируйте приемник и передатчик вверх на\n\rнебольшой угол. Не допускается разъюстировка\n\r"
    "приемника и передатчика вниз и в стороны.";
