#!/usr/bin/env bash
# The window program's default job — 10^9 histories lying, the fixed spectrum
# (80 kV constant potential, 12 degrees, 2.5 + 1.5 mm Al), 20 x 20 cm at
# FSD 90 cm — run by Quenro-11 on every thread in lanes and then with
# --scalar, one after the other in a scratch working folder, with the wall and
# CPU time of each and the z statistics of the two maps (cells known to
# better than 30 % in both).
#
#   bench/engine/default_job.sh [HISTORIES [WORK_FOLDER]]
#
# HISTORIES defaults to 1.000E+09 (written as the job file writes it);
# WORK_FOLDER to build/work, the working folder the build assembles.
set -euo pipefail
cd "$(dirname "$0")/../.."
histories=${1:-1.000E+09}
work=$(realpath "${2:-build/work}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for f in Air.eac Ak2Sv.dat ICRUSoft.dat Quenro-11; do
    cp "$work/$f" "$scratch/"
done
cp bench/engine/B_SPCTL.dat "$scratch/"
printf '1.234E-02\r\n90.0\r\n20.0\r\n20.0\r\n%s\r\ndj.data\r\n' "$histories" >"$scratch/B2F.txt"
cd "$scratch"
for run in lanes scalar; do
    argument=()
    [ "$run" = scalar ] && argument=(--scalar)
    TIMEFORMAT="$run: %R s wall, %U s user, %S s system"
    time ./Quenro-11 "${argument[@]}" <<<$'\n\n' >/dev/null
    mv dj.data "$run.data"
    mv dj.data.unc "$run.data.unc"
done
python3 - lanes.data scalar.data <<'PY'
import math, sys

def values(path):
    lines = open(path, encoding="latin-1").read().splitlines()
    out = []
    for first in (14, 76):  # the kerma and the dose-equivalent map, 61 rows of 41
        for line in lines[first - 1:first + 60]:
            out += [float(line[11 * i:11 * i + 11]) for i in range(41)]
    return out

a, b = values(sys.argv[1]), values(sys.argv[2])
ra, rb = values(sys.argv[1] + ".unc"), values(sys.argv[2] + ".unc")
z = [(x - y) / math.hypot(x * rx, y * ry)
     for x, y, rx, ry in zip(a, b, ra, rb) if 0 < rx < 0.3 and 0 < ry < 0.3]
mean = sum(z) / len(z)
sd = math.sqrt(sum(v * v for v in z) / len(z) - mean * mean)
within = sum(abs(v) < 3 for v in z) / len(z)
print(f"lanes against --scalar: {len(z)} cells, mean z {mean:+.3f}, "
      f"spread of z {sd:.3f}, |z| < 3 in {100 * within:.2f} %")
PY
