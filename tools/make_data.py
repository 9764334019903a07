#!/usr/bin/env python3
"""Writes the physical data files of the engine and the spectrum model.

    python3 tools/make_data.py [output-folder]

The folder defaults to data/ beside this script's parent folder. The files are
written byte for byte the same on every run with the same xraylib, so the
committed copies in data/ can be checked by regenerating them (the data tests
do this). data/README.md states where every number comes from.

Cross sections, attenuation coefficients and form factors come from xraylib
(Debian package python3-xraylib, 4.0.0), whose photon cross sections follow
NIST XCOM. The air energy-absorption coefficients are typed in from the NIST
table of Hubbell and Seltzer, the dose-equivalent conversion coefficients from
ICRP Publication 74 and the tube outputs from the published figures listed in
survey_outputs(). All records end with CR LF, as every file of the system does.
"""

import math
import os
import sys
from decimal import ROUND_HALF_UP, Decimal

try:
    import xraylib
except ImportError:  # the message names the Debian package that supplies it
    sys.exit("make_data.py needs xraylib: install the Debian package python3-xraylib")

RECORD_END = "\r\n"

# ---------------------------------------------------------------------------
# Fortran edit descriptors (exact ties are rounded away from zero, decided on
# the exact binary value, as the programs' own writers do)
# ---------------------------------------------------------------------------


def _mantissa_exponent(value, digits, scale):
    """Digits of |value| rounded to `digits` significant figures, and the
    exponent for a mantissa with `scale` digits before the point (0 gives the
    0.ddd form of Ew.d, 1 the d.ddd form of 1PEw.d)."""
    exact = abs(Decimal(value))
    if exact == 0:
        return "0" * digits, 0
    exponent = exact.adjusted() + 1  # exact = 0.ddd... x 10^exponent
    rounded = exact.scaleb(-exponent).quantize(Decimal(1).scaleb(-digits), ROUND_HALF_UP)
    if rounded >= 1:  # 0.9995 -> 1.000: carry into the exponent
        exponent += 1
        rounded = exact.scaleb(-exponent).quantize(Decimal(1).scaleb(-digits), ROUND_HALF_UP)
    text = format(rounded, "f")[2:]  # the digits after "0."
    return text, exponent - scale


def _exponent_text(exponent):
    if abs(exponent) <= 99:
        return "E%+03d" % exponent
    return "%+04d" % exponent


def _fit(text, width):
    """The field right-aligned in `width` columns, or asterisks when too long."""
    return "*" * width if len(text) > width else text.rjust(width)


def fortran_e(value, width, decimals):
    """Ew.d: " 0.1234E-03" for 0.0001234 in E11.4; the zero before the point
    is dropped when the width leaves no room for it."""
    digits, exponent = _mantissa_exponent(value, decimals, 0)
    sign = "-" if value < 0 else ""
    text = sign + "0." + digits + _exponent_text(exponent)
    if len(text) > width:
        text = sign + "." + digits + _exponent_text(exponent)
    return _fit(text, width)


def fortran_1pe(value, width, decimals):
    """1PEw.d: one digit before the point, "1.002E+02" in 1PE9.3. An Ew.d
    reader reads it as written, since the exponent is given."""
    digits, exponent = _mantissa_exponent(value, decimals + 1, 1)
    sign = "-" if value < 0 else ""
    return _fit(sign + digits[0] + "." + digits[1:] + _exponent_text(exponent), width)


def fortran_f(value, width, decimals):
    """Fw.d, rounded half away from zero on the exact value."""
    exact = Decimal(value).quantize(Decimal(1).scaleb(-decimals), ROUND_HALF_UP)
    text = format(exact, "f")
    if text.startswith("-0.") and exact == 0:
        text = text[1:]
    if len(text) > width and text.startswith("0."):
        text = text[1:]
    return _fit(text, width)


def fortran_i(value, width):
    return _fit("%d" % value, width)


def check_widths(name, records, widths):
    """Refuses to write a fixed-column file whose lines do not have the widths
    of their formats or hold a field that overflowed to asterisks; `widths`
    gives the width of each line, the last width standing for the rest."""
    for number, record in enumerate(records, start=1):
        width = widths[min(number, len(widths)) - 1]
        if len(record) != width or "*" in record:
            sys.exit("%s line %d: %r is not %d columns of numbers" % (name, number, record, width))


