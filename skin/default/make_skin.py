#!/usr/bin/env python3
"""Builds the default skin into a folder:

  skins.ini, dialog and menu bitmaps      (the unpacked skin folder's settings)
  images/skin.ini, page pictures, load1   (page layout of the 563 x 426 main window)
  default_skin/default.xml + pictures     (the control skin description)

Usage: make_skin.py OUT_DIR
"""
import math
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raster import KEY, Img, hexrgb, mix, save_gif  # noqa: E402

# ---- palette ---------------------------------------------------------------------------
BLUE = hexrgb("2B7BD6")
BLUE_DARK = hexrgb("1E65CD")
BLUE_HOT = hexrgb("4A93E6")
BLUE_DOWN = hexrgb("1B5FB0")
BLUE_LIGHT = hexrgb("DCEBFB")
BLUE_PALE = hexrgb("EEF5FD")
BORDER = hexrgb("7B9EBD")   # the edit border of the description (0xBD9E7B)
CARD_LINE = hexrgb("D5DEEA")
PAGE = hexrgb("F4F7FB")
WHITE = (255, 255, 255)
TEXT = hexrgb("333333")
TEXT_SOFT = hexrgb("6B7785")
GREY = hexrgb("B8C4D2")
GREY_TEXT = hexrgb("96A0AC")
GREEN = hexrgb("2FA84F")
ORANGE = hexrgb("F08C1A")

# Transparent colours, each the key that the picture's reader leaves out: Veneer's controls
# use magenta (raster.KEY); the program's menus use "[Menu] BitmapMask".
MENU_KEY = (192, 192, 192)

W, H = 563, 426
TITLE = "警示器虚拟终端"


def colorref(rgb):
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16)


def rgb_attr(rgb):
    return "RGB(%d,%d,%d)" % rgb


def vgrad(top, bottom, y0, y1):
    span = max(1, y1 - y0 - 1)
    return lambda y: mix(top, bottom, min(1.0, max(0.0, (y - y0) / float(span))))


# ---- page layout (left, top, width, height) ---------------------------------------------
LAYOUT = {
    "attpage1": {  # login
        "edit1": (200, 150, 220, 28), "edit2": (200, 196, 220, 28),
        "btn1": (200, 248, 220, 36),
        "static1": (200, 298, 60, 20), "static2": (344, 298, 76, 20),
    },
    "attpage2": {  # registration
        "edit1": (200, 136, 220, 26), "edit2": (200, 174, 108, 26), "edit3": (200, 212, 220, 26),
        "edit4": (200, 250, 220, 26),
        "btn1": (316, 174, 104, 26), "btn2": (200, 294, 220, 36),
        "static1": (200, 342, 120, 20), "static2": (428, 174, 60, 26),
    },
    "attpage3": {  # load page: the check's result lines (20 pixels apart) below the animation
        "static1": (150, 236, 330, 64),
    },
    "attpage4": {  # bind
        "list1": (44, 162, 475, 168),
        "btn1": (150, 346, 120, 34), "btn2": (293, 346, 120, 34),
        "static1": (44, 136, 475, 20),
    },
    "attpage5": {  # experience: the entry link, and the countdown in its place while waiting
        "static1": (156, 262, 250, 26), "static2": (156, 262, 250, 26),
    },
}
LABELS = {
    "attpage1": {"edit1": "手机号码", "edit2": "登录密码"},
    "attpage2": {"edit1": "手机号码", "edit2": "验 证 码", "edit3": "设置密码", "edit4": "确认密码"},
}
LOAD1_RECT = (249, 150, 64, 64)
CLOSE_RECT = (527, 16, 24, 24)
CAMERATIP = {"bg1": "tip_inform.bmp", "bg2": "tip_ask.bmp",
             "btn1": (296, 94, 108, 28), "btn2": (206, 94, 84, 28), "btn3": (304, 94, 84, 28)}
CHECKUSER = {"bg": "checkuser.bmp", "edit1": (120, 74, 200, 26), "edit2": (120, 112, 200, 26),
             "btn1": (84, 164, 90, 30), "btn2": (190, 164, 90, 30)}


def rect_text(r):
    return "%d,%d,%d,%d" % r


# ---- shared drawing ---------------------------------------------------------------------
def camera_logo(img, x, y, size, body=WHITE, lens=BLUE_DARK):
    s = size / 36.0
    img.round_rect(int(x + 2 * s), int(y + 9 * s), int(x + 34 * s), int(y + 31 * s), 5 * s, body)
    img.round_rect(int(x + 8 * s), int(y + 5 * s), int(x + 17 * s), int(y + 11 * s), 2 * s, body)
    img.circle(x + 18 * s, y + 20 * s, 8.5 * s, lens)
    img.circle(x + 18 * s, y + 20 * s, 5.5 * s, body)
    img.circle(x + 18 * s, y + 20 * s, 3.2 * s, lens)
    img.circle(x + 29 * s, y + 14 * s, 1.6 * s, ORANGE)


