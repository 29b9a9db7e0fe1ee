#pragma once
// Every text the connection side shows or writes, exactly as the user sees it.
// "\n\r" is the program's line break (LF then CR). The two "Обмен c" lines use a Latin c.

inline constexpr char LOG_ADDRESS[] = "Обмен c извещателем по адресу ";
inline constexpr char LOG_SPEED_4800[] = "Обмен c извещателем на скорости 4800";
inline constexpr char LOG_ATTEMPT[] = "Попытка соединения через порт ";
inline constexpr char LOG_FAILURE[] = "Неуспешно!";
inline constexpr char LOG_SUCCESS[] = "Успешно!";
inline constexpr char LOG_SPEED_SWITCH[] = "Переход на скорость обмена ";
inline constexpr char CONNECT_LOG_FILE[] = "Connect.txt";

inline constexpr char MSG_WAIT[] = "Ждите...";
inline constexpr char MSG_NO_PORTS[] = "Нет доступных портов!";
inline constexpr char MSG_NOT_FOUND[] = "Связь с извещателем не установлена!";
inline constexpr char MSG_LINK_LOST[] = "Потеря связи!";
inline constexpr char EVENT_LINK_LOST[] = "Обрыв связи";

inline constexpr char C1[] =
    "Возможные причины:\n\r1.Не включено питание извещателя\n\r2.Не подсоединен кабель USB\n\r"
    "3.Нет извещателя с номером, указанным в параметрах\n\r\n\rУстраните причины и повторите поиск";
inline constexpr char C2[] =
    "Возможные причины:\n\r1.Не включено питание извещателя\n\r2.Не подсоединен кабель USB\n\r"
    "3.Прошло время ожидания ответа\n\r\n\rВосстановите связь или завершите программу";

inline constexpr char RECEIVE_ERROR[] = "Ошибка приема. Код:";

inline constexpr char SETTINGS_FILE[] = "KVR_Dorvik.con";
inline constexpr char REPORT_FILE[] = "KVR_Dorvik.rps";
