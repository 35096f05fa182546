#include "bench/BenchData.h"

#include "app/Main.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "data/ChangeSender.h"
#include "tests/support/TestDb.h"

#include <algorithm>

std::vector<FieldDef> BenchTaskFields() {
    return {{"ID", FieldType::Integer},
            {"USER_ID", FieldType::Integer},
            {"NEEDALERT", FieldType::Text, 1, true},
            {"DATETIME", FieldType::DateTime},
            {"CAPTION", FieldType::Text, 100},
            {"CATEGORY", FieldType::Text, 50},
            {"DETAILS", FieldType::Text, 2000},
            {"EXECUTED", FieldType::Text, 1, true},
            {"NOTIFIED", FieldType::Text, 1, true}};
}

std::vector<FieldDef> BenchBirthFields() {
    return {{"ID", FieldType::Integer},        {"USER_ID", FieldType::Integer},
            {"CAPTION", FieldType::Text, 100}, {"DATE", FieldType::DateTime},
            {"VID", FieldType::Integer},       {"CATEGORY", FieldType::Integer},
            {"COMMENT", FieldType::Text, 200}, {"NOTIFIED", FieldType::Text, 1, true}};
}

std::vector<std::vector<Value>> BenchTaskRows(int count, TDateTime now) {
    std::vector<std::vector<Value>> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int kind = i % 10;
        // Half in the past (done or already raised), a tenth undated, the
        // rest ahead.
        const bool past = kind < 5;
        const bool undated = kind == 9;
        const TDateTime when = undated ? 0 : now + (past ? -1 : 1) * (1 + i % 400) * 0.37;
        rows.push_back({Value::FromInt(100000 + i), Value::FromInt(1),
                        Value::FromText(FlagText(!undated)), Value::FromFloat(when),
                        Value::FromText(QStringLiteral("Задание номер %1 — позвонить").arg(i)),
                        Value::FromText(i % 3 ? QStringLiteral("Работа") : QStringLiteral("Дом")),
                        Value::FromText(QStringLiteral("Подробности задания %1").arg(i)),
                        Value::FromText(FlagText(past && kind % 2 == 0)),
                        Value::FromText(FlagText(past))});
    }
    return rows;
}

std::vector<std::vector<Value>> BenchBirthRows(int count, TDateTime now) {
    std::vector<std::vector<Value>> rows;
    const DateParts today = DecodeDate(now);
    for (int i = 0; i < count; ++i) {
        const int month = 1 + i % 12;
        // Events of the months so far were announced; the rest lie ahead.
        rows.push_back({Value::FromInt(200000 + i), Value::FromInt(1),
                        Value::FromText(QStringLiteral("День рождения %1").arg(i)),
                        Value::FromFloat(EncodeDate(1950 + i % 60, month, 1 + i % 28)),
                        Value::FromInt(i % 4), Value::FromInt(1 + i % 10),
                        Value::FromText(QStringLiteral("Комментарий")),
                        Value::FromText(FlagText(month <= today.month))});
    }
    return rows;
}

void AppendBenchRows(TMemTable& table, const std::vector<std::vector<Value>>& rows) {
    for (const auto& row : rows) {
        table.Append();
        for (int c = 0; c < int(row.size()); ++c) {
            TField f(&table, c);
            const Value& v = row[size_t(c)];
            if (v.kind() == Value::Int)
                f.SetInteger(v.toInt());
            else if (v.kind() == Value::Float)
                f.SetFloat(v.toFloat());
            else
                f.SetString(v.toText());
        }
        table.Post();
    }
}

void LoadBenchTablesInMemory(TDM& dm, int tasks, int events, TDateTime now) {
    static TestDb db;
    db.useAsExeDir();
    if (!dm.IsConnected()) dm.Connect();
    dm.cdsTask.Load(BenchTaskFields(), BenchTaskRows(tasks, now));
    dm.cdsBirth.Load(BenchBirthFields(), BenchBirthRows(events, now));
}

BenchProgram::BenchProgram(int tasks, int events, TDateTime now) {
    Clock::Freeze(now);
    DM = &dm;
    LoadBenchTablesInMemory(dm, tasks, events, now);
    window = std::make_unique<TfrmMain>();
    frmMain = window.get();
}

BenchProgram::~BenchProgram() {
    frmMain = nullptr;
    window.reset();
    DM = nullptr;
    Clock::Reset();
}

void StoreBenchTasks(TDM& dm, int count, TDateTime now) {
    auto rows = BenchTaskRows(count, now);
    const std::vector<int> ids = dm.NewTaskIds(count);
    for (int i = 0; i < count; ++i)
        rows[size_t(i)][0] = Value::FromInt(ids[size_t(i)]);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a[3].toFloat() < b[3].toFloat(); });
    AppendBenchRows(dm.cdsTask, rows);
    if (!dm.SendPending()) throw EQuillet(QStringLiteral("the bench tasks were not stored"));
}

void RestoreTaskRows(TDM& dm, const std::vector<std::vector<Value>>& rows) {
    // A table without a sort order of its own takes each row at its end.
    TMemTable t(QStringLiteral("TASK"), QStringLiteral("ID"));
    t.LoadColumns(dm.cdsTask.Fields(), {});
    for (const auto& row : rows) {
        t.Append();
        for (int c = 0; c < int(row.size()); ++c)
            TField(&t, c).SetValue(row[size_t(c)]);
        t.Post();
    }
    ChangeSender sender(dm.xConnection, t, 0, {});
    QString failure;
    if (sender.Send(failure) != SendTrouble::None) throw EQuillet(failure);
}
