#include "data/SendTrouble.h"

#include <algorithm>

namespace {

// Codes of the client library (iberror.h).
constexpr qint64 Deadlock = 335544336;
constexpr qint64 LockConflictCode = 335544345;
constexpr qint64 UpdateConflict = 335544451;
constexpr qint64 LockTimeout = 335544510;
constexpr qint64 NoDup = 335544349;
constexpr qint64 UniqueKeyViolation = 335544665;

constexpr qint64 NetworkCodes[] = {
    335544721,  // isc_network_error
    335544722,  // isc_net_connect_err
    335544726,  // isc_net_read_err
    335544727,  // isc_net_write_err
    335544648,  // isc_conn_lost
    335544741,  // isc_lost_db_connection
    335544856,  // isc_att_shutdown
    335544528,  // isc_shutdown
    335544971,  // isc_net_server_shutdown
    335544421,  // isc_connect_reject
    335544324,  // isc_bad_db_handle
};

bool has(const std::vector<qint64>& codes, qint64 code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

SendTrouble ClassifySendError(const std::vector<qint64>& codes, bool attachmentAlive) {
    for (qint64 c : NetworkCodes)
        if (has(codes, c)) return SendTrouble::Unreachable;
    if (!attachmentAlive) return SendTrouble::Unreachable;
    if (has(codes, LockConflictCode) || has(codes, UpdateConflict) || has(codes, LockTimeout) ||
        (has(codes, Deadlock) && !IsDuplicateKeyError(codes)))
        return SendTrouble::LockConflict;
    return SendTrouble::Refused;
}

bool IsDuplicateKeyError(const std::vector<qint64>& codes) {
    return has(codes, UniqueKeyViolation) || has(codes, NoDup);
}

QString SendTroubleMessage(SendTrouble trouble, const QString& serverText,
                           const QString& journalPath, const QString& journalError) {
    QString head = QStringLiteral("Не удалось сохранить изменения в базе данных. ");
    QString later;
    switch (trouble) {
        case SendTrouble::None:
            return {};
        case SendTrouble::Unreachable:
            head += QStringLiteral("Сервер базы данных не отвечает.");
            later = QStringLiteral("будут отправлены, как только база данных снова ответит.");
            break;
        case SendTrouble::LockConflict:
            head += QStringLiteral("Запись занята другим подключением к базе данных.");
            later = QStringLiteral("будут отправлены снова, когда запись освободится.");
            break;
        case SendTrouble::Refused:
            head += QStringLiteral("База данных отказалась их принять, и ожидание тут не поможет.");
            later = QStringLiteral(
                "программа будет предлагать их базе данных снова, в том числе при следующем "
                "запуске, но та примет их, только когда причина отказа будет устранена.");
            break;
    }
    QString tail;
    if (journalError.isEmpty())
        tail = QStringLiteral("Изменения сохранены в журнале «%1» и ").arg(journalPath) + later;
    else if (journalPath.isEmpty())
        tail = QStringLiteral(
                   "Записать их в журнал нельзя (%1): пока программа открыта, они "
                   "хранятся только в ней и ")
                   .arg(journalError) +
               later;
    else
        tail = QStringLiteral(
                   "Записать их в журнал «%1» не удалось (%2): пока программа открыта, "
                   "они хранятся только в ней и ")
                   .arg(journalPath, journalError) +
               later;
    if (serverText.isEmpty()) return head + QStringLiteral("\n\n") + tail;
    return head + QStringLiteral("\n\n") + serverText + QStringLiteral("\n\n") + tail;
}
