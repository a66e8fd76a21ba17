#!/bin/sh
# Times `vorantel-cli fix` on four 6000 x 4000 noisy JPEG photographs (about
# 10 MB each) with a camera of 65,000 records, next to decoding and
# re-encoding the same photographs at quality 90 with libjpeg-turbo's own
# djpeg and then cjpeg, one after the other (not piped), and reports the
# peak memory of each run of ours.
#
#   sh bench/fix_bench.sh [BUILD_DIR]
#
# Needs djpeg and cjpeg (libjpeg-turbo-progs) and /usr/bin/python3 with
# Pillow (python3-pil) to make the photographs. Run it on an idle machine:
# the comparison is of wall time and processor time.
set -e
build="${1:-build}"
cli="$(cd "$build" && pwd)/vorantel-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 2; }
command -v djpeg >/dev/null && command -v cjpeg >/dev/null ||
    { echo "djpeg and cjpeg are needed (apt-get install libjpeg-turbo-progs)" >&2; exit 2; }
/usr/bin/python3 -c "import PIL" 2>/dev/null ||
    { echo "Pillow is needed (apt-get install python3-pil)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Four photographs: smooth gradients under sensor noise, each different.
/usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image, ImageChops
work = sys.argv[1]
w, h = 6000, 4000
ramp = Image.linear_gradient("L").resize((w, h))
for i in range(4):
    # Noise of sigma 28 to 34 over a gradient turned a quarter each time.
    noise = [Image.effect_noise((w, h), 28 + 2 * i).convert("L") for _ in range(3)]
    turned = ramp.rotate(90 * i).resize((w, h))
    channels = [ImageChops.add(n, turned, 2.0, -64) for n in noise]
    Image.merge("RGB", channels).save("%s/photo%d.jpg" % (work, i), quality=90)
PY

# A camera of 65,000 records scattered over the picture, blocks of four as
# the analysis writes them for lone hot pixels.
/usr/bin/python3 - "$work/bench.cam" <<'PY'
import sys, random
random.seed(7)
with open(sys.argv[1], "w", newline="") as f:
    for i in range(65000 // 4):
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
sizes = [os.path.getsize(p) / 1e6 for p in photos]

def run(commands):
    """Wall time, processor time (user + system) and the peak resident size
    of the largest process, for commands run one after the other."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.perf_counter()
    peak = 0
    for c in commands:
        p = subprocess.Popen(c, stdout=subprocess.DEVNULL)
        _, _, usage = os.wait4(p.pid, 0)
        peak = max(peak, usage.ru_maxrss)
    wall = time.perf_counter() - t
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, peak / 1024.0

def fix(jobs):
    subprocess.run(["rm", "-rf", work + "/Vorantel"], check=True)
    return run([[cli, "fix", "--camera", work + "/bench.cam", "--jobs", str(jobs)] + photos])

def plain():
    cmds = []
    for p in photos:
        cmds.append(["djpeg", "-ppm", "-outfile", p + ".ppm", p])
        cmds.append(["cjpeg", "-quality", "90", "-outfile", p + ".plain.jpg", p + ".ppm"])
    return run(cmds)

print("photos: 4 x 6000 x 4000, %.1f to %.1f MB; camera: 65,000 records" % (min(sizes), max(sizes)))
fix(1)  # warm the page cache and the file system
rows = []
for label, f in [("djpeg then cjpeg -quality 90", plain), ("vorantel-cli fix --jobs 1", lambda: fix(1)),
                 ("vorantel-cli fix --jobs 2", lambda: fix(2)), ("djpeg then cjpeg -quality 90", plain),
                 ("vorantel-cli fix --jobs 1", lambda: fix(1)), ("vorantel-cli fix --jobs 2", lambda: fix(2))]:
    rows.append((label,) + f())
best = {}
for label, wall, cpu, peak in rows:
    b = best.get(label)
    if b is None or wall < b[0]:
        best[label] = (wall, cpu, peak)
picture = 6000 * 4000 * 3 / 2**20
print("%-32s %8s %10s %10s" % ("", "wall s", "cpu s", "peak MB"))
for label in ["djpeg then cjpeg -quality 90", "vorantel-cli fix --jobs 1", "vorantel-cli fix --jobs 2"]:
    wall, cpu, peak = best[label]
    print("%-32s %8.2f %10.2f %10.0f" % (label, wall, cpu, peak))
p, j1, j2 = best["djpeg then cjpeg -quality 90"], best["vorantel-cli fix --jobs 1"], best["vorantel-cli fix --jobs 2"]
print("fix --jobs 1 / djpeg then cjpeg: wall %.2f, processor %.2f (target 1.10)" % (j1[0] / p[0], j1[1] / p[1]))
print("fix --jobs 2 speed-up over --jobs 1: %.2f (target 1.6 on two cores)" % (j1[0] / j2[0]))
for n, r in ((1, j1), (2, j2)):
    limit = (n + 1) * picture + 64
    print("peak memory of --jobs %d: %.0f MB (limit (N + 1) x %.0f + 64 = %.0f MB)" % (n, r[2], picture, limit))
PY
