#include "core/Error.h"

QString CurrentErrorText() {
    try {
        throw;
    } catch (const EQuillet& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}
