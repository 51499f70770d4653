#!/usr/bin/python3
"""Independent ICRS places for Driftline's precise frame, for measuring only.

Computes, per sample and from scratch, the ICRS and galactic place of an observed azimuth and
altitude with Astropy's AltAz -> ICRS transformation (Debian: apt-get install python3-astropy).
Neither the build nor the tests need it.

  icrs_reference.py points
      prints the reference pointings of the unit tests (tests/astro/test_precise.cpp)
  icrs_reference.py point SERIAL AZ ALT [--lat D] [--lon D] [--height M] [--pressure HPA]
                    [--temperature C] [--humidity PCT] [--dut1 S]
      prints the place of one observed azimuth and altitude at a date-time serial (UTC days
      since 1899-12-30)
  icrs_reference.py sweep OUT.log [--start "DD/MM/YYYY"] [--records N]
      writes a log that sweeps the sky: every 7 s a new pointing, azimuth all round, altitude
      3 to 88 degrees (half of the samples below 20 degrees), from 00:00:00 UTC of the start day
  icrs_reference.py compare CSV [--lat D] [--lon D] [--height M] [--pressure HPA]
                    [--temperature C] [--humidity PCT] [--dut1 S] [--every N]
      compares `driftline-cli derive --frame icrs` output (CSV) with Astropy row by row and prints
      the angular separation statistics in arc-seconds

Settings as Driftline takes them: longitude east positive, humidity in percent, radio wavelength
21 cm, polar motion 0 (Astropy's IERS polar motion is switched off to match), UT1-UTC fixed.
"""
import argparse
import csv
import sys
import time

import numpy as np
from astropy import units as u
from astropy.coordinates import AltAz, EarthLocation, Galactic, ICRS, SkyCoord
from astropy.time import Time
from astropy.utils import iers
import astropy.coordinates.erfa_astrom as erfa_astrom

iers.conf.auto_download = False
iers.conf.auto_max_age = None
# Driftline takes polar motion as 0; Astropy would otherwise read it from its IERS table.
erfa_astrom.get_polar_motion = lambda t: (np.zeros(np.shape(t.jd)), np.zeros(np.shape(t.jd)))

SERIAL_TO_MJD = 15018.0  # date-time serial day 0 (1899-12-30) is MJD 15018
WAVELENGTH = 21 * u.cm


def places(serials, az, alt, lat, lon, height, pressure, temperature, humidity, dut1):
    """ICRS ra, dec and galactic l, b (degrees) of arrays of samples, one full transform each."""
    t = Time(np.asarray(serials) + SERIAL_TO_MJD, format="mjd", scale="utc")
    t.delta_ut1_utc = np.full(np.shape(t.jd), dut1)
    site = EarthLocation.from_geodetic(lon * u.deg, lat * u.deg, height * u.m)
    frame = AltAz(obstime=t, location=site, pressure=pressure * u.hPa, temperature=temperature * u.deg_C,
                  relative_humidity=humidity / 100.0, obswl=WAVELENGTH)
    observed = SkyCoord(az=np.asarray(az) * u.deg, alt=np.asarray(alt) * u.deg, frame=frame)
    icrs = observed.transform_to(ICRS())
    gal = icrs.transform_to(Galactic())
    return icrs.ra.deg, icrs.dec.deg, gal.l.deg, gal.b.deg


# The unit tests' pointings: (name, date-time serial, az, alt, lat, lon, height, hPa, C, %, DUT1)
NORTH = (54.0 + 16.0 / 60.0, -(2.0 + 16.0 / 60.0), 200.0)
SOUTH = (-(33.0 + 56.0 / 60.0), 18.0 + 28.0 / 60.0, 10.0)
POINTS = [
    ("north, south meridian 30 deg, refraction", 45371.5, 180.0, 30.0, *NORTH, 990.0, 10.0, 50.0, 0.0),
    ("north, same, no refraction", 45371.5, 180.0, 30.0, *NORTH, 0.0, 10.0, 50.0, 0.0),
    ("north, east-north-east 5 deg, refraction", 45371.5, 75.0, 5.0, *NORTH, 990.0, 10.0, 50.0, 0.0),
    ("north, same, no refraction", 45371.5, 75.0, 5.0, *NORTH, 0.0, 10.0, 50.0, 0.0),
    ("north, DUT1 +0.3 s", 45371.5, 180.0, 30.0, *NORTH, 990.0, 10.0, 50.0, 0.3),
    ("south, 200 deg 60 deg, refraction", 45839.13729745370, 200.0, 60.0, *SOUTH, 1013.0, 20.0, 70.0, 0.0),
    ("south, 120 deg 8 deg, refraction", 45839.13729745370, 120.0, 8.0, *SOUTH, 1013.0, 20.0, 70.0, 0.0),
    ("south, same, no refraction", 45839.13729745370, 120.0, 8.0, *SOUTH, 0.0, 20.0, 70.0, 0.0),
]


