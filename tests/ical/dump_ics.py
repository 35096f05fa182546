#!/usr/bin/python3
# Reads an iCalendar file with the Python package "icalendar" (Debian's
# python3-icalendar), a reader independent of libical, and prints every
# event and to-do with its fields as JSON, for the export test to check.
import json
import sys

import icalendar


def text(component, name):
    value = component.get(name)
    return None if value is None else str(value)


def moment(component, name):
    if component.get(name) is None:
        return None
    return component.decoded(name).isoformat()


def categories(component):
    value = component.get('CATEGORIES')
    if value is None:
        return []
    values = value if isinstance(value, list) else [value]
    out = []
    for v in values:
        out.extend(str(c) for c in getattr(v, 'cats', [v]))
    return out


def rule(component):
    value = component.get('RRULE')
    if value is None:
        return None
    parts = []
    for key in sorted(value):
        parts.append('%s=%s' % (key, ','.join(str(v) for v in value[key])))
    return ';'.join(parts)


def alarm(component):
    trigger = component.get('TRIGGER')
    return {
        'action': text(component, 'ACTION'),
        'description': text(component, 'DESCRIPTION'),
        'trigger': int(component.decoded('TRIGGER').total_seconds()),
        'related': trigger.params.get('RELATED', 'START'),
    }


def main():
    with open(sys.argv[1], 'rb') as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    out = {'prodid': text(calendar, 'PRODID'), 'version': text(calendar, 'VERSION'), 'items': []}
    for c in calendar.subcomponents:
        if c.name not in ('VEVENT', 'VTODO'):
            continue
        out['items'].append({
            'type': c.name,
            'uid': text(c, 'UID'),
            'dtstamp': moment(c, 'DTSTAMP'),
            'dtstart': moment(c, 'DTSTART'),
            'dtend': moment(c, 'DTEND'),
            'due': moment(c, 'DUE'),
            'rrule': rule(c),
            'summary': text(c, 'SUMMARY'),
            'description': text(c, 'DESCRIPTION'),
            'categories': categories(c),
            'status': text(c, 'STATUS'),
            'transp': text(c, 'TRANSP'),
            'category': text(c, 'X-QUILLET-CATEGORY'),
            'alarms': [alarm(a) for a in c.subcomponents if a.name == 'VALARM'],
        })
    json.dump(out, sys.stdout, ensure_ascii=False, sort_keys=True)


main()
