// libsecret's headers first: GLib names a member "signals", which Qt's
// headers would turn into a keyword.
#include <libsecret/secret.h>

#include "platform/SecretStore.h"

#include <QHash>
#include <QMutex>

namespace {

const SecretSchema* schema() {
    static const SecretSchema s = {"org.quillet.CalDav",
                                   SECRET_SCHEMA_NONE,
                                   {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

QMutex mutex;
int available = -1;  // not yet asked
QHash<QString, QString> memory;

QString keyOf(const QString& server, const QString& user) {
    return server + QChar(0) + user;
}

// A call to the store; false (and the store taken as absent) when it fails.
bool answered(GError* error) {
    if (!error) return true;
    g_error_free(error);
    return false;
}

}  // namespace

bool SecretStore::Available() {
    QMutexLocker lock(&mutex);
    if (available < 0) {
        GError* error = nullptr;
        SecretService* service =
            secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
        available = answered(error) && service ? 1 : 0;
        if (service) g_object_unref(service);
    }
    return available == 1;
}

bool SecretStore::Store(const QString& server, const QString& user, const QString& password) {
    if (Available()) {
        GError* error = nullptr;
        const QString label = QStringLiteral("Quillet: %1 (%2)").arg(server, user);
        const bool stored = secret_password_store_sync(
            schema(), SECRET_COLLECTION_DEFAULT, label.toUtf8().constData(),
            password.toUtf8().constData(), nullptr, &error, "server", server.toUtf8().constData(),
            "user", user.toUtf8().constData(), nullptr);
        if (answered(error) && stored) {
            QMutexLocker lock(&mutex);
            memory.remove(keyOf(server, user));
            return true;
        }
    }
    QMutexLocker lock(&mutex);
    memory.insert(keyOf(server, user), password);
    return false;
}

QString SecretStore::Lookup(const QString& server, const QString& user) {
    {
        QMutexLocker lock(&mutex);
        const auto kept = memory.constFind(keyOf(server, user));
        if (kept != memory.cend()) return *kept;
    }
    if (!Available()) return {};
    GError* error = nullptr;
    gchar* found = secret_password_lookup_sync(schema(), nullptr, &error, "server",
                                               server.toUtf8().constData(), "user",
                                               user.toUtf8().constData(), nullptr);
    QString password;
    if (answered(error) && found) password = QString::fromUtf8(found);
    if (found) secret_password_free(found);
    return password;
}

void SecretStore::Clear(const QString& server, const QString& user) {
    {
        QMutexLocker lock(&mutex);
        memory.remove(keyOf(server, user));
    }
    if (!Available()) return;
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "server", server.toUtf8().constData(),
                               "user", user.toUtf8().constData(), nullptr);
    answered(error);
}

void SecretStore::ResetForTests() {
    QMutexLocker lock(&mutex);
    available = -1;
    memory.clear();
}
