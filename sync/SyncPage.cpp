#include "sync/SyncPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include "platform/SecretStore.h"
#include "sync/SyncWords.h"

TSyncPage::TSyncPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tshSync"));
    edServer = new QLineEdit(this);
    edServer->setObjectName(QStringLiteral("edServer"));
    edServer->setPlaceholderText(QStringLiteral("https://..."));
    edUser = new QLineEdit(this);
    edUser->setObjectName(QStringLiteral("edUser"));
    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    btnCheck = new QPushButton(QStringLiteral("Проверить"), this);
    btnCheck->setObjectName(QStringLiteral("btnCheck"));
    lbCheck = new QLabel(this);
    lbCheck->setObjectName(QStringLiteral("lbCheck"));
    lbCheck->setWordWrap(true);
    cbEvents = new QComboBox(this);
    cbEvents->setObjectName(QStringLiteral("cbEvents"));
    cbTasks = new QComboBox(this);
    cbTasks->setObjectName(QStringLiteral("cbTasks"));
    chbEnabled = new QCheckBox(QStringLiteral("Синхронизировать каждые"), this);
    chbEnabled->setObjectName(QStringLiteral("chbEnabled"));
    udPeriod = new QSpinBox(this);
    udPeriod->setObjectName(QStringLiteral("udPeriod"));
    udPeriod->setRange(1, 1440);
    udPeriod->setSuffix(QStringLiteral(" мин."));
    chbPlainHttp = new QCheckBox(
        QStringLiteral("Разрешить http без шифрования (пароль передаётся в открытом виде)"), this);
    chbPlainHttp->setObjectName(QStringLiteral("chbPlainHttp"));

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Сервер:"), edServer);
    form->addRow(QStringLiteral("Пользователь:"), edUser);
    form->addRow(QStringLiteral("Пароль:"), edPassword);
    form->addRow(btnCheck, lbCheck);
    form->addRow(QStringLiteral("События:"), cbEvents);
    form->addRow(QStringLiteral("Задания:"), cbTasks);
    auto* period = new QHBoxLayout;
    period->addWidget(chbEnabled);
    period->addWidget(udPeriod);
    period->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    layout->addLayout(form);
    layout->addLayout(period);
    layout->addWidget(chbPlainHttp);
    layout->addStretch(1);
    connect(btnCheck, &QPushButton::clicked, this, &TSyncPage::btnCheckClick);
}

void TSyncPage::SetCalendar(QComboBox* box, const QString& url) {
    box->clear();
    if (!url.isEmpty()) box->addItem(url, url);
}

void TSyncPage::Load() {
    const SyncOptions o = ReadSyncOptions();
    edServer->setText(o.server);
    edUser->setText(o.user);
    edPassword->setText(o.server.isEmpty() ? QString() : SecretStore::Lookup(o.server, o.user));
    SetCalendar(cbEvents, o.eventsCalendar);
    SetCalendar(cbTasks, o.tasksCalendar);
    chbEnabled->setChecked(o.enabled);
    udPeriod->setValue(o.periodMin);
    chbPlainHttp->setChecked(o.allowPlainHttp);
    lbCheck->clear();
}

SyncOptions TSyncPage::Store() {
    SyncOptions o;
    o.enabled = chbEnabled->isChecked();
    o.server = edServer->text().trimmed();
    o.user = edUser->text().trimmed();
    o.eventsCalendar = cbEvents->currentData().toString();
    o.tasksCalendar = cbTasks->currentData().toString();
    o.periodMin = udPeriod->value();
    o.allowPlainHttp = chbPlainHttp->isChecked();
    WriteSyncOptions(o);
    if (!o.server.isEmpty() && !edPassword->text().isEmpty())
        SecretStore::Store(o.server, o.user, edPassword->text());
    return o;
}

CalDavAccount TSyncPage::Account() const {
    CalDavAccount a;
    a.server = QUrl(edServer->text().trimmed());
    a.user = edUser->text().trimmed();
    a.password = edPassword->text();
    a.allowPlainHttp = chbPlainHttp->isChecked();
    return a;
}

void TSyncPage::btnCheckClick() {
    if (checking_) return;
    checking_ = true;
    btnCheck->setEnabled(false);
    lbCheck->setText(QStringLiteral("Поиск календарей..."));
    QPointer<TSyncPage> self(this);
    QThread* thread = QThread::create([self, account = Account()] {
        std::vector<CalDavCalendar> calendars;
        CalDavClient client(account);
        const CalDavResult r = client.Discover(calendars);
        QMetaObject::invokeMethod(qApp, [self, r, calendars] {
            if (self) self->ShowCalendars(r, calendars);
        });
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void TSyncPage::ShowCalendars(const CalDavResult& r, const std::vector<CalDavCalendar>& found) {
    checking_ = false;
    btnCheck->setEnabled(true);
    if (!r.ok()) {
        lbCheck->setText(SyncFailureWords(r));
        emit CheckDone(false);
        return;
    }
    const QString events = cbEvents->currentData().toString();
    const QString tasks = cbTasks->currentData().toString();
    cbEvents->clear();
    cbTasks->clear();
    for (const CalDavCalendar& c : found) {
        const QString url = c.url.toString();
        const QString name = c.displayName.isEmpty() ? c.url.path() : c.displayName;
        if (c.events) cbEvents->addItem(name, url);
        if (c.todos) cbTasks->addItem(name, url);
    }
    // The earlier choice stays chosen while the server still has it.
    if (const int i = cbEvents->findData(events); i >= 0) cbEvents->setCurrentIndex(i);
    if (const int i = cbTasks->findData(tasks); i >= 0) cbTasks->setCurrentIndex(i);
    lbCheck->setText(QStringLiteral("Найдено календарей: %1").arg(found.size()));
    emit CheckDone(true);
}
