#!/usr/bin/python3
"""What `driftline-cli info LOG` does, written as a scientist would write it with numpy.

The yardstick for the whole-process timing of `info`: read a controller log, keep the record
lines under the date in force, derive time, azimuth, altitude, right ascension, declination and
the galactic coordinates (the same formulas: Meeus's horizontal to equatorial, Newcomb's mean
sidereal time, the galactic rotation of the J2000 pole and node, angles cut to whole seconds of
arc) and volts, vectorised, and print the smallest and largest of each over all records and over
the records that carry volts. Not bit for bit the program's values (numpy's own order of
operations), but the same work.

Needs numpy (Debian's python3-numpy) and runs with the system's Python 3:

    /usr/bin/python3 bench/info_numpy.py LOG [--latitude DEG --longitude DEG]
"""
import argparse
import re

import numpy as np

DEGREES_PER_COUNT = 360.0 / 32768.0
VOLTS_PER_COUNT = 10.0 / 4096.0
# J2000 galactic pole and node as radians: phi, sin(theta), cos(theta), psi.
GALACTIC = (4.9368292465, -0.88998808748, 0.45598377618, 0.57477043300)
DATE = re.compile(rb"^(?:Opening session|Date changed) (\d\d)/(\d\d)/(\d{4})")


def serial_date(day, month, year):
    """Days from 30 December 1899 to a Gregorian date."""
    return float((np.datetime64(f"{year:04d}-{month:02d}-{day:02d}") - np.datetime64("1899-12-30")).astype(int))


def read_records(path):
    """The record lines' fields and each record's date, as arrays."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    rows, dates, date = [], [], 0.0
    for line in lines:
        if line[:1].isdigit():
            fields = line.rstrip(b"\r").split(b" ")
            if 3 <= len(fields) <= 4 and all(x.isdigit() for x in fields):
                rows.append(fields if len(fields) == 4 else fields + [b"-1"])
                dates.append(date)
        else:
            m = DATE.match(line)
            if m:
                date = serial_date(int(m[1]), int(m[2]), int(m[3]))
    table = np.array(rows, dtype=np.int64)
    # Fields are unsigned 32-bit: a line with a larger number is no record.
    fits = (table < 2**32).all(axis=1)
    return table[fits], np.array(dates)[fits]


def sidereal_hours(time, longitude):
    """Local mean sidereal time in hours of serial UTC times (Newcomb)."""
    day = np.floor(time)
    jd0 = day + 2415018.5  # Julian day at 0h UT of the serial date
    t = (jd0 - 2415020.0) / 36525.0
    g0 = 6.6460656 + 2400.051262 * t + 0.00002581 * t * t
    g = g0 + (time - day) * 24.0 * 1.002737908
    return np.mod(g + longitude / 15.0, 24.0)


def whole_seconds(deg):
    """Angles folded into [0, 360) and cut to whole seconds of arc."""
    return np.floor(np.mod(deg, 360.0) * 3600.0 + 1e-6) / 3600.0


def derive(table, dates, latitude, longitude):
    ms, az_c, alt_c, volts_c = table.T
    time = dates + ms / 86400000.0
    az = np.radians(az_c * DEGREES_PER_COUNT)
    alt = np.radians(alt_c * DEGREES_PER_COUNT)
    lat = np.radians(latitude)
    sin_dec = np.clip(np.sin(alt) * np.sin(lat) + np.cos(alt) * np.cos(lat) * np.cos(az), -1.0, 1.0)
    dec = whole_seconds(np.degrees(np.arcsin(sin_dec)))
    ha = np.degrees(np.arctan2(-np.cos(alt) * np.sin(az), np.sin(alt) * np.cos(lat) - np.cos(alt) * np.cos(az) * np.sin(lat)))
    ra = np.mod(sidereal_hours(time, longitude) * 15.0 - ha, 360.0)
    phi, sin_t, cos_t, psi = GALACTIC
    a = np.radians(ra) - phi
    b = np.radians(dec)
    cbsa = np.cos(b) * np.sin(a)
    beta = whole_seconds(np.degrees(np.arcsin(np.clip(-sin_t * cbsa + cos_t * np.sin(b), -1.0, 1.0))))
    lam = whole_seconds(np.degrees(np.mod(np.arctan2(cos_t * cbsa + sin_t * np.sin(b), np.cos(b) * np.cos(a)) + psi, 2 * np.pi)))
    volts = np.where(volts_c >= 0, volts_c * VOLTS_PER_COUNT, 0.0)
    return np.column_stack([time, az_c * DEGREES_PER_COUNT, alt_c * DEGREES_PER_COUNT, ra, dec, beta, lam, volts])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("log")
    parser.add_argument("--latitude", type=float, default=54.0 + 16.0 / 60.0)
    parser.add_argument("--longitude", type=float, default=-(2.0 + 16.0 / 60.0))
    args = parser.parse_args()
    table, dates = read_records(args.log)
    samples = derive(table, dates, args.latitude, args.longitude)
    names = ["Time", "Azimuth", "Altitude", "Right ascension", "Declination", "Beta", "Lambda", "Volts"]
    print(f"records: {len(samples)}")
    with_volts = samples[table[:, 3] >= 0]
    print(f"voltage records: {len(with_volts)}")
    for which, s in (("all", samples), ("volts", with_volts)):
        for i, name in enumerate(names):
            print(f"{which} {name}: min {s[:, i].min():.10g} max {s[:, i].max():.10g}")


if __name__ == "__main__":
    main()
