#!/bin/sh
# Times `vorantel-cli fix` on ten 6000 x 4000 JPEG photographs with a camera
# of 20,000 records, next to decoding and re-encoding the same photographs at
# quality 90 with libjpeg-turbo's own djpeg and cjpeg (libjpeg-turbo-progs).
#
#   sh bench/fix_bench.sh [BUILD_DIR]
set -e
build="${1:-build}"
cli="$build/vorantel-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 2; }
command -v djpeg >/dev/null && command -v cjpeg >/dev/null ||
    { echo "djpeg and cjpeg are needed (apt-get install libjpeg-turbo-progs)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A photograph: smooth gradients with some texture, as a binary PPM.
python3 - "$work/base.ppm" <<'PY'
import sys, math
w, h = 6000, 4000
with open(sys.argv[1], "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    for y in range(h):
        g = int(255 * y / h)
        row = bytearray(3 * w)
        for x in range(0, w, 8):
            r = (x * 255 // w + (x * y) % 7) & 255
            b = (128 + int(60 * math.sin(x / 90.0 + y / 70.0))) & 255
            row[3 * x:3 * x + 24] = bytes((r, g, b)) * 8
        f.write(row[:3 * w])
PY
cjpeg -quality 90 "$work/base.ppm" > "$work/base.jpg"
for i in 0 1 2 3 4 5 6 7 8 9; do cp "$work/base.jpg" "$work/photo$i.jpg"; done

# A camera of 20,000 records scattered over the picture.
python3 - "$work/bench.cam" <<'PY'
import sys, random
random.seed(7)
with open(sys.argv[1], "w", newline="") as f:
    for i in range(20000):
        x, y = random.randrange(1, 5999), random.randrange(1, 3999)
        f.write("%s%05d,%05d,%05d,%05d,%05d,%05d,%05d,%05d\r\n" %
                ("*" if i % 4 == 3 else " ", x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1))
PY

# Wall time and the processor time of the processes (user + system); the
# pipe lets djpeg and cjpeg run on two cores at once, so the processor time
# is the fairer comparison on a busy machine.
python3 - "$cli" "$work" <<'PY'
import resource, subprocess, sys, time
cli, work = sys.argv[1], sys.argv[2]
photos = ["%s/photo%d.jpg" % (work, i) for i in range(10)]

def run(commands):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.perf_counter()
    for c in commands:
        subprocess.run(c, shell=True, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - t
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu

ours = run(["'%s' fix --camera '%s/bench.cam' %s" % (cli, work, " ".join(photos))])
plain = run(["djpeg -ppm '%s' | cjpeg -quality 90 > '%s.plain.jpg'" % (p, p) for p in photos])
print("vorantel-cli fix, 10 photos:            wall %.2f s, processor %.2f s" % ours)
print("djpeg | cjpeg -quality 90, 10 photos:   wall %.2f s, processor %.2f s" % plain)
print("ratio: wall %.2f, processor %.2f" % (ours[0] / plain[0], ours[1] / plain[1]))
PY
