#!/usr/bin/python3
"""Measures how far Driftline's astronomy is from a modern reference.

First, the Sun, the Moon and the planets of `driftline-cli ephemeris` against the geocentric
apparent places (true equator and equinox of date) of astropy's built-in ephemeris (ERFA:
EPV00 for the Earth and the Sun, MOON98 for the Moon, PLAN94 for the planets).

Second, the right ascension, declination and galactic coordinates that the viewer derives from
azimuth and altitude (`driftline-cli derive`, which ignores precession, nutation, aberration and
refraction) against astropy's full transformation of the same horizontal positions to ICRS and
galactic coordinates, at the default site of the settings.

Needs Debian's python3-astropy (with python3-erfa), for this measurement only; run it with the
system's Python 3:

    /usr/bin/python3 scripts/accuracy_check.py --cli build/driftline-cli

It prints Markdown tables for docs/accuracy.md. No network access is needed: astropy's own IERS
tables are used, and UT1 - UTC is taken as 0 where they end.
"""
import argparse
import math
import os
import re
import statistics
import subprocess
import sys
import tempfile
import warnings

import numpy as np
from astropy import units as u
import erfa
from astropy.coordinates import (AltAz, EarthLocation, Galactic, ICRS, SkyCoord, TETE,
                                 get_body, get_body_barycentric, solar_system_ephemeris)
from astropy.time import Time
from astropy.utils import iers

iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "ignore"
# Dates past the leap-second table are "dubious" to ERFA; UTC is extrapolated, which is fine here.
warnings.filterwarnings("ignore", message=".*dubious year.*")

