#include "plan/TaskFields.h"

#include "core/EditorRule.h"
#include "data/MemTable.h"

void WriteTaskFields(TMemTable& t, const TaskFields& now, const TaskFields* opened) {
    const bool stored = opened != nullptr;
    const TaskFields was = stored ? *opened : TaskFields();
    auto field = [&](const char* name) { return t.FieldByName(QLatin1String(name)); };
    if (auto v = FieldToWrite(stored, was.needAlert, now.needAlert, now.needAlert))
        field("NEEDALERT").SetBoolean(*v);
    // With the reminder off before and after, the date is not the user's.
    const TDateTime moment = now.needAlert ? now.moment : was.needAlert || !stored ? 0 : was.moment;
    if (auto v = FieldToWrite(stored, was.moment, moment, moment))
        field("DATETIME").SetDateTime(*v);
    if (auto v = FieldToWrite(stored, was.caption, now.caption, now.caption))
        field("CAPTION").SetString(*v);
    if (auto v = FieldToWrite(stored, was.category, now.category, now.category))
        field("CATEGORY").SetString(*v);
    if (auto v = FieldToWrite(stored, was.details, now.details, now.details))
        field("DETAILS").SetString(*v);
    if (auto v = FieldToWrite(stored, was.executed, now.executed, now.executed))
        field("EXECUTED").SetBoolean(*v);
    field("NOTIFIED").SetBoolean(false);
}
