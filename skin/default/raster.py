"""A small RGBA raster with anti-aliased shapes, text through ImageMagick, BMP/PNG/GIF output.

Only the standard library is used for pixels and files; ImageMagick's `convert` renders text
masks (with a CJK font) and assembles animated GIFs.
"""
import os
import struct
import subprocess
import zlib

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
KEY = (255, 0, 255)


def hexrgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Img:
    def __init__(self, w, h, color=(0, 0, 0), alpha=0):
        self.w, self.h = w, h
        self.px = bytearray(bytes((color[0], color[1], color[2], alpha)) * (w * h))

    # -- pixels -------------------------------------------------------------
    def get(self, x, y):
        i = (y * self.w + x) * 4
        return tuple(self.px[i:i + 4])

    def blend(self, x, y, rgb, a):
        """Paints `rgb` with coverage/opacity `a` (0..1) over the pixel."""
        if a <= 0 or x < 0 or y < 0 or x >= self.w or y >= self.h:
            return
        i = (y * self.w + x) * 4
        if a >= 1:
            self.px[i:i + 4] = bytes((rgb[0], rgb[1], rgb[2], 255))
            return
        da = self.px[i + 3] / 255.0
        oa = a + da * (1 - a)
        for k in range(3):
            self.px[i + k] = int(round((rgb[k] * a + self.px[i + k] * da * (1 - a)) / oa))
        self.px[i + 3] = int(round(oa * 255))

    def row_fill(self, y, x0, x1, rgb, alpha=255):
        if y < 0 or y >= self.h:
            return
        x0, x1 = max(0, x0), min(self.w, x1)
        if x1 <= x0:
            return
        if alpha >= 255:
            self.px[(y * self.w + x0) * 4:(y * self.w + x1) * 4] = bytes((rgb[0], rgb[1], rgb[2], 255)) * (x1 - x0)
        else:
            for x in range(x0, x1):
                self.blend(x, y, rgb, alpha / 255.0)

    # -- shapes -------------------------------------------------------------
    def rect(self, x0, y0, x1, y1, color, alpha=255):
        for y in range(y0, y1):
            c = color(y) if callable(color) else color
            self.row_fill(y, x0, x1, c, alpha)

    def round_rect(self, x0, y0, x1, y1, r, color, alpha=255):
        """Rounded rectangle [x0,x1) x [y0,y1); `color` may be a function of the row."""
        r = max(0.0, min(r, (x1 - x0) / 2.0, (y1 - y0) / 2.0))
        ri = int(r + 0.999)
        for y in range(y0, y1):
            c = color(y) if callable(color) else color
            corner_row = y < y0 + ri or y >= y1 - ri
            if not corner_row or ri == 0:
                self.row_fill(y, x0, x1, c, alpha)
                continue
            self.row_fill(y, x0 + ri, x1 - ri, c, alpha)
            for x in list(range(x0, x0 + ri)) + list(range(x1 - ri, x1)):
                cov = self._corner_coverage(x, y, x0, y0, x1, y1, r)
                self.blend(x, y, c, cov * alpha / 255.0)

    @staticmethod
    def _corner_coverage(x, y, x0, y0, x1, y1, r, n=4):
        inside = 0
        for sy in range(n):
            for sx in range(n):
                px = x + (sx + 0.5) / n
                py = y + (sy + 0.5) / n
                cx = min(max(px, x0 + r), x1 - r)
                cy = min(max(py, y0 + r), y1 - r)
                if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                    inside += 1
        return inside / float(n * n)

    def frame(self, x0, y0, x1, y1, r, rgb, width=1.0):
        """A rounded outline of `width` pixels inside the rectangle."""
        ri = int(r + width + 1)
        for y in range(y0, y1):
            near_y = y < y0 + ri or y >= y1 - ri
            xs = range(x0, x1) if near_y else list(range(x0, x0 + ri)) + list(range(x1 - ri, x1))
            for x in xs:
                outer = self._corner_coverage(x, y, x0, y0, x1, y1, r)
                inner = self._corner_coverage(x, y, x0 + width, y0 + width, x1 - width, y1 - width,
                                              max(0.0, r - width)) if x1 - x0 > 2 * width else 0
                self.blend(x, y, rgb, max(0.0, outer - inner))

    def circle(self, cx, cy, radius, rgb, alpha=1.0, n=4):
        for y in range(int(cy - radius - 1), int(cy + radius + 2)):
            for x in range(int(cx - radius - 1), int(cx + radius + 2)):
                inside = 0
                for sy in range(n):
                    for sx in range(n):
                        px, py = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                        if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                            inside += 1
                self.blend(x, y, rgb, alpha * inside / float(n * n))

    def ring(self, cx, cy, radius, width, rgb, alpha=1.0, n=4):
        for y in range(int(cy - radius - 1), int(cy + radius + 2)):
            for x in range(int(cx - radius - 1), int(cx + radius + 2)):
                inside = 0
                for sy in range(n):
                    for sx in range(n):
                        d = ((x + (sx + 0.5) / n - cx) ** 2 + (y + (sy + 0.5) / n - cy) ** 2) ** 0.5
                        if radius - width <= d <= radius:
                            inside += 1
                self.blend(x, y, rgb, alpha * inside / float(n * n))

    def polyline(self, points, width, rgb, n=4):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        half = width / 2.0
        for y in range(int(min(ys) - half - 1), int(max(ys) + half + 2)):
            for x in range(int(min(xs) - half - 1), int(max(xs) + half + 2)):
                inside = 0
                for sy in range(n):
                    for sx in range(n):
                        px, py = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                        if any(_seg_dist(px, py, points[i], points[i + 1]) <= half
                               for i in range(len(points) - 1)):
                            inside += 1
                self.blend(x, y, rgb, inside / float(n * n))

    def polygon(self, points, rgb, alpha=1.0, n=4):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        for y in range(int(min(ys)) - 1, int(max(ys)) + 2):
            for x in range(int(min(xs)) - 1, int(max(xs)) + 2):
                inside = 0
                for sy in range(n):
                    for sx in range(n):
                        if _in_polygon(x + (sx + 0.5) / n, y + (sy + 0.5) / n, points):
                            inside += 1
                self.blend(x, y, rgb, alpha * inside / float(n * n))

    def shadow(self, x0, y0, x1, y1, r, spread, rgb=(30, 60, 110), strength=0.10):
        """A soft shadow around a rounded rectangle."""
        for k in range(spread, 0, -1):
            a = strength * (1.0 - k / float(spread + 1)) ** 2
            self.round_rect(x0 - k, y0 - k + 2, x1 + k, y1 + k + 2, r + k, rgb, int(255 * a / 2))

    def paste(self, other, x, y):
        for yy in range(other.h):
            for xx in range(other.w):
                p = other.get(xx, yy)
                if p[3]:
                    self.blend(x + xx, y + yy, p[:3], p[3] / 255.0)

    # -- text ---------------------------------------------------------------
    def text(self, x, y, text, size, rgb, anchor="lt", bold=False, font=CJK_FONT):
        """Draws text; anchor is two letters: l/c/r then t/m/b."""
        mask_w, mask_h, mask = text_mask(text, size, bold, font)
        if anchor[0] == "c":
            x -= mask_w // 2
        elif anchor[0] == "r":
            x -= mask_w
        if anchor[1] == "m":
            y -= mask_h // 2
        elif anchor[1] == "b":
            y -= mask_h
        for yy in range(mask_h):
            row = mask[yy * mask_w:(yy + 1) * mask_w]
            for xx, v in enumerate(row):
                if v:
                    self.blend(x + xx, y + yy, rgb, v / 255.0)
        return mask_w, mask_h

    # -- output -------------------------------------------------------------
    def save_png(self, path):
        raw = b"".join(b"\x00" + bytes(self.px[y * self.w * 4:(y + 1) * self.w * 4]) for y in range(self.h))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(_chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)))
            f.write(_chunk(b"IDAT", zlib.compress(raw, 9)))
            f.write(_chunk(b"IEND", b""))

    def save_bmp(self, path, matte=(255, 255, 255), key=KEY, key_below=24):
        """24-bit BMP. Pixels almost fully transparent become the key colour; partly
        transparent ones are laid over `matte` (the colour the picture will sit on)."""
        stride = (self.w * 3 + 3) & ~3
        body = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.get(x, y)
                if key is not None and a < key_below:
                    c = key
                elif a >= 255:
                    c = (r, g, b)
                else:
                    c = mix(matte, (r, g, b), a / 255.0)
                row += bytes((c[2], c[1], c[0]))
            row += b"\x00" * (stride - len(row))
            body += row
        header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(header + info + body)


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def _seg_dist(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    qx, qy = ax + t * dx, ay + t * dy
    return ((px - qx) ** 2 + (py - qy) ** 2) ** 0.5


def _in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


_MASKS = {}


def text_mask(text, size, bold=False, font=CJK_FONT):
    key = (text, size, bold, font)
    if key in _MASKS:
        return _MASKS[key]
    if not os.path.exists(font):
        raise SystemExit("make_skin: the CJK font %s is missing (install fonts-wqy-zenhei)" % font)
    cmd = ["convert", "-background", "black", "-fill", "white", "-font", font, "-pointsize", str(size)]
    if bold:
        cmd += ["-stroke", "white", "-strokewidth", "0.6"]
    cmd += ["label:" + text.replace("\\", "\\\\"), "-depth", "8", "pgm:-"]
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    # P5\n<w> <h>\n255\n<bytes>
    parts = data.split(b"\n", 3)
    w, h = (int(v) for v in parts[1].split())
    result = (w, h, parts[3][:w * h])
    _MASKS[key] = result
    return result


def save_gif(frames, path, delay_cs, workdir):
    names = []
    for i, frame in enumerate(frames):
        name = os.path.join(workdir, "frame%02d.png" % i)
        frame.save_png(name)
        names.append(name)
    subprocess.run(["convert", "-delay", str(delay_cs), "-loop", "0"] + names + [path], check=True)
    for name in names:
        os.remove(name)
