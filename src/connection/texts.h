#pragma once
// Every text the connection side shows or writes, exactly as the user sees it.
// "\n\r" is the program's line break (LF then CR). The two "Обмен c" lines use a Latin c.

inline constexpr char LOG_ADDRESS[] = "Обмен c извещателем по адресу ";
inline constexpr char LOG_SPEED_4800[] = "Обмен c извещателем на скорости 4800";
inline constexpr char LOG_ATTEMPT[] = "Попытка соединения через порт ";
inline constexpr char LOG_FAILURE[] = "Неуспешно!";
inline constexpr char LOG_ATTEMPT_SPEED[] = "Попытка соединения на скорости ";
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

// The link lost with its port (the cable pulled): no countdown, the port's return is awaited.
// %1 is the port.
inline constexpr char C_PORT_GONE[] =
    "Порт %1 пропал из системы:\n\rотсоединен кабель USB.\n\r\n\r"
    "Подсоедините кабель: поиск начнется сам";

inline constexpr char RECEIVE_ERROR[] = "Ошибка приема. Код:";

inline constexpr char SETTINGS_FILE[] = "KVR_Dorvik.con";
inline constexpr char REPORT_FILE[] = "KVR_Dorvik.rps";

inline constexpr char ERROR_CAPT[] = "Ошибка";
inline constexpr char PARAM_ERROR_HEAD[] = "Параметры командной строки:\n\r";
inline constexpr char PARAM_ERROR_TAIL[] = "Приложение будет закрыто!";
inline constexpr char PARAM_ERROR_COUNT[] =
    "\n\rЧисло параметров в командной строке\n\rдолжно быть не более четырех!\n\r";
inline constexpr char PARAM_ERROR_ADDR[] = "\n\rОшибка в параметре -addr\n\r";
inline constexpr char PARAM_ERROR_BAUD[] = "\n\rОшибка в параметре -baud\n\r";
inline constexpr char PARAM_ERROR_COM[] = "\n\rОшибка в параметре -com\n\r";
inline constexpr char PARAM_ERROR_PORT[] = "\n\rПорт не найден\n\r";
inline constexpr char PARAM_ERROR_PROT[] = "\n\rОшибка в параметре -prot\n\r";
inline constexpr char PARAM_ERROR_PLAY[] = "\n\rОшибка в параметре --play: нет имени файла\n\r";
inline constexpr char PARAM_ERROR_PACE[] = "\n\rОшибка в параметре --pace: 1, 10 или max\n\r";
// A capture that cannot be played: %1 is the reader's message (file, line, why).
inline constexpr char PLAY_ERROR_TEXT[] =
    "Запись обмена не может быть воспроизведена:\n\r%1\n\r\n\rПриложение будет закрыто!";

inline constexpr char REPORT_ERROR_TEXT[] =
    "Не удалось создать файл отчета\n\r%1\n\r%2\n\r\n\rОбрывы связи не будут записаны.";
inline constexpr char REPORT_WRITE_ERROR_TEXT[] =
    "Не удалось записать в файл отчета\n\r%1\n\r%2\n\r\n\rОбрыв связи в отчет не записан.";
// %1 is the folder.
inline constexpr char REPORT_BUSY_TEXT[] =
    "В папке\n\r%1\n\rуже работает другая копия программы.\n\r"
    "Запустите программу из другой папки.\n\r\n\rПриложение будет закрыто!";
inline constexpr char CONNECT_LOG_ERROR_TEXT[] =
    "Не удалось записать протокол соединения\n\r%1\n\r%2\n\r\n\rПоиск извещателя продолжается.";
inline constexpr char SETTINGS_ERROR_TEXT[] =
    "Не удалось открыть файл настроек\n\r%1\n\r%2\n\r\n\rНастройки не будут прочитаны и сохранены.";
// Why a file of ours was left alone: the second line (%2) of the messages above.
inline constexpr char NOT_REGULAR_DEVICE[] = "Это не обычный файл, а устройство; оно оставлено без изменений.";
inline constexpr char NOT_REGULAR_PIPE[] = "Это не обычный файл, а канал; он оставлен без изменений.";
inline constexpr char NOT_REGULAR_SOCKET[] = "Это не обычный файл, а сокет; он оставлен без изменений.";
inline constexpr char NOT_REGULAR_FOLDER[] = "Это не обычный файл, а папка; она оставлена без изменений.";
// Why the settings file was neither read nor written.
inline constexpr char SETTINGS_TOO_LARGE[] = "Файл больше 1 МБ: это не файл настроек; он оставлен без изменений.";
// Why a write failed: the second line (%2) of the messages above, the capture's and the trend's.
inline constexpr char WRITE_NO_SPACE[] = "Нет места на диске.";
inline constexpr char WRITE_TOO_LARGE[] = "Файл слишком велик для этого диска.";
// Added when a file is replaced whole or not at all.
inline constexpr char WRITE_OLD_KEPT[] = "Прежний файл оставлен без изменений.";
inline constexpr char WRITE_NOTHING_LEFT[] = "Файл не создан.";

// Why ports could not be opened, shown under the explanation when a search found nothing.
// %1 is the port, %2 the program holding it.
inline constexpr char PORT_NO_PERMISSION[] =
    "Нет доступа к порту %1: добавьте пользователя в группу dialout и войдите в систему заново.";
inline constexpr char PORT_BUSY_BY[] = "Порт %1 занят программой %2: закройте её и повторите поиск.";
inline constexpr char PORT_BUSY_MODEMMANAGER[] =
    "Порт %1 занят программой ModemManager: установите правила udev из пакета или остановите ModemManager.";
inline constexpr char PORT_BUSY_BRLTTY[] =
    "Порт %1 занят программой brltty: удалите пакет brltty, он захватывает адаптеры USB.";
inline constexpr char PORT_BUSY[] = "Порт %1 занят другой программой: закройте её и повторите поиск.";
inline constexpr char PORT_GONE[] = "Порт %1 пропал из системы: проверьте кабель USB.";
inline constexpr char PORT_NOT_SERIAL[] = "%1 не является последовательным портом: укажите порт адаптера USB.";
// The exchange capture could not be written: %1 the file, %2 why.
inline constexpr char CAPTURE_ERROR_TEXT[] = "Не удалось записать обмен в файл\n%1\n%2\n\nЗапись обмена остановлена.";
// The exchange capture reached its largest size: %1 the file, %2 the size in MB.
inline constexpr char CAPTURE_FULL_TEXT[] = "Файл записи обмена достиг %2 МБ\n%1\n\nЗапись обмена остановлена.";
