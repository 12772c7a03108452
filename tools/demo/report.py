#!/usr/bin/python3
"""Tells what the core did in a demo run and draws the pen strokes it wrote.

Reads the uinput capture's log (devices and event groups, one line each), the simulated tablet's
trace and the core's output; writes a PPM of the strokes as the virtual pen received them, line
width and colour following the pressure, and converts it to PNG with ImageMagick.
"""
import subprocess
import sys

EV_KEY, EV_ABS = 1, 3
ABS_X, ABS_Y, ABS_PRESSURE = 0, 1, 24
BTN_TOUCH = 330
KEY_NAMES = {29: "Ctrl", 42: "Shift", 44: "Z", 57: "Space", 26: "[", 27: "]", 12: "-", 13: "="}


def read_capture(path, pid):
    devices, groups = {}, []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) < 4 or parts[1] != str(pid):
                continue
            if parts[2] == "DEV":
                name = line.split(" name=", 1)[1].rstrip("\n") if " name=" in line else "?"
                devices[parts[3]] = name
            elif parts[2] == "EVT":
                events = []
                for item in parts[6:]:
                    t, c, v = item.rstrip("!~").split(":")
                    events.append((int(t), int(c), int(v)))
                groups.append((parts[3], events))
    return devices, groups


def strokes_of(groups, pen_ids):
    x = y = p = 0
    touching = False
    strokes, current = [], []
    for dev, events in groups:
        if dev not in pen_ids:
            continue
        for t, c, v in events:
            if t == EV_ABS and c == ABS_X:
                x = v
            elif t == EV_ABS and c == ABS_Y:
                y = v
            elif t == EV_ABS and c == ABS_PRESSURE:
                p = v
            elif t == EV_KEY and c == BTN_TOUCH:
                touching = v != 0
        if touching and p > 0:
            current.append((x, y, p))
        elif current:
            strokes.append(current)
            current = []
    if current:
        strokes.append(current)
    return strokes


def draw(strokes, ppm, png, width=960, height=600):
    img = bytearray([255] * (width * height * 3))

    def dot(cx, cy, r, colour):
        for yy in range(max(0, cy - r), min(height, cy + r + 1)):
            for xx in range(max(0, cx - r), min(width, cx + r + 1)):
                if (xx - cx) ** 2 + (yy - cy) ** 2 <= r * r:
                    i = (yy * width + xx) * 3
                    img[i:i + 3] = bytes(colour)

    for stroke in strokes:
        for (x0, y0, p0), (x1, y1, p1) in zip(stroke, stroke[1:] + stroke[-1:]):
            steps = max(1, int(max(abs(x1 - x0), abs(y1 - y0)) * width / 40000))
            for s in range(steps + 1):
                f = s / steps
                x = x0 + (x1 - x0) * f
                y = y0 + (y1 - y0) * f
                p = (p0 + (p1 - p0) * f) / 65535.0
                colour = (int(40 + 200 * p), 40, int(220 - 180 * p))
                dot(int(x * width / 40000), int(y * height / 25000), 1 + int(p * 7), colour)
    with open(ppm, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(img)
    subprocess.run(["/usr/bin/convert", ppm, png], check=True)


def main():
    cap, trace, out, pid, png = sys.argv[1:6]
    devices, groups = read_capture(cap, pid)
    print("Virtual devices the core created:")
    for dev, name in devices.items():
        print("  #%s %s" % (dev, name))
    with open(trace) as f:
        lines = [l.split(" ", 1)[1].strip() for l in f if " " in l]
    opened = [l for l in lines if l.startswith("open ") and l.endswith(" ok")]
    print("Tablet opened: %s" % (", ".join(l.split()[1] for l in opened) or "none"))
    with open(out, errors="replace") as f:
        text = f.read()
    for marker in ("initDriverInfo() success dev:",):
        for line in text.splitlines():
            if marker in line:
                print("  identified as %s" % line.split(marker, 1)[1].strip())
    print("Reports the tablet sent: %d" % sum(1 for l in lines if l.startswith("deliver ")))
    pen_ids = {d for d, n in devices.items() if n == "Zerva pen"}
    strokes = strokes_of(groups, pen_ids)
    pen_groups = sum(1 for d, _ in groups if d in pen_ids)
    print("Pen: %d event groups, %d strokes" % (pen_groups, len(strokes)))
    for i, s in enumerate(strokes):
        ps = [p for _, _, p in s]
        print("  stroke %d: %d samples, pressure %d..%d, from (%d,%d) to (%d,%d)" %
              (i + 1, len(s), min(ps), max(ps), s[0][0], s[0][1], s[-1][0], s[-1][1]))
    kbd = {d for d, n in devices.items() if n == "Zerva keyboard"}
    keys = [(c, v) for d, ev in groups if d in kbd for t, c, v in ev if t == EV_KEY]
    print("Keyboard: " + (" ".join("%s%s" % (KEY_NAMES.get(c, str(c)), "+" if v else "-")
                                   for c, v in keys) or "nothing"))
    mouse = {d for d, n in devices.items() if n == "Zerva mouse"}
    print("Mouse: %d event groups" % sum(1 for d, _ in groups if d in mouse))
    gone = [l for l in lines if l.startswith("feature-get") and " 205 " in l]
    print("On SIGUSR1 the tablet got its own mode back (command 205): %s" %
          ("yes" if gone else "no"))
    if not strokes:
        print("No pen strokes arrived: no picture.")
        return 1
    draw(strokes, png[:-4] + ".ppm", png)
    print("Strokes as the virtual pen received them: %s" % png)
    return 0


if __name__ == "__main__":
    sys.exit(main())
