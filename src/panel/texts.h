#pragma once
// The captions of the main window's controls, exactly as the user sees them.
// "\n\r" is the program's line break (LF then CR). The B of the volt titles is a Latin B.

inline constexpr char CAPT_MAIN_WINDOW[] = "ДОРВИК-М Визард v.2.17";
// Playing an exchange capture: %1 is the file's name.
inline constexpr char CAPT_PLAY_WINDOW[] = "ДОРВИК-М Визард v.2.17 — запись обмена %1";
inline constexpr char CAPT_PLAY_ENDED_WINDOW[] = "ДОРВИК-М Визард v.2.17 — запись обмена %1 (закончилась)";
inline constexpr char PLAY_ENDED[] = "Запись закончилась";
// Under PLAY_ENDED on the start page: %1 is the file.
inline constexpr char PLAY_ENDED_TEXT[] = "Воспроизведение записи обмена\n\r%1\n\rзавершено. Поиск извещателя не ведется.";
inline constexpr char PLAY_LINK_LOST_TEXT[] =
    "Так было в записи: извещатель не ответил\n\rили обмен в это время не записан.\n\r\n\r"
    "Воспроизведение записи продолжается";

// Start page
inline constexpr char CAPT_LA_STEP_INIT[] = "Протокол:";
inline constexpr char CAPT_LA_REPAIR[] = "Попытка восстановления через, с:";
inline constexpr char CAPT_BB_FIND[] = "Найти извещатель";
inline constexpr char CAPT_BB_INIT_CLOSE[] = "Выйти из программы";

// "Настройка"
inline constexpr char CAPT_GB_NASTR[] = "Настройка";
inline constexpr char CAPT_ST_POROG_TITLE[] = "Порог, B:";
inline constexpr char CAPT_ST_POLE_TITLE[] = "Отклонение уровня поля, B:";
inline constexpr char CAPT_ST_UST_TITLE[] = "Сигнал, B:";
inline constexpr const char* CAPT_SCALE_FIGURES[7] = {"3.0", "2.5", "2.0", "1.5", "1.0", "0.5", "0.0"};
inline constexpr char CAPT_SB_RABOTA[] = "Порог";
inline constexpr char CAPT_SB_UST[] = "Юстировка";
inline constexpr char CAPT_PA_SOST_DESIGN[] = "НОРМА";

// "Параметры"
inline constexpr char CAPT_GB_PAR[] = "Параметры";
inline constexpr char CAPT_LA_LITER[] = "Литера:";
inline constexpr char CAPT_LA_SKOR[] = "Скорость преодоления:";
inline constexpr char CAPT_LA_ADDR[] = "Адрес извещателя:";
inline constexpr char CAPT_LA_PORT[] = "Порт:";
inline constexpr char CAPT_LA_IZV[] = "Извещатель:";
inline constexpr char CAPT_LA_BAUD[] = "Скорость:";
inline constexpr char CAPT_LA_VERS_PR[] = "Прошивка:";
// The buttons carry a one-line text until the window is first shown, then the broken one.
inline constexpr char CAPT_BB_LITER_DESIGN[] = "Установить литеру...";
inline constexpr char CAPT_BB_SKOR_DESIGN[] = "Установить скорость";
inline constexpr char CAPT_BB_ADDR_DESIGN[] = "Установить адрес...";
inline constexpr char CAPT_BB_LITER[] = "Установить\n\rлитеру...";
inline constexpr char CAPT_BB_SKOR[] = "Установить\n\rскорость\n\rпреодоления...";
inline constexpr char CAPT_BB_ADDR[] = "Установить\n\rадрес...";

// Bottom bar
inline constexpr char CAPT_LA_RELE[] = "Реле:";
inline constexpr char CAPT_LA_PIT[] = "Питание:";
inline constexpr char CAPT_LA_KR[] = "Крышка:";
inline constexpr char CAPT_PA_RELE_DESIGN[] = "разомкнуто";
inline constexpr char CAPT_PA_PIT_DESIGN[] = "норма";
inline constexpr char CAPT_PA_KR_DESIGN[] = "открыта";
inline constexpr char CAPT_BB_ABOUT[] = "О программе...";
inline constexpr char CAPT_BB_CLOSE[] = "Выход";

// Names that assistive technologies read for controls that show a picture, a broken caption
// or nothing at all.
inline constexpr char ACC_BB_PLUS[] = "Повысить порог";
inline constexpr char ACC_BB_MINUS[] = "Понизить порог";
inline constexpr char ACC_PB_POROG[] = "Шкала порога";
inline constexpr char ACC_PB_POROG_HINT[] = "Стрелки вверх и вниз повышают и понижают порог";
inline constexpr char ACC_PB_POLE[] = "Отклонение уровня поля";
inline constexpr char ACC_PB_UST[] = "Сигнал юстировки";
inline constexpr char ACC_SB_HELP_DEJ[] = "Справка о пороге";
inline constexpr char ACC_SB_HELP_UST[] = "Справка о юстировке";
inline constexpr char ACC_SB_ZVONOK[] = "Выключить звук тревоги";
inline constexpr char ACC_SB_AIM[] = "Звук юстировки";
inline constexpr char ACC_BB_LITER[] = "Установить литеру...";
inline constexpr char ACC_BB_SKOR[] = "Установить скорость преодоления...";
inline constexpr char ACC_BB_ADDR[] = "Установить адрес...";
inline constexpr char ACC_LB_STEP_INIT[] = "Протокол соединения";
inline constexpr char CAPT_BB_TREND[] = "График...";
// A control's tooltip: its name, then the key that presses it.
inline constexpr char TIP_WITH_KEY[] = "%1 (%2)";