BODIES = ["Sun", "Moon", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"]
DATES = ["1990-06-15 00:00:00", "2000-01-01 12:00:00", "2010-07-01 00:00:00",
         "2024-03-20 12:00:00", "2035-11-15 06:00:00"]

# The settings' default site: 54 16' 0" N, 2 16' 0" W, 200 m, equinox J2000.
SITE_LAT = 54 + 16 / 60
SITE_LON = -(2 + 16 / 60)
SITE_HEIGHT = 200.0

INI = ("[Latitude]\r\nDegrees=54\r\nMinutes=16\r\nSeconds=0\r\n"
       "[Longitude]\r\nDegrees=-2\r\nMinutes=16\r\nSeconds=0\r\n"
       "[Position]\r\nHeight=200\r\n[Calculations]\r\nEquinox=J2000\r\n")

LINE = re.compile(r"^(RA|Dec):.*=\s*(-?[0-9.]+) deg$")


def separation_arcsec(ra1, dec1, ra2, dec2):
    """Angle between two directions, arc-seconds (all inputs in degrees)."""
    a = SkyCoord(ra1 * u.deg, dec1 * u.deg)
    b = SkyCoord(ra2 * u.deg, dec2 * u.deg)
    return a.separation(b).to(u.arcsec).value


def run_ephemeris(cli, root, body, when):
    out = subprocess.run([cli, "ephemeris", body, "--at", when, "--root", root], check=True,
                         capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        m = LINE.match(line.strip())
        if m:
            values[m.group(1)] = float(m.group(2))
    return values["RA"], values["Dec"]


def geometric_of_date(body, t):
    """Geocentric direction without light time and aberration, true equator and equinox of date
    (right ascension, declination in degrees)."""
    with solar_system_ephemeris.set("builtin"):
        v = (get_body_barycentric(body.lower(), t) - get_body_barycentric("earth", t)).xyz.to(u.au).value
    tt = t.tt
    x, y, z = erfa.pnm06a(tt.jd1, tt.jd2) @ v
    return math.degrees(math.atan2(y, x)) % 360.0, math.degrees(math.atan2(z, math.hypot(x, y)))


def bodies_table(cli, root):
    print("| body | " + " | ".join(d[:10] for d in DATES) + " | largest | largest, geometric |")
    print("|---|" + "---:|" * (len(DATES) + 2))
    for body in BODIES:
        row = []
        geometric = []
        for when in DATES:
            ra, dec = run_ephemeris(cli, root, body, when)
            t = Time(when.replace(" ", "T"), scale="utc")
            with solar_system_ephemeris.set("builtin"):
                ref = get_body(body.lower(), t).transform_to(TETE(obstime=t))
            row.append(separation_arcsec(ra, dec, ref.ra.deg, ref.dec.deg))
            geometric.append(separation_arcsec(ra, dec, *geometric_of_date(body, t)))
        print("| %s | %s | %.1f\" | %.1f\" |" % (body, " | ".join("%.1f\"" % s for s in row), max(row),
                                               max(geometric)))


def write_log(path, start_day, pointings):
    """A log of one session: records at the given (ms, azimuth counts, altitude counts)."""
    with open(path, "w", newline="") as f:
        f.write("Opening session %s (UTC)\r\n" % start_day)
        f.write("Azimuth correction 0\r\nAltitude correction 0\r\n")
        for ms, az, alt in pointings:
            f.write("%d %d %d 1000\r\n" % (ms, az, alt))
        f.write("Closing session\r\n")


def derived_table(cli, root):
    location = EarthLocation.from_geodetic(SITE_LON * u.deg, SITE_LAT * u.deg, SITE_HEIGHT * u.m)
    # Azimuths every 45 degrees at altitudes 15, 40 and 75 degrees, every 3 hours of a day.
    pointings = []
    for hour in range(0, 24, 3):
        for az in range(0, 360, 45):
            for alt in (15, 40, 75):
                pointings.append((hour * 3600000, round(az * 32768 / 360), round(alt * 32768 / 360)))
    print("| session start (UTC) | RA/Dec: median | RA/Dec: largest | galactic: median | galactic: largest |")
    print("|---|---:|---:|---:|---:|")
    for day in ["01/01/2000", "01/07/2010", "20/03/2024", "15/11/2035"]:
        log = os.path.join(root, "Logs", "check.log")
        os.makedirs(os.path.dirname(log), exist_ok=True)
        write_log(log, day, pointings)
        out = subprocess.run([cli, "derive", log, "--root", root], check=True, capture_output=True,
                             text=True).stdout.splitlines()
        rows = [list(map(float, line.split(","))) for line in out[1:] if line]
        times = Time(np.array([r[0] for r in rows]) + 15018.0, format="mjd", scale="utc")  # 1899-12-30 = MJD 15018
        az = np.array([r[1] for r in rows])
        alt = np.array([r[2] for r in rows])
        horizontal = SkyCoord(AltAz(az=az * u.deg, alt=alt * u.deg, obstime=times, location=location,
                                    pressure=0 * u.hPa))
        icrs = horizontal.transform_to(ICRS())
        gal = icrs.transform_to(Galactic())
        dec = np.array([r[4] - 360 if r[4] > 180 else r[4] for r in rows])
        ra = np.array([r[3] for r in rows])
        b = np.array([r[5] - 360 if r[5] > 180 else r[5] for r in rows])
        l = np.array([r[6] for r in rows])
        sep_eq = SkyCoord(ra * u.deg, dec * u.deg).separation(icrs).to(u.arcmin).value
        sep_gal = SkyCoord(l * u.deg, b * u.deg, frame="galactic").separation(gal).to(u.arcmin).value
        print("| %s | %.1f' | %.1f' | %.1f' | %.1f' |" % (
            day, statistics.median(sep_eq), max(sep_eq), statistics.median(sep_gal), max(sep_gal)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(os.path.dirname(__file__), "..", "build", "driftline-cli"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as root:
        with open(os.path.join(root, "ZVK.ini"), "w", newline="") as f:
            f.write(INI)
        print("Sun, Moon and planets: angle between driftline-cli ephemeris and the reference\n")
        bodies_table(args.cli, root)
        print("\nDerived coordinates of the viewer against the full transformation\n")
        derived_table(args.cli, root)


if __name__ == "__main__":
    sys.exit(main())