def write_records(folder, name, records):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="ascii", newline="") as out:
        for record in records:
            out.write(record + RECORD_END)


# ---------------------------------------------------------------------------
# Published inputs
# ---------------------------------------------------------------------------

# ICRU Report 44 soft tissue: mass fractions and density (g/cm3).
SOFT_TISSUE = [(1, 0.102), (6, 0.143), (7, 0.034), (8, 0.708), (11, 0.002),
               (15, 0.003), (16, 0.003), (17, 0.002), (19, 0.003)]
SOFT_TISSUE_DENSITY = 1.06

# Energies (keV) of the cross-section rows: from 5 keV, where the transport
# stops, to 200 keV, above the highest photon energy of 150 keV. 25 rows, the
# most the engine holds; every energy is exact in three significant figures.
CROSS_SECTION_ENERGIES = [5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 45, 50,
                          60, 70, 80, 90, 100, 120, 150, 200]

# Momentum transfer x = sin(theta/2)/lambda (1/Angstrom) of the 45 form-factor
# rows: steps of 0.025 up to 0.5 where the squared form factor of the tissue
# falls fastest, then coarser, and past 10 (150 keV photons reach 12.1).
FORM_FACTOR_X = ([0.025 * i for i in range(21)] + [0.5 + 0.05 * i for i in range(1, 11)]
                 + [1.2, 1.4, 1.6, 1.8, 2.0, 2.5, 3.0, 3.5, 4.0, 5.0, 6.0, 8.0, 10.0, 12.0])

# NIST X-ray mass attenuation coefficients (J. H. Hubbell and S. M. Seltzer,
# NISTIR 5632, NIST Standard Reference Database 126, data of July 2004),
# Table 4, "Air, Dry (Near Sea Level)": photon energy in keV and mu_en/rho in
# cm2/g. The argon K edge at 3.2029 keV is listed twice, below and above it.
AIR_MU_EN = [
    (1.0, 3.599e3), (1.5, 1.188e3), (2.0, 5.262e2), (3.0, 1.614e2),
    (3.2029, 1.330e2), (3.2029, 1.460e2), (4.0, 7.636e1), (5.0, 3.931e1),
    (6.0, 2.270e1), (8.0, 9.446e0), (10.0, 4.742e0), (15.0, 1.334e0),
    (20.0, 5.389e-1), (30.0, 1.537e-1), (40.0, 6.833e-2), (50.0, 4.098e-2),
    (60.0, 3.041e-2), (80.0, 2.407e-2), (100.0, 2.325e-2), (150.0, 2.496e-2),
    (200.0, 2.672e-2),
]

# ICRP Publication 74, Annex A: ambient dose equivalent per air kerma
# H*(10)/Ka (Sv/Gy) for photons; energy in keV.
ICRP74_AMBIENT = [(10, 0.008), (15, 0.26), (20, 0.61), (30, 1.10), (40, 1.47), (50, 1.67),
                  (60, 1.74), (80, 1.72), (100, 1.65), (150, 1.49), (200, 1.40)]

# Attenuating materials of the spectrum model: file, atomic number, density.
MATERIALS = [("Tungsten.dat", 74, 19.3), ("Aluminum.atc", 13, 2.699), ("Copper.dat", 29, 8.96)]

# Tube outputs, air kerma per mAs at 100 cm (uGy/mAs), modelled for the IEC
# 61267 RQR beam qualities of a constant-potential tungsten tube.
RQR_OUTPUT = [(40, 16.6), (60, 39.8), (80, 57.8), (100, 81.0), (120, 103.7), (150, 142.6)]
# Exponent of the kV dependence of the output in the survey of about 40
# radiographic units (0.008373 kV^1.983 uGy/mAs at 40 inches).
SURVEY_KV_EXPONENT = 1.983
# mAs of a single-phase full-wave generator for the dose of a high-frequency
# one: 1.4 times at 70 kV and 1.2 times at 100 kV.
SINGLE_PHASE_MAS_FACTOR = [(70, 1.4), (100, 1.2)]
SURVEY_VOLTAGES = [40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150]
REFERENCE_FILTRATION_MM = (2.5, 0.0)  # mm Al, mm Cu, for all three columns
W_AIR = 33.97  # J/C: Y x 33.97 is the air kerma in Gy

