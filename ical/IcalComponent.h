// A libical component owned by a smart pointer.
#pragma once

#include <libical/ical.h>

#include <memory>

struct IcalComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using IcalComponentPtr = std::unique_ptr<icalcomponent, IcalComponentFree>;