def run_points():
    for name, serial, az, alt, lat, lon, height, p, tc, rh, dut1 in POINTS:
        ra, dec, l, b = places([serial], [az], [alt], lat, lon, height, p, tc, rh, dut1)
        print(f"{name}: ra {ra[0]:.9f} dec {dec[0]:.9f} l {l[0]:.9f} b {b[0]:.9f}")


def separation_arcsec(ra1, dec1, ra2, dec2):
    r1, d1, r2, d2 = (np.radians(x) for x in (ra1, dec1, ra2, dec2))
    c = np.sin(d1) * np.sin(d2) + np.cos(d1) * np.cos(d2) * np.cos(r1 - r2)
    s = np.hypot(np.cos(d2) * np.sin(r1 - r2),
                 np.cos(d1) * np.sin(d2) - np.sin(d1) * np.cos(d2) * np.cos(r1 - r2))
    return np.degrees(np.arctan2(s, c)) * 3600.0


def signed(deg):
    """Driftline's lists hold a negative declination or Beta as 360 + value."""
    deg = np.asarray(deg)
    return np.where(deg > 180.0, deg - 360.0, deg)


def run_compare(args):
    with open(args.csv, newline="") as f:
        rows = list(csv.DictReader(f))[:: args.every]
    col = lambda name: np.array([float(r[name]) for r in rows])
    serial, az, alt = col("time"), col("azimuth"), col("altitude")
    start = time.perf_counter()
    ra, dec, l, b = places(serial, az, alt, args.lat, args.lon, args.height, args.pressure, args.temperature,
                           args.humidity, args.dut1)
    elapsed = time.perf_counter() - start
    eq = separation_arcsec(col("right_ascension"), signed(col("declination")), ra, dec)
    gal = separation_arcsec(col("lambda"), signed(col("beta")), l, b)
    print(f"samples {len(rows)}  altitude {alt.min():.2f}..{alt.max():.2f} deg")
    for name, sep in (("ICRS", eq), ("galactic", gal)):
        print(f"{name}: max {sep.max():.4f}\"  median {np.median(sep):.4f}\"  99% {np.percentile(sep, 99):.4f}\"")
    print(f"astropy: {elapsed / len(rows) * 1e6:.1f} microseconds per sample (vectorised)")
    return 0


def run_sweep(args):
    day, month, year = (int(x) for x in args.start.split("/"))
    lines = [f"Opening session {day:02d}/{month:02d}/{year:04d} 00:00:00 (UTC)", "Azimuth correction 0",
             "Altitude correction 0"]
    for i in range(args.records):
        ms = i * 7000
        if ms >= 86400000:
            break
        az = (i * 977) % 32768
        # Altitudes 3..20 degrees for even samples, 20..88 for odd ones.
        alt_deg = 3.0 + (i * 0.731) % 17.0 if i % 2 == 0 else 20.0 + (i * 1.37) % 68.0
        alt = round(alt_deg / 360.0 * 32768)
        lines.append(f"{ms} {az} {alt} {1000 + i % 100}")
    with open(args.out, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("points")
    c = sub.add_parser("compare")
    c.add_argument("csv")
    c.add_argument("--every", type=int, default=1, help="take every N-th row")
    sweep = sub.add_parser("sweep")
    sweep.add_argument("out")
    sweep.add_argument("--start", default="20/03/2024")
    sweep.add_argument("--records", type=int, default=12000)
    one = sub.add_parser("point")
    one.add_argument("serial", type=float)
    one.add_argument("az", type=float)
    one.add_argument("alt", type=float)
    for p in (c, one):
        p.add_argument("--lat", type=float, default=NORTH[0])
        p.add_argument("--lon", type=float, default=NORTH[1])
        p.add_argument("--height", type=float, default=NORTH[2])
        p.add_argument("--pressure", type=float, default=990.0)
        p.add_argument("--temperature", type=float, default=10.0)
        p.add_argument("--humidity", type=float, default=50.0)
        p.add_argument("--dut1", type=float, default=0.0)
    args = parser.parse_args()
    if args.command == "points":
        run_points()
        return 0
    if args.command == "sweep":
        return run_sweep(args)
    if args.command == "point":
        ra, dec, l, b = places([args.serial], [args.az], [args.alt], args.lat, args.lon, args.height, args.pressure,
                               args.temperature, args.humidity, args.dut1)
        print(f"ra {ra[0]:.9f} dec {dec[0]:.9f} l {l[0]:.9f} b {b[0]:.9f}")
        return 0
    return run_compare(args)


if __name__ == "__main__":
    sys.exit(main())
