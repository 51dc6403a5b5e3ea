#!/usr/bin/env python3
"""Writes the demo card's event files (demo/card/YYYYMMDD.csv) for March and April 2025.

The people are those of demo/card/USERS.txt; the ports are the two names of
demo/card/KONFOUT.TXT. Office staff come and go on working days (with lunch breaks, a
double swipe now and then and the odd forgotten exit), the guard works night shifts that
cross midnight, an outside technician visits, and some attempts are denied (unknown card,
wrong PIN). The output is the same on every run.

Usage: python3 demo/make_events.py [CARD_DIR]
"""

import datetime
import os
import random
import struct
import sys

CARD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "card")
FIRST_DAY = datetime.date(2025, 3, 1)
LAST_DAY = datetime.date(2025, 4, 30)
HOLIDAYS = {datetime.date(2025, 4, 21)}  # Easter Monday: the office is closed
HEADER = "ID, DATA, CZAS, WYNIK, OPIS, PORT,"


def read_config(folder):
    ports = {}
    with open(os.path.join(folder, "KONFOUT.TXT"), "rb") as f:
        for raw in f.read().splitlines():
            line = raw.decode("cp1250")
            for key in ("port0=", "port1="):
                if line.startswith(key):
                    ports[key[:-1]] = line[len(key):]
    return ports["port0"], ports["port1"]


def read_users(folder):
    """ID -> (name, has_card), from the user list's records."""
    data = open(os.path.join(folder, "USERS.txt"), "rb").read()
    users, pos = {}, 0
    while pos + 14 <= len(data):
        card = struct.unpack_from("<q", data, pos)[0]
        uid = data[pos + 8:pos + 12].decode("ascii")
        pos = data.index(b"\0", pos + 14) + 1
        end = data.index(b"\r", pos)
        name = data[pos:end].decode("cp1250")
        pos = end + 2
        old = users.get(uid, (name, False))
        users[uid] = (name, old[1] or card != 0)
    return users


class Day:
    def __init__(self, date):
        self.date = date
        self.events = []

    def add(self, seconds, uid, accepted, by_card, detail, port):
        self.events.append((seconds, uid, accepted, by_card, detail, port))

    def lines(self):
        d = self.date
        out = [HEADER]
        for seconds, uid, accepted, by_card, detail, port in sorted(self.events, key=lambda e: e[0]):
            h, m, s = seconds // 3600, seconds // 60 % 60, seconds % 60
            out.append(f"{uid}, {d:%Y-%m-%d}, {h:02d}:{m:02d}:{s:02d}, {1 if accepted else 0}"
                       f"{'k' if by_card else 'p'}, {detail}, {port},")
        return out


def at(rng, hour, minute, spread_minutes):
    """A time near hour:minute, within +/- spread minutes, with random seconds."""
    t = hour * 3600 + minute * 60 + rng.randint(-spread_minutes * 60, spread_minutes * 60)
    return max(0, min(86399, t))


def main():
    rng = random.Random(20250301)
    entrance, exit_ = read_config(CARD)
    users = read_users(CARD)
    days = {}
    d = FIRST_DAY - datetime.timedelta(days=1)
    while d <= LAST_DAY + datetime.timedelta(days=1):
        days[d] = Day(d)
        d += datetime.timedelta(days=1)

    def swipe(date, seconds, uid, port, accepted=True, detail=None):
        name, has_card = users.get(uid, ("", True))
        days[date].add(seconds, uid, accepted, has_card, detail if detail is not None else name, port)

    office = {  # ID: (arrival hour, minute, hours of work)
        "0002": (7, 55, 8.0),
        "0003": (8, 20, 8.5),
        "0004": (8, 45, 8.0),
        "0005": (9, 10, 9.0),
        "0006": (7, 0, 6.0),
    }
    day = FIRST_DAY
    while day <= LAST_DAY:
        working = day.weekday() < 5 and day not in HOLIDAYS
        if working:
            for uid, (hour, minute, hours) in office.items():
                if rng.random() < 0.07:  # a day off
                    continue
                start = at(rng, hour, minute, 12)
                end = min(86399, start + int(hours * 3600) + rng.randint(-900, 1500))
                swipe(day, start, uid, entrance)
                if rng.random() < 0.08:  # the reader did not react at once: a second swipe
                    swipe(day, start + rng.randint(3, 40), uid, entrance)
                if rng.random() < 0.45:  # out for lunch
                    out = at(rng, 12, 30, 25)
                    swipe(day, out, uid, exit_)
                    swipe(day, out + rng.randint(20 * 60, 50 * 60), uid, entrance)
                if rng.random() < 0.04:  # left with a group and did not swipe out
                    continue
                swipe(day, end, uid, exit_)
            if rng.random() < 0.3:  # the administrator comes in by PIN for a short check
                t = at(rng, 14, 0, 90)
                swipe(day, t, "0001", entrance)
                swipe(day, t + rng.randint(600, 2400), "0001", exit_)
            if rng.random() < 0.12:  # a visit of the outside technician
                t = at(rng, 10, 30, 60)
                swipe(day, t, "0007", entrance)
                swipe(day, t + rng.randint(3600, 3 * 3600), "0007", exit_)
        # Denied attempts: an unknown card at the door, a mistyped PIN.
        if rng.random() < 0.25:
            swipe(day, at(rng, 11, 0, 240), "0000", entrance, False,
                  f"nieznana karta {rng.randint(1, 255):03d}{rng.randint(0, 65535):05d}")
        if working and rng.random() < 0.15:
            t = at(rng, 7, 0, 5)
            days[day].add(t - rng.randint(10, 60), "0006", False, False, "błędny PIN", entrance)
        # The guard's night shift: in before 22:00, out after 6:00 the next morning.
        if day.weekday() >= 4 or rng.random() < 0.35:
            swipe(day, at(rng, 21, 50, 8), "0008", entrance)
            swipe(day + datetime.timedelta(days=1), at(rng, 6, 5, 8), "0008", exit_)
        day += datetime.timedelta(days=1)

    for date, content in sorted(days.items()):
        if not FIRST_DAY <= date <= LAST_DAY:
            continue
        path = os.path.join(CARD, f"{date:%Y%m%d}.csv")
        with open(path, "wb") as f:
            f.write("".join(line + "\r\n" for line in content.lines()).encode("cp1250"))
    print(f"wrote {(LAST_DAY - FIRST_DAY).days + 1} event files into {CARD}")


if __name__ == "__main__":
    main()
