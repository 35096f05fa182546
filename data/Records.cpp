#include "data/Records.h"

const char* const EventKindNames[EventKindCount] = {
    "<--->",
    "<День рождения>",
    "<Радостное событие>",
    "<Грустное событие>",
};

QString EventKindName(int vid) {
    // A kind written elsewhere outside the known range reads as no kind.
    if (vid < 0 || vid >= EventKindCount) return QString::fromUtf8(EventKindNames[0]);
    return QString::fromUtf8(EventKindNames[vid]);
}
