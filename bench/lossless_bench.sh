#!/bin/sh
# Times `vorantel-cli fix --lossless` (the JPEG repaired in its compressed
# form), `jpegtran -copy all` (a lossless copy of the same files, one after
# the other) and `vorantel-cli fix` (decode, repair, encode at quality 90)
# side by side, on four 6000 x 4000 camera-like JPEGs and a camera of 4,000
# records, and reports the peak memory and page faults of each run.
#
#   sh bench/lossless_bench.sh [BUILD_DIR]
#
# The photographs are real-photo texture: the two camera crops of the test
# data scaled up three times, laid out as a mosaic (turned and mirrored
# differently in each photo) under a little sensor grain, encoded by cjpeg at
# quality 92 in 4:2:0. Needs cjpeg and jpegtran (libjpeg-turbo-progs) and
# /usr/bin/python3 with Pillow (python3-pil). Run it on an idle machine: the
# comparison is of wall time and processor time.
set -e
build="${1:-build}"
cli="$(cd "$build" && pwd)/vorantel-cli"
data="$(cd "$(dirname "$0")/../tests/data/jpeg" && pwd)"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 2; }
command -v cjpeg >/dev/null && command -v jpegtran >/dev/null ||
    { echo "cjpeg and jpegtran are needed (apt-get install libjpeg-turbo-progs)" >&2; exit 2; }
/usr/bin/python3 -c "import PIL" 2>/dev/null ||
    { echo "Pillow is needed (apt-get install python3-pil)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$data" "$work" <<'PY'
import random, sys
from PIL import Image, ImageChops
data, work = sys.argv[1], sys.argv[2]
w, h = 6000, 4000
crops = [Image.open("%s/%s" % (data, n)).convert("RGB") for n in ("baseline444.jpg", "restart420.jpg")]
tiles = [c.resize((c.width * 3, c.height * 3), Image.LANCZOS) for c in crops]
turns = [None, Image.FLIP_LEFT_RIGHT, Image.FLIP_TOP_BOTTOM, Image.ROTATE_180]
for i in range(4):
    rnd = random.Random(i)
    canvas = Image.new("RGB", (w, h))
    y = 0
    while y < h:
        x = -rnd.randrange(0, 400)
        row = 0
        while x < w:
            t = tiles[rnd.randrange(2)]
            turn = rnd.choice(turns)
            if turn is not None:
                t = t.transpose(turn)
            canvas.paste(t, (x, y))
            x += t.width
            row = max(row, t.height)
        y += row - rnd.randrange(0, 60)
    grain = Image.merge("RGB", [Image.effect_noise((w, h), 6).convert("L") for _ in range(3)])
    canvas = ImageChops.add(canvas, grain, 1.0, -128)
    canvas.save("%s/photo%d.ppm" % (work, i))
PY
for i in 0 1 2 3; do
    cjpeg -quality 92 -sample 2x2 -outfile "$work/photo$i.jpg" "$work/photo$i.ppm"
    rm "$work/photo$i.ppm"
done

# A camera of 4,000 records: 1,000 lone hot pixels, each with the four
# records the analysis writes for it.
/usr/bin/python3 - "$work/bench.cam" <<'PY'
import sys, random
random.seed(7)
with open(sys.argv[1], "w", newline="") as f:
    for i in range(1000):
        x, y = random.randrange(1, 5999), random.randrange(1, 3999)
        refs = [(x - 1, y + 1, x, y + 1, x + 1, y + 1), (x - 1, y - 1, x - 1, y, x - 1, y + 1),
                (x + 1, y - 1, x + 1, y, x + 1, y + 1), (x - 1, y - 1, x, y - 1, x + 1, y - 1)]
        for k, r in enumerate(refs):
            f.write("%s%05d,%05d,%05d,%05d,%05d,%05d,%05d,%05d\r\n" %
                    (("*" if k == 3 else " ", x, y) + r))
PY

/usr/bin/python3 - "$cli" "$work" <<'PY'
import os, resource, subprocess, sys, time
cli, work = sys.argv[1], sys.argv[2]
photos = ["%s/photo%d.jpg" % (work, i) for i in range(4)]
sizes = [os.path.getsize(p) for p in photos]
cam = work + "/bench.cam"

def run(commands):
    """Wall time, processor time (user, system), the peak resident size of
    the largest process and the page faults of all, for commands run one
    after the other."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.perf_counter()
    peak = 0
    for c in commands:
        p = subprocess.Popen(c, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(p.pid, 0)
        if status != 0:
            sys.exit("failed: %s" % " ".join(c))
        peak = max(peak, usage.ru_maxrss)
    wall = time.perf_counter() - t
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    user = after.ru_utime - before.ru_utime
    system = after.ru_stime - before.ru_stime
    faults = after.ru_minflt - before.ru_minflt
    return wall, user, system, peak / 1024.0, faults

def fix(*extra):
    subprocess.run(["rm", "-rf", work + "/Vorantel"], check=True)
    return run([[cli, "fix", "--camera", cam] + list(extra) + photos])

def jpegtran():
    return run([["jpegtran", "-copy", "all", "-outfile", p + ".copy.jpg", p] for p in photos])

print("photos: 4 x 6000 x 4000, quality 92, 4:2:0, %.1f to %.1f MB; camera: 4,000 records" %
      (min(sizes) / 1e6, max(sizes) / 1e6))
fix("--lossless")  # warm the page cache and the file system
runs = [("fix --lossless", lambda: fix("--lossless")),
        ("fix --lossless --jobs 1", lambda: fix("--lossless", "--jobs", "1")),
        ("jpegtran -copy all", jpegtran),
        ("fix (full encode)", lambda: fix())]
best = {}
for _ in range(2):
    for label, f in runs:
        r = f()
        if label not in best or r[0] < best[label][0]:
            best[label] = r
print("%-26s %8s %8s %8s %9s %12s" % ("", "wall s", "user s", "sys s", "peak MB", "page faults"))
for label, _ in runs:
    wall, user, system, peak, faults = best[label]
    print("%-26s %8.2f %8.2f %8.2f %9.0f %12d" % (label, wall, user, system, peak, faults))
lossless, one, tran, full = (best[l][0] for l, _ in runs)
print("fix --lossless / fix: %.2f (target below 1)" % (lossless / full))
print("jpegtran -copy all / fix --lossless: %.2f (target 2 or more)" % (tran / lossless))
print("jpegtran -copy all / fix --lossless --jobs 1: %.2f (one core each)" % (tran / one))
cpu = {l: best[l][1] + best[l][2] for l, _ in runs}
print("processor time, fix --lossless / fix: %.2f; jpegtran -copy all / fix --lossless: %.2f" %
      (cpu["fix --lossless"] / cpu["fix (full encode)"], cpu["jpegtran -copy all"] / cpu["fix --lossless"]))
fix("--lossless")
grown = [os.path.getsize("%s/Vorantel/photo%d.jpg" % (work, i)) / s - 1 for i, s in enumerate(sizes)]
print("size of the stored files against their sources: %+.3f %% to %+.3f %%" %
      (100 * min(grown), 100 * max(grown)))
PY
