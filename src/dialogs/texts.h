#pragma once
// Every text the dialogs, the about box and the help window show, exactly as the user sees it.
// "\n\r" is the program's line break (LF then CR).

inline constexpr char BTN_SET[] = "Установить";
inline constexpr char BTN_CANCEL[] = "Отменить";

inline constexpr char LITER_CAPT[] = "Установка литеры";
inline constexpr char LITER_GROUP[] = "Литера:";

inline constexpr char SKOR_CAPT[] = "Установка скорости преодоления";
inline constexpr char SKOR_GROUP[] = "Скорость преодоления:";
// The speed ranges by speed index 0..2.
inline constexpr char SKOR_CAPT_10[] = "0,1...10 м/с";
inline constexpr char SKOR_CAPT_4[] = "0,1...4 м/с";
inline constexpr char SKOR_CAPT_1[] = "0,1...1 м/с";

inline constexpr char ADDR_CAPT[] = "Установка адреса:";
inline constexpr char ADDR_GROUP[] = "Адрес:";
inline constexpr char ADDR_ERROR[] = "Неправильный адрес!\n\rДиапазон адресов 0..255";

inline constexpr char HELP_WIN_CAPT_LIT[] = "Частотная литера";
inline constexpr char HELP_TEXT_LIT[] =
    "  Литеры передатчика и приемника участка\n\rохраны должны быть одинаковы.\n\r"
    "  После установки литеры передатчика\n\rотсоедините от него кабель USB.";
inline constexpr char HELP_WIN_CAPT_SKOR[] = "Скорость преодоления";
inline constexpr char HELP_TEXT_SKOR[] =
    "  Выбор более низкой скорости преодоления\n\rувеличивает помехоустойчивость извещателя.\n\r"
    "  Рекомендации по выбору при установке:\n\r  • по верху заграждения - 0,1...1 м/с;\n\r"
    "  • между забором и предупредительным\n\r  • ограждением - 0,1...4 м/с;\n\r"
    "  • на открытой местности - 0,1...10 м/с;\n\r  При изменении скорости преодоления выдается\n\r"
    " тревога";
inline constexpr char HELP_WIN_CAPT_ADDR[] = "Адрес извещателя";
inline constexpr char HELP_TEXT_ADDR[] = "Диапазон адресов извещателя - 0...255.";

inline constexpr char ABOUT_CAPT[] = "О программе";
// The same text as the main window's caption.
inline constexpr char ABOUT_PRODUCT[] = "ДОРВИК-М Визард v.2.17";
inline constexpr char ABOUT_COPYRIGHT[] = "Copyright © 2009 ООО «Дорвик»";
inline constexpr char ABOUT_COMMENTS[] = "Программа настройки радиоволновых извещателей серии ДОРВИК-М ";
inline constexpr char ABOUT_OK[] = "Ok";

inline constexpr char HELP_CLOSE[] = "Закрыть";

// The name assistive technologies read for the help buttons, which show only a picture.
inline constexpr char ACC_HELP[] = "Справка";
