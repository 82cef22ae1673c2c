"""Parses an iCalendar feed with the icalendar package and prints what it holds.

Usage: check_ics.py FEED
Prints one line for the calendar and one per event, fields separated by tabs:
  CALENDAR  version  prodid  calscale  calendar name
  EVENT     uid  dtstamp  dtstart  dtend  rrule  url  first occurrences  summary
Parts of a RRULE are printed with FREQ first and the others in alphabetical order.
Dates are YYYY-MM-DD; an absent property is "-"; the first occurrences are the first four
dates of a recurring event (expanded with dateutil), joined by ",". Exits 1 with the error
when the feed does not parse or lacks a required property.
"""
import datetime
import sys

from dateutil import rrule
from icalendar import Calendar


def text(value):
    if value is None:
        return "-"
    return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def day(event, name):
    if name not in event:
        return "-"
    value = event.decoded(name)
    if isinstance(value, datetime.datetime):
        return "not a date: " + value.isoformat()
    return value.isoformat()


def stamp(event):
    value = event.decoded("dtstamp")
    if value.tzinfo is None or value.utcoffset() != datetime.timedelta(0):
        return "not UTC: " + value.isoformat()
    return value.strftime("%Y%m%dT%H%M%SZ")


def recurrence(event):
    """The RRULE with FREQ first and the other parts in alphabetical order."""
    if "rrule" not in event:
        return "-"
    parts = event.get("rrule").to_ical().decode().split(";")
    return ";".join(sorted(parts, key=lambda part: (not part.startswith("FREQ="), part)))


def occurrences(event):
    if "rrule" not in event:
        return "-"
    rule = event.get("rrule").to_ical().decode()
    start = datetime.datetime.combine(event.decoded("dtstart"), datetime.time())
    dates = rrule.rrulestr(rule, dtstart=start)
    return ",".join(d.date().isoformat() for d in dates[:4])


def check(calendar):
    """The parser skips what it cannot read and keeps a list: any entry fails the feed, and
    so does a property that RFC 5545 requires."""
    if calendar.name != "VCALENDAR":
        raise ValueError("not a VCALENDAR: " + calendar.name)
    for component in calendar.walk():
        if component.errors:
            raise ValueError("%s: %s" % (component.name, component.errors))
    for name in ("version", "prodid"):
        if name not in calendar:
            raise ValueError("VCALENDAR without " + name.upper())
    for event in calendar.walk("VEVENT"):
        for name in ("uid", "dtstamp", "dtstart"):
            if name not in event:
                raise ValueError("VEVENT without " + name.upper())


def main():
    with open(sys.argv[1], "rb") as feed:
        calendar = Calendar.from_ical(feed.read())
    check(calendar)
    print("\t".join(["CALENDAR", text(calendar.get("version")), text(calendar.get("prodid")),
                     text(calendar.get("calscale")), text(calendar.get("x-wr-calname"))]))
    for event in calendar.walk("VEVENT"):
        print("\t".join(["EVENT", text(event.get("uid")), stamp(event), day(event, "dtstart"),
                         day(event, "dtend"), recurrence(event),
                         text(event.get("url")), occurrences(event), text(event.get("summary"))]))


if __name__ == "__main__":
    try:
        main()
    except Exception as error:  # the test shows whatever went wrong
        print("error: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
