// The CalDAV client against a local Radicale of its own, with 10,000
// events and 10,000 tasks: the time of a put into an empty calendar and
// into a full one, one at a time and several in flight; the time to ask
// what changed with nothing changed and with one item changed; the time to
// list and fetch the whole calendar. One run, figures printed: the
// server's state grows with every put, so nothing is repeated.
//
// Radicale checks a new item's UID against every item of its calendar, so
// a put of a new item costs time in proportion to the calendar's size and
// 20,000 single puts into an empty calendar take hours. The full calendar
// is therefore loaded by one put of the whole collection (Radicale takes
// a VCALENDAR put at a collection's address as its new content), and the
// single puts are timed as samples at both ends.
//   quillet-caldav-bench [items of each kind, 10000] [in flight, 6] [fsync]
// The server syncs each write to the disk only when told "fsync".
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "caldav/CalDavClient.h"
#include "caldav/DavMultistatus.h"
#include "ical/IcalWriter.h"
#include "tests/support/RadicaleServer.h"

namespace {

struct Stopwatch {
    QElapsedTimer clock;
    Stopwatch() { clock.start(); }
    double Seconds() const { return double(clock.nsecsElapsed()) / 1e9; }
};

ExportSettings Settings() {
    ExportSettings settings;
    settings.identity = QStringLiteral("bench");
    return settings;
}

EventItem Event(int i) {
    EventItem e;
    e.id = i;
    e.caption = QStringLiteral("День рождения №%1").arg(i);
    e.date = EncodeDate(1950 + i % 60, 1 + i % 12, 1 + i % 28);
    return e;
}

TaskItem Task(int i) {
    TaskItem t;
    t.id = i;
    t.caption = QStringLiteral("Задача №%1").arg(i);
    t.needAlert = i % 2 == 0;
    t.when = t.needAlert ? EncodeDateTime(2027, 1 + i % 12, 1 + i % 28, 9, 0, 0, 0) : 0;
    return t;
}

// `count` new items (events and tasks by turns) numbered from `first`.
std::vector<CalDavPut> NewItems(const QString& calendarPath, int first, int count) {
    std::vector<CalDavPut> puts(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        const int i = first + k / 2;
        CalDavPut& put = puts[size_t(k)];
        put.href = calendarPath + QStringLiteral("%1-%2.ics").arg(k % 2 ? "task" : "event").arg(i);
        put.ics = k % 2 ? WriteICalendar({Task(i)}, {}, Settings())
                        : WriteICalendar({}, {Event(i)}, Settings());
    }
    return puts;
}

bool Check(const CalDavResult& r, const char* what) {
    if (r.ok()) return true;
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(r.message));
    return false;
}

// Times single puts and puts several in flight of new items; false on a failure.
bool TimePuts(CalDavClient& client, const QString& calendarPath, int first, int sample,
              int inFlight, const char* where) {
    std::vector<CalDavPut> one = NewItems(calendarPath, first, sample);
    Stopwatch single;
    for (CalDavPut& p : one)
        if (!Check(client.Put(p.href, p.ics, {}, p.etag), "put")) return false;
    std::vector<CalDavPut> many = NewItems(calendarPath, first + sample, sample);
    Stopwatch batch;
    if (!Check(client.PutMany(many, inFlight), "put many")) return false;
    std::printf("new items into %s: %.1f ms a put one at a time, %.1f ms with %d in flight\n",
                where, single.Seconds() * 1000 / sample, batch.Seconds() * 1000 / sample, inFlight);
    return true;
}

// The client's own share of a whole listing: reading the answer.
void TimeReading(int items) {
    QByteArray xml = "<multistatus xmlns=\"DAV:\">";
    for (int i = 0; i < items; ++i)
        xml += "<response><href>/anna/bench/event-" + QByteArray::number(i) +
               "-bench%40quillet.ics</href><propstat><prop><getetag>\"" +
               QByteArray::number(qHash(i), 16).repeated(4) +
               "\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response>";
    xml += "<sync-token>http://radicale.org/ns/sync/1</sync-token></multistatus>";
    DavMultistatus ms;
    QString error;
    Stopwatch reading;
    ReadMultistatus(xml, QStringLiteral("/anna/bench/"), ms, error);
    std::printf("reading a listing of %zu items (%lld KB): %.3f s\n", ms.responses.size(),
                xml.size() / 1024LL, reading.Seconds());
}