# ---------------------------------------------------------------------------
# Quantities
# ---------------------------------------------------------------------------


def tissue_mass_coefficients(energy_kev):
    """Coherent, incoherent and photoelectric mass coefficients (cm2/g) of the
    tissue, weighted by mass fraction."""
    coherent = sum(w * xraylib.CS_Rayl(z, energy_kev) for z, w in SOFT_TISSUE)
    incoherent = sum(w * xraylib.CS_Compt(z, energy_kev) for z, w in SOFT_TISSUE)
    photo = sum(w * xraylib.CS_Photo(z, energy_kev) for z, w in SOFT_TISSUE)
    return coherent, incoherent, photo


def tissue_squared_form_factor(x):
    """Squared coherent form factor of the tissue, each element weighted by its
    mass fraction over its atomic weight (independent atoms)."""
    return sum(w / xraylib.AtomicWeight(z) * xraylib.FF_Rayl(z, x) ** 2 for z, w in SOFT_TISSUE)


def tissue_incoherent_function(x):
    """Incoherent scattering function of the tissue, weighted as above; 0 at x = 0."""
    if x <= 0:
        return 0.0
    return sum(w / xraylib.AtomicWeight(z) * xraylib.SF_Compt(z, x) for z, w in SOFT_TISSUE)


def cumulative_coherent(xs, steps=200):
    """A(x): integral of the squared form factor over x^2, from 0 to each x,
    by Simpson's rule in x^2 with `steps` (even) intervals per row interval."""
    totals = [0.0]
    for lower, upper in zip(xs, xs[1:]):
        a, b = lower * lower, upper * upper
        h = (b - a) / steps
        area = tissue_squared_form_factor(math.sqrt(a)) + tissue_squared_form_factor(math.sqrt(b))
        for j in range(1, steps):
            area += (4 if j % 2 else 2) * tissue_squared_form_factor(math.sqrt(a + j * h))
        totals.append(totals[-1] + area * h / 3)
    return totals


def log_log(points, energy):
    """Log-log interpolation in a table of (energy, value) with ascending
    energies; the end segments extend the table. An energy listed twice (an
    absorption edge) is a step: below it the segment ending at the first entry
    is used, at and above it the segment starting at the second."""
    index = 1
    while index < len(points) - 1 and energy >= points[index][0]:
        index += 1
    (e0, v0), (e1, v1) = points[index - 1], points[index]
    t = math.log(energy / e0) / math.log(e1 / e0)
    return math.exp(math.log(v0) + t * (math.log(v1) - math.log(v0)))


def air_mu_en(energy_kev):
    return log_log(AIR_MU_EN, energy_kev)


def ambient_dose_per_kerma(energy_kev):
    """H*(10)/Ka: 0 below the first tabulated energy of 10 keV."""
    if energy_kev < ICRP74_AMBIENT[0][0]:
        return 0.0
    return log_log(ICRP74_AMBIENT, energy_kev)


def constant_potential_output(kv):
    """Air kerma per mAs at 100 cm (uGy/mAs), log-log between the RQR values."""
    return log_log(RQR_OUTPUT, kv)


def twelve_peak_factor():
    """Output of a three-phase 12-peak generator relative to constant
    potential: the mean of (V/kVp)^n over the waveform phases 75..90 degrees
    that the spectrum model uses, with n the survey's kV exponent."""
    phases = range(75, 91)
    return sum(math.sin(math.radians(p)) ** SURVEY_KV_EXPONENT for p in phases) / len(phases)


def single_phase_mas_factor(kv):
    """mAs factor of single-phase full-wave: linear in kV between the two
    published figures and held at the nearer figure outside them."""
    (v0, f0), (v1, f1) = SINGLE_PHASE_MAS_FACTOR
    if kv <= v0:
        return f0
    if kv >= v1:
        return f1
    return f0 + (f1 - f0) * (kv - v0) / (v1 - v0)