def page_base(section_title, subtitle=None):
    img = Img(W, H, PAGE, 255)
    img.rect(0, 0, W, 64, vgrad(BLUE, BLUE_DARK, 0, 64))
    img.rect(0, 64, W, 66, hexrgb("175AB8"))
    camera_logo(img, 20, 14, 36)
    img.text(66, 32, TITLE, 22, WHITE, "lm", bold=True)
    img.text(66 + 7 * 22 + 14, 36, "安全 · 便捷 · 随时查看", 12, hexrgb("CFE2FA"), "lm")
    # card
    img.shadow(20, 82, W - 20, H - 24, 8, 6)
    img.round_rect(20, 82, W - 20, H - 24, 8, CARD_LINE)
    img.round_rect(21, 83, W - 21, H - 25, 7, WHITE)
    if section_title:
        img.text(44, 110, section_title, 18, BLUE_DARK, "lm", bold=True)
        img.rect(44, 124, 44 + 36, 127, BLUE)
        img.rect(44 + 36, 125, W - 44, 126, hexrgb("E6ECF4"))
    if subtitle:
        img.text(W - 44, 112, subtitle, 12, TEXT_SOFT, "rm")
    img.text(W // 2, H - 12, "© 警示器虚拟终端  ·  本机摄像头虚拟化服务", 11, hexrgb("9AA7B6"), "cm")
    return img


def labels(img, page):
    for key, text in LABELS.get(page, {}).items():
        x, y, w, h = LAYOUT[page][key]
        img.text(x - 14, y + h // 2, text + "：", 14, TEXT, "rm")


def field_guides(img, page):
    """Soft wells behind the edit boxes so the page reads well before the controls appear."""
    for key, (x, y, w, h) in LAYOUT.get(page, {}).items():
        if key.startswith("edit"):
            img.round_rect(x - 2, y - 2, x + w + 2, y + h + 2, 3, BLUE_PALE)


def make_pages(out):
    pages = {}
    img = page_base("启动检测", "正在检查运行环境")
    img.round_rect(LOAD1_RECT[0] - 14, LOAD1_RECT[1] - 14, LOAD1_RECT[0] + 78, LOAD1_RECT[1] + 78, 12, BLUE_PALE)
    pages["background0"] = ("bg_load.bmp", img)

    img = page_base("用户登录", "使用手机号码登录")
    field_guides(img, "attpage1")
    labels(img, "attpage1")
    pages["background1"] = ("bg_login.bmp", img)

    img = page_base("用户注册", "注册后即可绑定本机摄像头")
    field_guides(img, "attpage2")
    labels(img, "attpage2")
    pages["background2"] = ("bg_register.bmp", img)

    img = page_base(None)
    pages["background3"] = ("bg_common.bmp", img)

    img = page_base("绑定设备", "选择一个摄像头与帐号绑定")
    x, y, w, h = LAYOUT["attpage4"]["list1"]
    img.round_rect(x - 1, y - 1, x + w + 1, y + h + 1, 2, BORDER)
    pages["background4"] = ("bg_bind.bmp", img)

    img = page_base("体验中心", "设备已就绪")
    img.circle(W // 2, 168, 30, GREEN)
    img.polyline([(W // 2 - 14, 168), (W // 2 - 4, 179), (W // 2 + 15, 157)], 5, WHITE)
    img.text(W // 2, 214, "设备绑定成功", 16, TEXT, "cm", bold=True)
    pages["background5"] = ("bg_experience.bmp", img)

    img = page_base("体验中心", "请稍候")
    img.round_rect(LOAD1_RECT[0] - 14, LOAD1_RECT[1] - 14, LOAD1_RECT[0] + 78, LOAD1_RECT[1] + 78, 12, BLUE_PALE)
    img.text(W // 2, 246, "正在解除原有绑定，请稍候…", 14, TEXT_SOFT, "cm")
    pages["background51"] = ("bg_experience_wait.bmp", img)

    for key, (name, picture) in pages.items():
        picture.save_bmp(os.path.join(out, name))
    return {k: v[0] for k, v in pages.items()}


def state_strip(draw, w, h, states=4):
    strip = Img(w * states, h)
    for s in range(states):
        part = Img(w, h)
        draw(part, s)
        strip.paste(part, s * w, 0)
    return strip


def flat_button(img, s, w, h, radius=3, primary=True):
    """States 0 normal, 1 hot, 2 down, 3 disabled, 4 focus."""
    if primary:
        tops = [BLUE_HOT, hexrgb("62A5EE"), BLUE_DOWN, hexrgb("C9D3DE"), BLUE_HOT]
        bottoms = [BLUE, BLUE_HOT, BLUE_DARK, GREY, BLUE]
        edges = [BLUE_DARK, BLUE, hexrgb("174F96"), hexrgb("A9B5C3"), hexrgb("0F4C9E")]
    else:
        tops = [WHITE, WHITE, hexrgb("E4EBF3"), hexrgb("F2F4F7"), WHITE]
        bottoms = [hexrgb("E9EEF4"), hexrgb("F1F6FC"), hexrgb("D6DFEA"), hexrgb("ECEFF3"), hexrgb("E9EEF4")]
        edges = [hexrgb("A8B7C9"), BLUE, hexrgb("8A9CB2"), hexrgb("CDD5DF"), BLUE]
    img.round_rect(0, 0, w, h, radius, edges[s])
    img.round_rect(1, 1, w - 1, h - 1, max(0, radius - 1), vgrad(tops[s], bottoms[s], 1, h - 1))
    if s != 2 and s != 3:
        img.rect(radius, 1, w - radius, 2, mix(tops[s], WHITE, 0.35))
    if s == 4:
        img.frame(2, 2, w - 2, h - 2, max(0, radius - 2), mix(WHITE, tops[s], 0.3), 1.0)


def make_images(out, tmp):
    os.makedirs(out, exist_ok=True)
    names = make_pages(out)

    # page buttons: four states side by side (normal, hot, down, disabled)
    state_strip(lambda im, s: flat_button(im, s, 120, 34, 4), 120, 34).save_bmp(os.path.join(out, "btnbg.bmp"))
    state_strip(lambda im, s: flat_button(im, s, 104, 26, 3, primary=False), 104, 26).save_bmp(
        os.path.join(out, "btnbg1.bmp"))

    def close(im, s):
        back = [None, hexrgb("E5484D"), hexrgb("C7373C"), None][s]
        if back:
            im.round_rect(0, 0, 24, 24, 4, back)
        glyph = WHITE if s != 3 else hexrgb("9DB9E0")
        im.polyline([(7, 7), (17, 17)], 2.2, glyph)
        im.polyline([(17, 7), (7, 17)], 2.2, glyph)
    state_strip(close, 24, 24).save_bmp(os.path.join(out, "btnclose.bmp"), matte=BLUE_DARK)

    # load animation: twelve dots turning, 100 ms a frame
    frames = []
    for f in range(12):
        im = Img(64, 64, BLUE_PALE, 255)
        for k in range(12):
            a = (k - f) % 12
            angle = 2 * math.pi * k / 12 - math.pi / 2
            cx, cy = 32 + 22 * math.cos(angle), 32 + 22 * math.sin(angle)
            strength = 1.0 - a / 12.0
            im.circle(cx, cy, 2.4 + 2.2 * strength, mix(BLUE_PALE, BLUE, 0.25 + 0.75 * strength))
        frames.append(im)
    save_gif(frames, os.path.join(out, "load1.gif"), 10, tmp)

    # camera-in-use prompt, 420 x 132
    for key, title, line in (("bg1", "摄像头使用提示", "摄像头正在被其他程序使用"),
                             ("bg2", "摄像头占用提示", "是否允许该程序继续使用摄像头？")):
        im = Img(420, 132, WHITE, 255)
        im.rect(0, 0, 420, 30, vgrad(BLUE, BLUE_DARK, 0, 30))
        camera_logo(im, 10, 5, 20)
        im.text(38, 15, title, 13, WHITE, "lm", bold=True)
        im.rect(0, 30, 420, 132, vgrad(WHITE, BLUE_PALE, 30, 132))
        im.circle(36, 62, 14, ORANGE)
        im.rect(35, 53, 38, 66, WHITE)
        im.rect(35, 68, 38, 71, WHITE)
        im.text(62, 62, line, 13, TEXT, "lm")
        for edge in ((0, 0, 420, 1), (0, 131, 420, 132), (0, 0, 1, 132), (419, 0, 420, 132)):
            im.rect(edge[0], edge[1], edge[2], edge[3], BLUE_DARK)
        im.save_bmp(os.path.join(out, CAMERATIP[key]))

    # check dialog, 360 x 220
    im = Img(360, 220, WHITE, 255)
    im.rect(0, 0, 360, 34, vgrad(BLUE, BLUE_DARK, 0, 34))
    im.text(14, 17, "验证原绑定用户", 14, WHITE, "lm", bold=True)
    im.text(20, 52, "该摄像头已被其他帐号绑定，请输入原帐号以解除绑定：", 12, TEXT_SOFT, "lm")
    for key, text in (("edit1", "用户名"), ("edit2", "密  码")):
        x, y, w, h = CHECKUSER[key]
        im.round_rect(x - 2, y - 2, x + w + 2, y + h + 2, 3, BLUE_PALE)
        im.text(x - 12, y + h // 2, text + "：", 13, TEXT, "rm")
    for edge in ((0, 0, 360, 1), (0, 219, 360, 220), (0, 0, 1, 220), (359, 0, 360, 220)):
        im.rect(edge[0], edge[1], edge[2], edge[3], BLUE_DARK)
    im.save_bmp(os.path.join(out, CHECKUSER["bg"]))

    lines = ["; Page layout of the 563 x 426 main window. Rectangles: left, top, width, height.",
             "; Button images hold four states side by side: normal, hot, down, disabled.", "",
             "[SCREEN]"]
    for key in ("background0", "background1", "background2", "background3", "background4", "background5",
                "background51"):
        lines.append("%s=%s" % (key, names[key]))
    lines.append("closebtn=%s" % rect_text(CLOSE_RECT))
    lines += ["", "[LOAD]", "load1=load1.gif", "load1rect=%s" % rect_text(LOAD1_RECT), "",
              "[btnbg]", "btnbg=btnbg.bmp", "btnbg1=btnbg1.bmp", "btnclose=btnclose.bmp"]
    for page in ("attpage1", "attpage2", "attpage3", "attpage4", "attpage5"):
        lines += ["", "[%s]" % page]
        for key, r in LAYOUT[page].items():
            lines.append("%s=%s" % (key, rect_text(r)))
    lines += ["", "[cameratip]"]
    for key, value in CAMERATIP.items():
        lines.append("%s=%s" % (key, value if isinstance(value, str) else rect_text(value)))
    lines += ["", "[checkuser]"]
    for key, value in CHECKUSER.items():
        lines.append("%s=%s" % (key, value if isinstance(value, str) else rect_text(value)))
    with open(os.path.join(out, "skin.ini"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


# ---- dialog frame and menu (skins.ini) --------------------------------------------------
def make_dialog_bitmaps(out):
    files = {}

    def save(name, img, matte=WHITE, key=KEY):
        img.save_bmp(os.path.join(out, name), matte=matte, key=key)
        # Loaded with ".tmp" in place of ".bmp" when bitmap substitution is on.
        shutil.copyfile(os.path.join(out, name), os.path.join(out, name[:-4] + ".tmp"))
        files[name] = True

    cap = Img(64, 32, WHITE, 255)
    cap.rect(0, 0, 64, 32, vgrad(BLUE, BLUE_DARK, 0, 32))
    cap.rect(0, 31, 64, 32, hexrgb("175AB8"))
    save("caption.bmp", cap)
    for name, w, h in (("border_left.bmp", 3, 16), ("border_right.bmp", 3, 16), ("border_bottom.bmp", 16, 3)):
        b = Img(w, h, BLUE_DARK, 255)
        if name == "border_bottom.bmp":
            b.rect(0, 0, w, 1, BLUE)
        else:
            b.rect(1 if name == "border_left.bmp" else 0, 0, 2 if name == "border_left.bmp" else 1, h, BLUE)
        save(name, b)

    def caption_button(glyph):
        def draw(im, s):
            back = [None, hexrgb("3A8BE4"), hexrgb("1A56A8"), None][s]
            if glyph == "close" and s in (1, 2):
                back = [None, hexrgb("E5484D"), hexrgb("C7373C")][s]
            if back:
                im.round_rect(0, 0, 26, 20, 3, back)
            c = WHITE if s != 3 else hexrgb("9DB9E0")
            if glyph == "close":
                im.polyline([(9, 6), (17, 14)], 1.8, c)
                im.polyline([(17, 6), (9, 14)], 1.8, c)
            elif glyph == "min":
                im.rect(8, 13, 18, 15, c)
            elif glyph == "max":
                im.frame(8, 5, 18, 15, 0, c, 1.5)
            else:
                im.frame(10, 4, 19, 12, 0, c, 1.2)
                im.round_rect(7, 8, 16, 16, 0, BLUE_DARK if s == 0 or s == 3 else back)
                im.frame(7, 8, 16, 16, 0, c, 1.2)
        return state_strip(draw, 26, 20)

    for name, glyph in (("btn_close.bmp", "close"), ("btn_max.bmp", "max"), ("btn_restore.bmp", "restore"),
                        ("btn_min.bmp", "min")):
        save(name, caption_button(glyph), matte=BLUE_DARK)

    state = Img(16, 16)
    state.polyline([(3.5, 8.5), (6.5, 11.5), (12.5, 4.5)], 2.0, BLUE_DARK)
    save("menu_state.bmp", state, matte=hexrgb("FFFDF3"), key=MENU_KEY)
    sel = Img(40, 22)
    sel.round_rect(0, 0, 40, 22, 2, BLUE)
    sel.round_rect(1, 1, 39, 21, 1, vgrad(hexrgb("E3EFFC"), hexrgb("C9DFF8"), 1, 21))
    save("menu_sel.bmp", sel, key=MENU_KEY)

    bgr = lambda rgb: colorref(rgb)  # noqa: E731
    text = """; Skin settings of the unpacked skin folder. Colours are 0x00BBGGRR integers.
[Dialog]
BgColor={bg}
RoundCornerCX=11
RoundCornerCY=11
CaptionBitmap=caption.bmp
BorderLeftBitmap=border_left.bmp
BorderRightBitmap=border_right.bmp
BorderBottomBitmap=border_bottom.bmp
DrawLinePenColor={line}
BottomLTBgColor={blt}
BottomRBBgColor={brb}
CloseButtonBitmap=btn_close.bmp
MaxButtonBitmap=btn_max.bmp
RestoreButtonBitmap=btn_restore.bmp
MinButtonBitmap=btn_min.bmp
UIComponentString=
FontName=宋体
FontHeight=-12
FontWidth=-1
FontWeight=400

[Menu]
TextNormalColor={tn}
TextSelColor={ts}
TextGrayColor={tg}
ItemDarkColor={dark}
ItemNormalColor={normal}
ItemSelColor={sel}
ItemBorderColor={border}
BorderColor={mborder}
BitmapMask={mask}
ItemStateBitmap=menu_state.bmp
ItemSelBitmap=menu_sel.bmp
""".format(bg=bgr(WHITE), line=0xCDCDCD, blt=0xF2F0ED, brb=0xDFDAD5, tn=bgr(TEXT), ts=bgr(BLUE_DARK),
           tg=bgr(GREY_TEXT), dark=0xE8DE9C, normal=0xFFFDF3, sel=0xF3D0B4, border=0x89554B,
           mborder=bgr(BORDER), mask=bgr(MENU_KEY))
    # UTF-16 with a byte-order mark: the profile functions read it in any code page.
    with open(os.path.join(out, "skins.ini"), "wb") as f:
        f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))


# ---- control pictures and default.xml ---------------------------------------------------
def make_controls(out):
    os.makedirs(out, exist_ok=True)

    def save_states(prefix, draw, w, h, states=("normal", "hot", "down", "disable", "focus"), matte=WHITE):
        for i, s in enumerate(states):
            im = Img(w, h)
            draw(im, i)
            im.save_bmp(os.path.join(out, "%s_%s.bmp" % (prefix, s)), matte=matte)

    # push buttons 80 x 28 (nine-grid margins of 2 keep the 2-pixel corners)
    save_states("btn", lambda im, s: flat_button(im, s, 80, 28, 2), 80, 28)
    save_states("btn_gray", lambda im, s: flat_button(im, s, 80, 28, 2, primary=False), 80, 28)

    # PNG buttons with alpha, 120 x 34
    for i, s in enumerate(("normal", "hot", "down", "disable", "focus")):
        im = Img(120, 34)
        im.shadow(2, 2, 118, 31, 6, 2, strength=0.25)
        flat = Img(116, 30)
        flat_button(flat, i, 116, 30, 6)
        im.paste(flat, 2, 1)
        im.save_png(os.path.join(out, "btnpng_%s.png" % s))

    # check boxes and radio buttons, 15 x 15, key colour outside
    def check(im, s, checked):
        edge = [BORDER, BLUE, BLUE_DARK, GREY, BLUE][s]
        fill = [WHITE, BLUE_PALE, BLUE_LIGHT, hexrgb("F0F2F5"), WHITE][s]
        if checked:
            fill = [BLUE, BLUE_HOT, BLUE_DARK, GREY, BLUE][s]
            edge = [BLUE_DARK, BLUE, hexrgb("174F96"), hexrgb("A9B5C3"), hexrgb("0F4C9E")][s]
        im.round_rect(0, 0, 15, 15, 2.5, edge)
        im.round_rect(1, 1, 14, 14, 1.5, fill)
        if checked:
            im.polyline([(3.5, 7.5), (6.2, 10.3), (11.5, 4.5)], 1.9, WHITE)

    def radio(im, s, checked):
        edge = [BORDER, BLUE, BLUE_DARK, GREY, BLUE][s]
        fill = [WHITE, BLUE_PALE, BLUE_LIGHT, hexrgb("F0F2F5"), WHITE][s]
        im.circle(7.5, 7.5, 7.3, edge)
        im.circle(7.5, 7.5, 6.2, fill)
        if checked:
            im.circle(7.5, 7.5, 3.6, [BLUE, BLUE_HOT, BLUE_DARK, GREY, BLUE][s])

    for prefix, draw in (("check", check), ("radio", radio)):
        save_states(prefix, lambda im, s: draw(im, s, False), 15, 15)
        save_states(prefix + "s", lambda im, s: draw(im, s, True), 15, 15)

    # scroll bars (layout documented in the scroll-bar skin)
    sb = Img(80, 128, WHITE, 255)
    track = hexrgb("F1F4F8")
    for s in range(3):
        thumb = [hexrgb("C3CFDD"), hexrgb("A9BBD0"), hexrgb("8FA6C1")][s]
        arrow_back = [hexrgb("E8EDF3"), hexrgb("D8E3F0"), hexrgb("C6D5E7")][s]
        glyph = [hexrgb("7A8898"), BLUE, BLUE_DARK][s]
        x = 16 * s
        # vertical
        sb.rect(x, 0, x + 16, 32, arrow_back)
        sb.polygon([(x + 4, 10), (x + 12, 10), (x + 8, 5)], glyph)
        sb.polygon([(x + 4, 22), (x + 12, 22), (x + 8, 27)], glyph)
        sb.rect(x, 32, x + 16, 48, track)
        sb.rect(x, 48, x + 16, 80, track)
        sb.round_rect(x + 3, 48, x + 13, 56, 3, thumb)
        sb.rect(x + 3, 52, x + 13, 60, thumb)
        sb.round_rect(x + 3, 56, x + 13, 64, 3, thumb)
        sb.rect(x + 3, 64, x + 13, 80, thumb)
        for gy in (68, 71, 74):
            sb.rect(x + 5, gy, x + 11, gy + 1, WHITE)
        # horizontal
        y = 80 + 16 * s
        sb.rect(0, y, 32, y + 16, arrow_back)
        sb.polygon([(10, y + 4), (10, y + 12), (5, y + 8)], glyph)
        sb.polygon([(22, y + 4), (22, y + 12), (27, y + 8)], glyph)
        sb.rect(32, y, 80, y + 16, track)
        sb.round_rect(48, y + 3, 56, y + 13, 3, thumb)
        sb.rect(52, y + 3, 60, y + 13, thumb)
        sb.round_rect(56, y + 3, 64, y + 13, 3, thumb)
        sb.rect(64, y + 3, 80, y + 13, thumb)
        for gx in (68, 71, 74):
            sb.rect(gx, y + 5, gx + 1, y + 11, WHITE)
    sb.save_bmp(os.path.join(out, "scrollbar.bmp"), key=None)

    # combo drop button: four states of 18 x 20 (black is the mask colour, so none is used)
    combo = Img(72, 20, WHITE, 255)
    for s in range(4):
        back = [hexrgb("EEF2F7"), BLUE_LIGHT, hexrgb("C3D8F2"), hexrgb("F3F4F6")][s]
        glyph = [hexrgb("55616F"), BLUE_DARK, BLUE_DARK, GREY][s]
        combo.rect(18 * s, 0, 18 * s + 18, 20, back)
        combo.rect(18 * s, 0, 18 * s + 1, 20, hexrgb("D3DCE6"))
        combo.polygon([(18 * s + 5, 8), (18 * s + 13, 8), (18 * s + 9, 13)], glyph)
    combo.save_bmp(os.path.join(out, "combo_button.bmp"), key=None)

    # progress channel and bar, 100 x 14
    ch = Img(100, 14)
    ch.round_rect(0, 0, 100, 14, 6, hexrgb("C7D3E0"))
    ch.round_rect(1, 1, 99, 13, 5, vgrad(hexrgb("E6ECF3"), hexrgb("F7F9FC"), 1, 13))
    ch.save_bmp(os.path.join(out, "progress_channel.bmp"))
    act = Img(100, 14)
    act.round_rect(0, 0, 100, 14, 6, BLUE_DARK)
    act.round_rect(1, 1, 99, 13, 5, vgrad(hexrgb("6AAEF0"), BLUE, 1, 13))
    act.rect(6, 2, 94, 4, mix(hexrgb("6AAEF0"), WHITE, 0.35))
    act.save_bmp(os.path.join(out, "progress_active.bmp"))

    # track bar: PNG thumb and channel
    for i, s in enumerate(("normal", "hot", "down", "disable", "focus")):
        th = Img(16, 16)
        th.circle(8, 8.6, 7.4, (20, 50, 90), 0.25)
        th.circle(8, 8, 7.2, [BLUE, BLUE_HOT, BLUE_DARK, GREY, BLUE][i])
        th.circle(8, 8, 3.0, WHITE)
        th.save_png(os.path.join(out, "slider_thumb_%s.png" % s))
    for name, top, bottom in (("slider_channel.png", hexrgb("D5DEE8"), hexrgb("E9EEF4")),
                              ("slider_active.png", hexrgb("5AA2EE"), BLUE)):
        sc = Img(40, 6)
        sc.round_rect(0, 0, 40, 6, 3, vgrad(top, bottom, 0, 6))
        sc.save_png(os.path.join(out, name))

    # list header items 40 x 24 and the selected row 40 x 22
    for i, s in enumerate(("normal", "hot", "down")):
        hd = Img(40, 24, WHITE, 255)
        tops = [hexrgb("FAFBFD"), hexrgb("F2F7FD"), hexrgb("DDE7F3")]
        bottoms = [hexrgb("E4EAF2"), hexrgb("DCE8F7"), hexrgb("CCDAEC")]
        hd.rect(0, 0, 40, 24, vgrad(tops[i], bottoms[i], 0, 24))
        hd.rect(0, 23, 40, 24, hexrgb("B9C6D6"))
        hd.rect(38, 4, 39, 20, hexrgb("C5D0DD"))
        hd.rect(39, 4, 40, 20, WHITE)
        if i == 1:
            hd.rect(0, 0, 40, 2, BLUE_HOT)
        hd.save_bmp(os.path.join(out, "header_%s.bmp" % s), key=None)
    sel = Img(40, 22)
    sel.round_rect(0, 0, 40, 22, 2.5, hexrgb("7FB0E8"))
    sel.round_rect(1, 1, 39, 21, 1.5, vgrad(hexrgb("E6F1FD"), hexrgb("C8DEF8"), 1, 21))
    sel.save_bmp(os.path.join(out, "list_select.bmp"))

    c = {  # colour attribute values
        "text": rgb_attr(TEXT), "white": rgb_attr(WHITE), "blue": rgb_attr(BLUE), "bluedark": rgb_attr(BLUE_DARK),
        "grey": rgb_attr(GREY_TEXT), "border": rgb_attr(BORDER), "rowalt": rgb_attr(hexrgb("F5F8FC")),
    }
    xml = """<?xml version="1.0" encoding="utf-8"?>
<!-- The default skin: fonts (negative sizes are character heights in pixels), colours, the default
     record of every control kind and named variants. -->
<skin>
  <publicfont>
    <font id="font.normal" fontface="宋体" fontsize="-13"/>
    <font id="font.bold" fontface="宋体" fontsize="-13" bold="true"/>
    <font id="font.list" fontface="宋体" fontsize="-14"/>
    <font id="font.title" fontface="幼圆" fontsize="-18" bold="true"/>
    <font id="font.link" fontface="宋体" fontsize="-13" underline="true"/>
  </publicfont>
  <publiccolor>
    <color id="clr.text" value="{text}"/>
    <color id="clr.white" value="{white}"/>
    <color id="clr.primary" value="{blue}"/>
    <color id="clr.primarydark" value="{bluedark}"/>
    <color id="clr.disabled" value="{grey}"/>
    <color id="clr.border" value="{border}"/>
    <color id="clr.rowalt" value="{rowalt}"/>
  </publiccolor>
  <defaultskin>
    <button bmpbacknormal="btn_normal.bmp" bmpbackhot="btn_hot.bmp" bmpbackdown="btn_down.bmp"
            bmpbackdisable="btn_disable.bmp" bmpbackfocus="btn_focus.bmp" clrnormal="#clr.white"
            clrhot="#clr.white" clrdown="#clr.white" clrdisable="#clr.white" clrfocus="#clr.white"/>
    <radiocheck bmpbacknormal="check_normal.bmp" bmpbackhot="check_hot.bmp" bmpbackdown="check_down.bmp"
                bmpbackdisable="check_disable.bmp" bmpbackfocus="check_focus.bmp"
                bmpbacknormals="checks_normal.bmp" bmpbackhots="checks_hot.bmp" bmpbackdowns="checks_down.bmp"
                bmpbackdisables="checks_disable.bmp" bmpbackfocuss="checks_focus.bmp"
                clrnormal="#clr.text" clrhot="#clr.primarydark" clrdown="#clr.primarydark"
                clrdisable="#clr.disabled" clrfocus="#clr.text" clrback="#clr.white" font="#font.normal"/>
    <edit clrborder="#clr.border" clrbacknormal="#clr.white" clrdisable="RGB(239,235,239)" bmpscroll="scrollbar.bmp"/>
    <combobox clrborder="#clr.border" bmpbutton="combo_button.bmp"/>
    <progress clrprogress="#clr.primary" channel_normal="progress_channel.bmp" channel_active="progress_active.bmp"
              bmpoffset="6" hastext="true" font="#font.bold" clrtext="#clr.text"/>
    <slider thumbnormal="slider_thumb_normal.png" thumbhot="slider_thumb_hot.png" thumbdown="slider_thumb_down.png"
            thumbdisable="slider_thumb_disable.png" thumbfocus="slider_thumb_focus.png"
            channelnormal="slider_channel.png" channelactive="slider_active.png" clrbackground="#clr.white"
            nchanneloffset="8"/>
    <headctrl bmpitemnormal="header_normal.bmp" bmpitemhot="header_hot.bmp" bmpitemdown="header_down.bmp"
              clrtextnormal="#clr.text" clrtexthot="#clr.primarydark" clrtextdown="#clr.primarydark"
              borderoffset="(3,3,3,3)" font="#font.bold" nitemheight="24"/>
    <listctrl bmpitemselect="list_select.bmp" clritemback1="#clr.rowalt" clritemback2="#clr.white"
              clrtextnormal="#clr.text" clrtextselect="#clr.primarydark" font="#font.list" bmpscroll="scrollbar.bmp"
              strheadlabel="head.default" clrborder="#clr.border" nitemheight="22" borderoffset="(3,3,3,3)"/>
  </defaultskin>
  <adjustbutton>
    <button name="btn.default" bmpbacknormal="btn_normal.bmp" bmpbackhot="btn_hot.bmp" bmpbackdown="btn_down.bmp"
            bmpbackdisable="btn_disable.bmp" bmpbackfocus="btn_focus.bmp" clrnormal="#clr.white"
            clrhot="#clr.white" clrdown="#clr.white" clrdisable="#clr.white" clrfocus="#clr.white"/>
    <button name="btn.gray" bmpbacknormal="btn_gray_normal.bmp" bmpbackhot="btn_gray_hot.bmp"
            bmpbackdown="btn_gray_down.bmp" bmpbackdisable="btn_gray_disable.bmp" bmpbackfocus="btn_gray_focus.bmp"
            clrnormal="#clr.text" clrhot="#clr.primarydark" clrdown="#clr.primarydark" clrdisable="#clr.disabled"
            clrfocus="#clr.text"/>
    <button name="btn.png" ispngback="true" bmpbacknormal="btnpng_normal.png" bmpbackhot="btnpng_hot.png"
            bmpbackdown="btnpng_down.png" bmpbackdisable="btnpng_disable.png" bmpbackfocus="btnpng_focus.png"
            clrnormal="#clr.white" clrhot="#clr.white" clrdown="#clr.white" clrdisable="#clr.white"
            clrfocus="#clr.white" ntextpos="0"/>
  </adjustbutton>
  <adjustradiocheck>
    <radiocheck name="check.default" bmpbacknormal="check_normal.bmp" bmpbackhot="check_hot.bmp"
                bmpbackdown="check_down.bmp" bmpbackdisable="check_disable.bmp" bmpbackfocus="check_focus.bmp"
                bmpbacknormals="checks_normal.bmp" bmpbackhots="checks_hot.bmp" bmpbackdowns="checks_down.bmp"
                bmpbackdisables="checks_disable.bmp" bmpbackfocuss="checks_focus.bmp"
                clrnormal="#clr.text" clrhot="#clr.primarydark" clrdown="#clr.primarydark"
                clrdisable="#clr.disabled" clrfocus="#clr.text" clrback="#clr.white" font="#font.normal"/>
    <radiocheck name="radio.default" bmpbacknormal="radio_normal.bmp" bmpbackhot="radio_hot.bmp"
                bmpbackdown="radio_down.bmp" bmpbackdisable="radio_disable.bmp" bmpbackfocus="radio_focus.bmp"
                bmpbacknormals="radios_normal.bmp" bmpbackhots="radios_hot.bmp" bmpbackdowns="radios_down.bmp"
                bmpbackdisables="radios_disable.bmp" bmpbackfocuss="radios_focus.bmp"
                clrnormal="#clr.text" clrhot="#clr.primarydark" clrdown="#clr.primarydark"
                clrdisable="#clr.disabled" clrfocus="#clr.text" clrback="#clr.white" font="#font.normal"/>
    <radiocheck name="group.default" clrnormal="#clr.border" clrdisable="#clr.disabled" clrback="#clr.white"
                font="#font.bold"/>
  </adjustradiocheck>
  <adjustedit>
    <edit name="edit.default" clrborder="#clr.border" clrbacknormal="#clr.white" clrdisable="RGB(239,235,239)"
          bmpscroll="scrollbar.bmp"/>
  </adjustedit>
  <adjustcombobox>
    <combobox name="combo.default" clrborder="#clr.border" bmpbutton="combo_button.bmp"/>
  </adjustcombobox>
  <adjustprogress>
    <progress name="progress.default" clrprogress="#clr.primary" channel_normal="progress_channel.bmp"
              channel_active="progress_active.bmp" bmpoffset="6" hastext="true" font="#font.bold"
              clrtext="#clr.text"/>
  </adjustprogress>
  <adjustslider>
    <slider name="slider.default" thumbnormal="slider_thumb_normal.png" thumbhot="slider_thumb_hot.png"
            thumbdown="slider_thumb_down.png" thumbdisable="slider_thumb_disable.png"
            thumbfocus="slider_thumb_focus.png" channelnormal="slider_channel.png" channelactive="slider_active.png"
            clrbackground="#clr.white" nchanneloffset="8"/>
  </adjustslider>
  <adjustheadctrl>
    <headctrl name="head.default" bmpitemnormal="header_normal.bmp" bmpitemhot="header_hot.bmp"
              bmpitemdown="header_down.bmp" clrtextnormal="#clr.text" clrtexthot="#clr.primarydark"
              clrtextdown="#clr.primarydark" borderoffset="(3,3,3,3)" font="#font.bold" nitemheight="24"/>
  </adjustheadctrl>
  <adjustlistctrl>
    <listctrl name="list.device" bmpitemselect="list_select.bmp" clritemback1="#clr.rowalt"
              clritemback2="#clr.white" clrtextnormal="#clr.text" clrtextselect="#clr.primarydark"
              font="#font.list" bmpscroll="scrollbar.bmp" strheadlabel="head.default" clrborder="#clr.border"
              nitemheight="22" borderoffset="(3,3,3,3)"/>
  </adjustlistctrl>
</skin>
""".format(**c)
    with open(os.path.join(out, "default.xml"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(xml)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    if os.path.exists(out):
        shutil.rmtree(out)
    os.makedirs(out)
    tmp = tempfile.mkdtemp(prefix="veneer-skin-")
    try:
        make_dialog_bitmaps(out)
        make_images(os.path.join(out, "images"), tmp)
        make_controls(os.path.join(out, "default_skin"))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