bool TimeChanges(CalDavClient& client, const QUrl& calendar) {
    CalDavChanges whole;
    Stopwatch listing;
    if (!Check(client.Changes(calendar, {}, whole), "changes")) return false;
    std::printf("changes without a token (%zu items): %.3f s\n", whole.items.size(),
                listing.Seconds());
    CalDavChanges none;
    Stopwatch unchanged;
    if (!Check(client.Changes(calendar, whole.syncToken, none), "changes")) return false;
    std::printf("changes, nothing changed (%zu items): %.3f s\n", none.items.size(),
                unchanged.Seconds());
    // Items already there put back changed: the first alone, to ask for
    // its change; then the rest of a sample, timed (no UID check, so no
    // cost of the calendar's size).
    QStringList sample;
    for (size_t i = 0; i < std::min<size_t>(25, whole.items.size()); ++i)
        sample << whole.items[i].href;
    std::vector<CalDavItem> items;
    if (!Check(client.Fetch(calendar, sample, items), "fetch") || items.empty()) return false;
    Stopwatch update;
    for (size_t i = 0; i < items.size(); ++i) {
        QString etag;
        if (!Check(client.Put(items[i].href, items[i].ics.replace("№", "#"), items[i].etag, etag),
                   "put"))
            return false;
        if (i > 0) continue;
        CalDavChanges oneChanged;
        Stopwatch changed;
        if (!Check(client.Changes(calendar, whole.syncToken, oneChanged), "changes")) return false;
        std::printf("changes, one changed (%zu items): %.3f s\n", oneChanged.items.size(),
                    changed.Seconds());
        update.clock.restart();
    }
    std::printf("changed items put back: %.1f ms a put\n",
                update.Seconds() * 1000 / double(std::max<size_t>(items.size() - 1, 1)));
    QStringList hrefs;
    for (const CalDavItem& i : whole.items)
        hrefs << i.href;
    std::vector<CalDavItem> fetched;
    Stopwatch fetch;
    if (!Check(client.Fetch(calendar, hrefs, fetched), "fetch")) return false;
    std::printf("fetch of every item (%zu): %.2f s\n", fetched.size(), fetch.Seconds());
    TimeReading(int(whole.items.size()));
    return true;
}

int Run(int count, int inFlight, bool durable) {
    RadicaleServer server;
    server.durable = durable;
    QString error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    CalDavClient client(server.Account(), 600000);
    const QUrl empty = server.MakeCalendar(QStringLiteral("empty"), QStringLiteral("Empty"));
    if (!TimePuts(client, empty.path(), 1, 200, inFlight, "an empty calendar")) return 1;

    const QString full = '/' + RadicaleServer::User() + QStringLiteral("/bench/");
    std::vector<TaskItem> tasks;
    std::vector<EventItem> events;
    for (int i = 1; i <= count; ++i) {
        tasks.push_back(Task(i));
        events.push_back(Event(i));
    }
    const QByteArray all = WriteICalendar(tasks, events, Settings());
    QString etag;
    Stopwatch load;
    if (!Check(client.Put(full, all, {}, etag), "put of the whole calendar")) return 1;
    std::printf("%d events and %d tasks put as one collection: %.1f s\n", count, count,
                load.Seconds());
    if (!TimePuts(client, full, count + 1, 24, inFlight, "the full calendar")) return 1;
    QUrl calendar = server.Url();
    calendar.setPath(full);
    return TimeChanges(client, calendar) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int inFlight = argc > 2 ? std::atoi(argv[2]) : 6;
    const bool durable = argc > 3 && QByteArray(argv[3]) == "fsync";
    return Run(std::max(count, 1), std::max(inFlight, 1), durable);
}