def survey_outputs():
    """Columns of the survey table in uGy/mAs at 100 cm, per mode."""
    cp = [constant_potential_output(v) for v in SURVEY_VOLTAGES]
    twelve = [k * twelve_peak_factor() for k in cp]
    single = [k / single_phase_mas_factor(v) for k, v in zip(cp, SURVEY_VOLTAGES)]
    return [cp, twelve, single]


# ---------------------------------------------------------------------------
# Files
# ---------------------------------------------------------------------------


def icru_soft_records():
    if len(CROSS_SECTION_ENERGIES) > 25 or len(FORM_FACTOR_X) != 45 or FORM_FACTOR_X[-1] <= 10:
        sys.exit("ICRUSoft.dat: at most 25 cross-section rows and 45 form-factor rows past x = 10")
    records = [fortran_i(len(CROSS_SECTION_ENERGIES), 3),
               fortran_f(SOFT_TISSUE_DENSITY, 9, 6)]
    for energy in CROSS_SECTION_ENERGIES:
        linear = [c * SOFT_TISSUE_DENSITY for c in tissue_mass_coefficients(float(energy))]
        records.append(fortran_e(energy / 1000.0, 9, 3)
                       + "".join(fortran_e(v, 10, 3) for v in linear))
    cumulative = cumulative_coherent(FORM_FACTOR_X)
    for x, a in zip(FORM_FACTOR_X, cumulative):
        records.append(fortran_e(x, 10, 3) + fortran_e(a, 12, 5)
                       + fortran_e(tissue_incoherent_function(x), 12, 5))
    return records


def air_records():
    return [fortran_e(0.5 * r, 10, 4) + fortran_e(air_mu_en(0.5 * r), 15, 6)
            for r in range(1, 301)]


def ak2sv_records():
    # The energies are written with one digit before the point so that all
    # four significant figures of 100.2 ... 199.8 keV survive.
    energies = [i / 5.0 for i in range(1001)]  # exact multiples of 0.2: 10 is 10
    return [fortran_1pe(e, 9, 3) + fortran_e(ambient_dose_per_kerma(e), 12, 5) for e in energies]


def material_records(atomic_number, density):
    return ["%s, %s" % (fortran_f(0.5 * i, 5, 1).strip(),
                        fortran_e(xraylib.CS_Total(atomic_number, 0.5 * i) * density, 12, 6))
            for i in range(1, 301)]


def survey_records():
    header = ("Tube output survey: kV; per mode (constant potential, three-phase 12-peak,"
              " single-phase full-wave) output per mAs at 100 cm in C/kg (x 33.97 = Gy),"
              " then reference filtration mm Al, mm Cu")
    records = [header, ", ".join("%d" % v for v in SURVEY_VOLTAGES)]
    for column in survey_outputs():
        records.append(", ".join(fortran_e(k * 1e-6 / W_AIR, 11, 5).strip() for k in column))
        records.append(", ".join(fortran_f(t, 4, 1).strip() for t in REFERENCE_FILTRATION_MM))
    return records


def main(argv):
    if len(argv) > 2:
        sys.exit("usage: make_data.py [output-folder]")
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) == 2 else os.path.join(os.path.dirname(here), "data")
    os.makedirs(folder, exist_ok=True)
    icru_soft = icru_soft_records()
    rows = len(CROSS_SECTION_ENERGIES)
    check_widths("ICRUSoft.dat", icru_soft, [3, 9] + [39] * rows + [34] * len(FORM_FACTOR_X))
    write_records(folder, "ICRUSoft.dat", icru_soft)
    air = air_records()
    check_widths("Air.eac", air, [25])
    write_records(folder, "Air.eac", air)
    ak2sv = ak2sv_records()
    check_widths("Ak2Sv.dat", ak2sv, [21])
    # The engine searches for the first energy above the photon's: no two alike.
    if len(set(record[:9] for record in ak2sv)) != len(ak2sv):
        sys.exit("Ak2Sv.dat: energies repeat in the first nine columns")
    write_records(folder, "Ak2Sv.dat", ak2sv)
    for name, atomic_number, density in MATERIALS:
        write_records(folder, name, material_records(atomic_number, density))
    write_records(folder, "sdec_default.op", survey_records())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
