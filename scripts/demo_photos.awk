# Writes a plain PPM (P3) picture for the help book's screenshots: a night
# sky over a hill, with stars, and the hot pixels of a made-up camera.
#   awk -v salt=N -f demo_photos.awk > photo.ppm        a photo (N: 1, 2, ...)
#   awk -v mode=black -f demo_photos.awk > black.ppm    the camera's blackshot
function rnd(n) { seed = (seed * 1103515245 + 12345) % 2147483648; return int(seed / 2147483648 * n) }
BEGIN {
  W = 960; H = 640; seed = 7 + salt
  print "P3"; print W, H; print 255
  # The camera's hot pixels, "x y red green blue"; three of them touch.
  n = split("101 87 255 40 40|233 402 60 255 90|512 133 255 255 255|640 300 80 120 255|" \
            "641 300 200 210 255|640 301 150 160 240|700 520 255 200 60|812 61 255 80 200|" \
            "388 277 255 255 180|150 590 90 255 255", hp, "|")
  for (i = 1; i <= n; i++) { split(hp[i], f, " "); hot[f[1] "," f[2]] = f[3] " " f[4] " " f[5] }
  for (i = 0; i < 140; i++) star[rnd(W) "," rnd(H * 3 / 4)] = 150 + rnd(100)
  for (y = 0; y < H; y++) {
    line = ""
    for (x = 0; x < W; x++) {
      k = x "," y
      if (k in hot) { line = line hot[k] " "; continue }
      # A sound sensor in the dark reads nearly black.
      if (mode == "black") { v = rnd(4); line = line v " " v " " v " "; continue }
      hill = H * 0.78 + 30 * sin(x / 90.0) + 14 * sin(x / 23.0 + salt)
      if (y > hill) { r = 12 + rnd(6); g = 16 + rnd(6); b = 14 + rnd(6) }
      else {
        t = y / hill
        r = int(8 + 40 * t * t); g = int(14 + 30 * t); b = int(50 + 60 * t)
        if (k in star) { r = star[k]; g = star[k]; b = star[k] - 10 }
        r += rnd(4); g += rnd(4); b += rnd(4)
      }
      line = line r " " g " " b " "
    }
    print line
  }
}
