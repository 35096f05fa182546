#include "sync/SyncWords.h"

QString SyncFailureWords(const CalDavResult& r) {
    switch (r.kind) {
        case CalDavResult::Ok:
            return {};
        case CalDavResult::Unreachable:
            return QStringLiteral("сервер календарей недоступен.");
        case CalDavResult::Unauthorized:
            return QStringLiteral("сервер не принял имя пользователя или пароль.");
        case CalDavResult::ServerError:
            return QStringLiteral("ошибка на сервере календарей (%1).").arg(r.httpStatus);
        case CalDavResult::Refused:
            return QStringLiteral("адрес без https не разрешён настройками.");
        case CalDavResult::NotFound:
            return QStringLiteral("календарь не найден на сервере.");
        case CalDavResult::PreconditionFailed:
            return QStringLiteral("запись изменилась на сервере.");
        case CalDavResult::BadReply:
            break;
    }
    return r.httpStatus == -1 ? QStringLiteral("нет связи с базой данных.")
                              : QStringLiteral("непонятный ответ сервера календарей.");
}
