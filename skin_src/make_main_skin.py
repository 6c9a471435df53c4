#!/usr/bin/python3
"""Generates the main page of the skin: its layouts, menus and images.

The page repeats the same strips, band columns and speaker marks many times, so it is
written from the tables below rather than by hand. Usage: make_main_skin.py <out folder>;
the files land in <out>/xml and <out>/img, next to the hand-made skin files.
"""

import math
import os
import struct
import sys
import zlib
from xml.sax.saxutils import escape

# ---- Theme -------------------------------------------------------------------------------
BG = "#FF1A1D22"
PANEL = "#FF23272E"
PANEL_EDGE = "#FF323842"
RAISED = "#FF2C3139"
RAISED_EDGE = "#FF3B424C"
SUNKEN = "#FF14161A"
TEXT = "#FFD7DBE0"
DIM = "#FF8B939D"
ACCENT = "#FFF2A23A"
ACCENT_DARK = "#FF3A2C18"
ON_ACCENT = "#FF17191D"


def qss_color(argb):
    """#AARRGGBB -> #RRGGBB for style sheets (all colours here are opaque)."""
    return "#" + argb[3:]


STYLE = """
QWidget {{ color: {text}; }}
#MainWnd_page {{ background: {bg}; }}
QFrame[panel="true"] {{ background: {panel}; border: 1px solid {edge}; border-radius: 6px; }}
QFrame[strip="true"] {{ background: {raised}; border: 1px solid {edge}; border-radius: 4px; }}
QFrame[edge="true"] {{ background: {accent}; border: none; }}
QLabel {{ background: transparent; border: none; }}
QLabel[role="dim"] {{ color: {dim}; }}
QLabel[role="head"] {{ color: {accent}; }}
QLabel[role="title"] {{ color: {text}; }}
QLabel[role="con"] {{ background: {accent}; }}
QPushButton {{ background: {raised}; border: 1px solid {redge}; border-radius: 4px; padding: 0px 4px; }}
QPushButton:hover {{ border-color: {accent}; }}
QPushButton:pressed {{ background: {redge}; }}
QPushButton:disabled {{ color: #5B626C; border-color: {edge}; }}
QPushButton[flat="true"] {{ background: transparent; border: none; color: {dim}; }}
QPushButton[flat="true"]:hover {{ color: {accent}; }}
QLineEdit {{ background: {sunken}; border: 1px solid #363C45; border-radius: 3px; color: #ECEFF2;
  selection-background-color: {accent}; selection-color: {onaccent}; padding: 0px 1px; }}
QLineEdit:focus {{ border-color: {accent}; }}
QLineEdit[tight="true"] {{ padding: 0px; border-radius: 2px; }}
QLineEdit:disabled {{ color: #565D66; }}
QComboBox {{ background: {sunken}; border: 1px solid #363C45; border-radius: 3px; padding: 0px 4px; }}
QComboBox:hover {{ border-color: {accent}; }}
QComboBox::drop-down {{ border: none; width: 14px; }}
QComboBox QAbstractItemView {{ background: {panel}; border: 1px solid {edge}; selection-background-color: {accentdark}; selection-color: {accent}; }}
QRadioButton {{ background: {raised}; border: 1px solid {redge}; border-radius: 3px; padding: 0px 2px; spacing: 0px; }}
QRadioButton::indicator {{ width: 0px; height: 0px; border: none; background: transparent; image: none; margin: 0px; }}
QRadioButton:hover {{ border-color: {accent}; }}
QRadioButton:checked {{ background: {accent}; color: {onaccent}; border-color: {accent}; }}
QRadioButton:disabled {{ color: #4A5058; background: {panel}; }}
QCheckBox {{ background: transparent; spacing: 4px; }}
QCheckBox::indicator {{ width: 11px; height: 11px; border: 1px solid #59616B; border-radius: 2px; background: {sunken}; }}
QCheckBox::indicator:checked {{ background: {accent}; border-color: {accent}; }}
QSlider {{ background: transparent; }}
QSlider::groove:horizontal {{ height: 4px; background: #3A414B; border-radius: 2px; }}
QSlider::sub-page:horizontal {{ background: {accent}; border-radius: 2px; }}
QSlider::handle:horizontal {{ background: #EEF0F2; width: 8px; margin: -5px 0px; border-radius: 4px; }}
QSlider::groove:vertical {{ width: 4px; background: #3A414B; border-radius: 2px; }}
QSlider::add-page:vertical {{ background: #3A414B; border-radius: 2px; }}
QSlider::sub-page:vertical {{ background: #3A414B; border-radius: 2px; }}
QSlider::handle:vertical {{ background: #EEF0F2; height: 8px; margin: 0px -5px; border-radius: 4px; }}
QListWidget {{ background: {sunken}; border: 1px solid {edge}; border-radius: 4px; outline: none; }}
QListWidget::item {{ color: {dim}; padding-left: 2px; }}
QListWidget::item:selected {{ background: {accentdark}; color: {accent}; }}
QListWidget::item:hover {{ color: {text}; }}
""".format(text=qss_color(TEXT), bg=qss_color(BG), panel=qss_color(PANEL), edge=qss_color(PANEL_EDGE),
           raised=qss_color(RAISED), redge=qss_color(RAISED_EDGE), sunken=qss_color(SUNKEN),
           dim=qss_color(DIM), accent=qss_color(ACCENT), accentdark=qss_color(ACCENT_DARK),
           onaccent=qss_color(ON_ACCENT))

# ---- Model tables the page shows -----------------------------------------------------------
CHANNELS = 6
BANDS = 31
PAIRS = 3
INPUTS = 4
SOURCES = ["source_opt", "source_coax", "source_bt", "source_aux", "source_low", "source_hi",
           "source_dmp", "source_udp", "source_scp"]
POSITION_TAGS = [
    "output_item_empty",
    "output_menu_front_left_high_freq", "output_menu_front_left_mid_freq",
    "output_menu_front_left_low_freq", "output_menu_front_left_mid_high_freq",
    "output_menu_front_left_mid_low_freq", "output_menu_front_left_all_freq",
    "output_menu_front_right_high_freq", "output_menu_front_right_mid_freq",
    "output_menu_front_right_low_freq", "output_menu_front_right_mid_high_freq",
    "output_menu_front_right_mid_low_freq", "output_menu_front_right_all_freq",
    "output_menu_rear_left_high_freq", "output_menu_rear_left_low_freq",
    "output_menu_rear_left_all_freq",
    "output_menu_rear_right_high_freq", "output_menu_rear_right_low_freq",
    "output_menu_rear_right_all_freq",
    "output_menu_center_high_freq", "output_menu_center_low_freq", "output_menu_center_all_freq",
    "output_menu_subwoof_left", "output_menu_subwoof_right", "output_menu_subwoof_low",
]
POSITION_TEXTS = [
    "empty",
    "front_left_tweeter", "front_left_midrange", "front_left_woofer", "front_left_mid_twee",
    "front_left_mid_woof", "front_left_full",
    "front_right_tweeter", "front_right_midrange", "front_right_woofer", "front_right_mid_twee",
    "front_right_mid_woof", "front_right_full",
    "rear_left_tweeter", "rear_left_woofer", "rear_left_full",
    "rear_right_tweeter", "rear_right_woofer", "rear_right_full",
    "center_tweeter", "center_woofer", "center_full",
    "left_subwoofer_freq", "right_subwoofer_freq", "subwoofer_freq",
]
DELAY_LINK_COLOURS = ["#666666", "#0088FF", "#00AEAE", "#0000E3", "#FF0000", "#FF8040", "#8600FF"]

# ---- Form writer ----------------------------------------------------------------------------


def prop(name, value, dynamic=False):
    stdset = ' stdset="0"' if dynamic else ""
    if isinstance(value, bool):
        body = "<bool>%s</bool>" % ("true" if value else "false")
    elif isinstance(value, int):
        body = "<number>%d</number>" % value
    elif isinstance(value, tuple) and value[0] == "enum":
        body = "<enum>%s</enum>" % value[1]
    elif isinstance(value, tuple) and value[0] == "set":
        body = "<set>%s</set>" % value[1]
    elif isinstance(value, tuple) and value[0] == "font":
        size, bold = value[1], value[2]
        body = "<font><pointsize>%d</pointsize><bold>%s</bold></font>" % (
            size, "true" if bold else "false")
    else:
        body = "<string>%s</string>" % escape(str(value))
    return '<property name="%s"%s>%s</property>' % (name, stdset, body)


# Standard (Qt) properties; everything else becomes a dynamic property.
STD_PROPS = {"text", "toolTip", "checkable", "checked", "minimum", "maximum", "singleStep",
             "pageStep", "value", "orientation", "alignment", "font", "readOnly", "visible",
             "focusPolicy", "styleSheet", "autoExclusive", "maxLength", "wordWrap", "enabled",
             "frameShape", "invertedAppearance"}


class Form:
    def __init__(self):
        self.parts = []

    def add(self, cls, name, x, y, w, h, items=None, children=None, **props):
        out = ['<widget class="%s" name="%s">' % (cls, name),
               prop("geometry", None).replace("<string>None</string>",
                                               "<rect><x>%d</x><y>%d</y><width>%d</width>"
                                               "<height>%d</height></rect>" % (x, y, w, h))]
        for key, value in props.items():
            out.append(prop(key, value, dynamic=key not in STD_PROPS))
        for item in items or []:
            out.append("<item>%s</item>" % prop("text", item))
        if children is not None:
            out.append(children.xml())
        out.append("</widget>")
        self.parts.append("".join(out))

    def xml(self):
        return "\n".join(self.parts)


CUSTOM = """ <customwidgets>
  <customwidget><class>SButton</class><extends>QPushButton</extends><header>ui/sbutton.h</header></customwidget>
  <customwidget><class>Curve</class><extends>QWidget</extends><header>graph/equalizer.h</header></customwidget>
 </customwidgets>"""


def document(cls, root_name, w, h, body, root_props=""):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0">\n <class>%s</class>\n'
            ' <widget class="QWidget" name="%s">\n%s\n%s\n%s\n </widget>\n%s\n <resources/>\n'
            ' <connections/>\n</ui>\n' % (
                cls, root_name,
                '<property name="geometry"><rect><x>0</x><y>0</y><width>%d</width>'
                '<height>%d</height></rect></property>' % (w, h),
                root_props, body, CUSTOM))


def font(size, bold=False):
    return ("font", size, bold)


def switch_look(selected_back=ACCENT, selected_text=ON_ACCENT):
    return {"bkcolor": RAISED, "textcolor": TEXT, "hottextcolor": ACCENT,
            "disabledtextcolor": "#FF5B626C", "selectedbkcolor": selected_back,
            "selectedtextcolor": selected_text, "selectedhottextcolor": selected_text}


def option(form, name, x, y, w, h, text, userdata=None, checked=False, **extra):
    props = dict(text=text, checkable=True, autoExclusive=False, checked=checked)
    if userdata is not None:
        props["userdata"] = str(userdata)
    props.update(extra)
    form.add("QRadioButton", name, x, y, w, h, **props)


# ---- The channel strips ("channel_settings") --------------------------------------------------
STRIP_W = 160
STRIP_H = 156
STRIP_GAP = 5


def channel_settings():
    f = Form()
    for ch in range(CHANNELS):
        x0 = ch * (STRIP_W + STRIP_GAP)
        f.add("QFrame", "ch_strip_%d" % ch, x0, 0, STRIP_W, STRIP_H, strip=True)
        # The current channel's frame: four accent edges around the strip.
        f.add("QFrame", "ch_border_top_%d" % ch, x0, 0, STRIP_W, 2, edge=True, userdata=str(ch))
        f.add("QFrame", "ch_border_buttom_%d" % ch, x0, STRIP_H - 2, STRIP_W, 2, edge=True,
              userdata=str(ch))
        f.add("QFrame", "ch_border_left_%d" % ch, x0, 0, 2, STRIP_H, edge=True, userdata=str(ch))
        f.add("QFrame", "ch_border_right_%d" % ch, x0 + STRIP_W - 2, 0, 2, STRIP_H, edge=True,
              userdata=str(ch))
        x = x0 + 6
        y = 6
        look = switch_look()
        f.add("SButton", "ch_enable_%d" % ch, x, y, 40, 22, text="CH%d" % (ch + 1),
              userdata=str(ch), font=font(9, True), toolTip="${select_channel}", **look)
        f.add("QPushButton", "ch_output_btn_%d" % ch, x + 44, y, 104, 22,
              text="${%s}" % POSITION_TEXTS[0], userdata=str(ch), font=font(7),
              toolTip="${speaker_position}")
        y += 27
        f.add("QLabel", "ch_level_caption_%d" % ch, x, y, 30, 18, text="${level}", role="dim",
              font=font(7))
        f.add("QSlider", "slider_ch_volume_%d" % ch, x + 30, y, 60, 18,
              orientation=("enum", "Qt::Horizontal"), minimum=-600, maximum=0, singleStep=5,
              pageStep=50, value=0, userdata=str(ch))
        f.add("QLineEdit", "edit_ch_volume_%d" % ch, x + 92, y, 56, 18, text="0.0dB",
              userdata=str(ch), font=font(8), alignment=("set", "Qt::AlignCenter"))
        y += 23
        f.add("QLabel", "ch_delay_caption_%d" % ch, x, y, 30, 18, text="${delay}", role="dim",
              font=font(7))
        f.add("QLabel", "control_empty_%d" % ch, x + 30, y, 60, 18, userdata=str(ch))
        f.add("QSlider", "slider_ch_delay_%d" % ch, x + 30, y, 60, 18,
              orientation=("enum", "Qt::Horizontal"), minimum=0, maximum=15000, singleStep=21,
              pageStep=1000, value=0, userdata=str(ch), visible=False)
        f.add("QLineEdit", "edit_ch_delay_%d" % ch, x + 92, y, 56, 18, text="0.000",
              userdata=str(ch), font=font(7), tight=True, alignment=("set", "Qt::AlignCenter"))
        y += 25
        option(f, "ch_mute_%d" % ch, x, y, 50, 20, "${mute}", ch, font=font(8))
        option(f, "ch_phase_%d" % ch, x + 53, y, 42, 20, "${positive_phase}", ch, font=font(8))
        option(f, "ch_solo_%d" % ch, x + 98, y, 50, 20, "${solo}", ch, font=font(8))
        y += 24
        option(f, "ch_show_%d" % ch, x, y, 46, 20, "${curve_show}", ch, checked=True,
               font=font(8), toolTip="${curve_show_tips}")
        option(f, "ch_synchronize_%d" % ch, x + 49, y, 46, 20, "${synchronize}", ch, font=font(8),
               toolTip="${synchronize_tips}")
        option(f, "delay_link_%d" % ch, x + 98, y, 50, 20, "${delay_link}", ch, font=font(8),
               toolTip="${delay_link_tips}")
        y += 25
        f.add("QLabel", "ch_in_caption_%d" % ch, x, y, 30, 20, text="${input}", role="dim",
              font=font(7))
        for j in range(INPUTS):
            option(f, "option_ch_in%d_%d" % (j, ch), x + 30 + j * 30, y, 27, 20, str(j + 1),
                   "%d,%d" % (j, ch), font=font(8), toolTip="${route_input_tips}")
    width = CHANNELS * (STRIP_W + STRIP_GAP) - STRIP_GAP
    return document("ChannelSettings", "channel_settings_mixer", width, STRIP_H, f.xml())


# ---- The main page ---------------------------------------------------------------------------
W, H = 1230, 650
CAPTION = 40
LEFT_X, LEFT_W = 10, 184
MID_X = 200
RIGHT_END = 1220

# Speaker marks of the diagram: code -> (x, y, edit on the left side) in the panel.
CAR = (134, 14, 110, 192)


def speaker_places():
    places = {}
    for i in range(6):  # front left 1..6, front right 7..12: two columns, three rows
        col, row = i % 2, i // 2
        places[1 + i] = (8 + col * 62, 14 + row * 24, False)
        places[7 + i] = (246 + col * 62, 14 + row * 24, True)
    for i in range(3):
        places[13 + i] = (70, 122 + i * 24, False)
        places[16 + i] = (246, 122 + i * 24, True)
        places[19 + i] = (150, 30 + i * 24, False)
        places[22 + i] = (150, 116 + i * 24, False)
    return places


def main_page():
    f = Form()
    # Caption bar.
    f.add("QLabel", "logo", 12, 6, 28, 28, role="logo")
    f.add("QLabel", "title_label", 46, 4, 200, 18, text="KR DSP Audio", role="title",
          font=font(11, True))
    f.add("QLabel", "model_label", 46, 21, 200, 14, text="PVQ-6 · 6CH DSP", role="dim",
          font=font(7))
    x = 250
    for name, key in (("btn_option", "${option}"), ("btn_scene", "${scene}"),
                      ("btn_advance", "${advance}")):
        f.add("QPushButton", name, x, 8, 110, 24, text=key, font=font(9),
              focusPolicy=("enum", "Qt::NoFocus"))
        x += 114
    # The undo history: small arrows beside the menus.
    for name, glyph, tip in (("btn_undo", "↶", "${undo_tips}"), ("btn_redo", "↷", "${redo_tips}")):
        f.add("QPushButton", name, x, 8, 28, 24, text=glyph, font=font(11),
              focusPolicy=("enum", "Qt::NoFocus"), toolTip=tip)
        x += 32
    f.add("QPushButton", "btn_debug", 980, 8, 60, 24, text="${debug}", font=font(8),
          focusPolicy=("enum", "Qt::NoFocus"), visible=False)
    # Names the window's routing knows but that act on nothing on this amplifier; they
    # stay hidden so that a layout carrying them behaves like this one.
    f.add("QPushButton", "btn_irc", 900, 8, 60, 24, focusPolicy=("enum", "Qt::NoFocus"),
          visible=False)
    f.add("QComboBox", "btn_channel_select", 820, 8, 60, 24,
          focusPolicy=("enum", "Qt::NoFocus"), visible=False)
    f.add("SButton", "btnConnect", 1046, 8, 112, 24, text="${btn_disconnected}",
          focusPolicy=("enum", "Qt::NoFocus"),
          **dict(switch_look(selected_back="#FF1F8A4C", selected_text="#FFFFFFFF"),
                 font=font(8, True)))
    f.add("QPushButton", "minbtn", 1166, 8, 24, 24, text="–", flat=True,
          focusPolicy=("enum", "Qt::NoFocus"), toolTip="${minimize}")
    f.add("QPushButton", "closebtn", 1194, 8, 24, 24, text="✕", flat=True,
          focusPolicy=("enum", "Qt::NoFocus"), toolTip="${exit}")
    f.add("QFrame", "caption_line", 0, CAPTION - 1, W, 1, edge=True)

    # Left column: source, master, ACC, versions.
    top = CAPTION + 6
    left = Form()
    left.add("QLabel", "source_caption", 10, 6, 160, 16, text="${input_source}", role="head",
             font=font(8, True))
    left.add("QListWidget", "btn_input_source", 10, 24, 164, 9 * 18,
             items=["${%s}" % s for s in SOURCES], font=font(9),
             focusPolicy=("enum", "Qt::NoFocus"))
    y = 136
    left.add("QLabel", "master_caption", 10, y, 164, 16, text="${master_volume}", role="head",
             font=font(8, True))
    y += 20
    left.add("QSlider", "slider_main_volume", 10, y, 100, 22,
             orientation=("enum", "Qt::Horizontal"), minimum=-60, maximum=6, value=0)
    left.add("QLineEdit", "edit_main_volume", 116, y, 58, 22, text="0dB",
             alignment=("set", "Qt::AlignCenter"), font=font(9, True))
    y += 28
    option(left, "main_mute", 10, y, 80, 22, "${mute}", font=font(8))
    y += 34
    left.add("QLabel", "acc_caption", 10, y, 164, 16, text="${acc}", role="head",
             font=font(8, True))
    y += 20
    left.add("QSlider", "slider_acc", 10, y, 100, 22, orientation=("enum", "Qt::Horizontal"),
             minimum=0, maximum=20, value=0)
    left.add("QLineEdit", "edit_acc", 116, y, 58, 22, text="${off}",
             alignment=("set", "Qt::AlignCenter"), font=font(9, True))
    # The amplifier switches: on shows selected, off shows its text in red.
    y = 268
    left.add("QLabel", "switch_caption", 10, y, 164, 16, text="${amplifier}", role="head",
             font=font(8, True))
    sw = dict(switch_look(), font=font(7), focusPolicy=("enum", "Qt::NoFocus"))
    left.add("SButton", "btn_amp_onoff", 10, y + 20, 164, 22, text="${amp_on}", **sw)
    left.add("SButton", "btn_rem_out1_onoff", 10, y + 46, 80, 22, text="${rem_out1_on}", **sw)
    left.add("SButton", "btn_rem_out2_onoff", 94, y + 46, 80, 22, text="${rem_out2_on}", **sw)
    left.add("SButton", "btn_2ohm_spk", 10, y + 72, 164, 22, text="${btn_2ohm_spk}", **sw)
    left.add("SButton", "btn_noise_gate", 10, y + 98, 164, 22, text="${btn_noise_gate_on}",
             **sw)
    y = 392
    left.add("QLabel", "soft_version", 10, y, 164, 16, text="${soft_version}", role="dim",
             font=font(7))
    left.add("QLabel", "inner_fw_version", 10, y + 14, 164, 16, text="${inner_fw_version}",
             role="dim", font=font(7))
    f.add("QFrame", "left_panel", LEFT_X, top, LEFT_W, 430 - top + CAPTION, panel=True,
          children=left)

    # Graph.
    graph_w = 640
    f.add("QFrame", "graph_panel", MID_X, top, graph_w, 216, panel=True)
    f.add("Curve", "equalizer", MID_X + 1, top + 1, graph_w - 2, 214, userdata="-1")

    # Speaker diagram.
    spk = Form()
    spk.add("QLabel", "car_image", CAR[0], CAR[1], CAR[2], CAR[3])
    for code, (x, y, edit_left) in sorted(speaker_places().items()):
        mark_x = x + 44 if edit_left else x
        edit_x = x if edit_left else x + 22
        spk.add("SButton", "speaker_%d" % code, mark_x, y, 18, 18, userdata=str(code),
                normalimage="img/speaker.png", hotimage="img/speaker_hot.png",
                selectedimage="img/speaker_sel.png", toolTip="${%s}" % POSITION_TEXTS[code],
                focusPolicy=("enum", "Qt::NoFocus"))
        con_x = mark_x - 5 if edit_left else mark_x + 18
        spk.add("QLabel", "spk_con_%d" % code, con_x, y + 8, 4, 2, role="con", userdata=str(code))
        spk.add("QLineEdit", "spk_delay_%d" % code, edit_x, y + 1, 40, 16, text="0.000",
                userdata=str(code), font=font(7), alignment=("set", "Qt::AlignCenter"))
    spk.add("QLabel", "speaker_caption", 8, 176, 60, 14, text="${delay}", role="dim",
            font=font(7))
    spk.add("QPushButton", "btn_delay_down", 8, 192, 26, 20, text="−", font=font(9, True))
    spk.add("QPushButton", "btn_delay_up", 38, 192, 26, 20, text="+", font=font(9, True))
    diag_x = MID_X + graph_w + 6
    spk_w = RIGHT_END - diag_x
    spk.add("QPushButton", "btn_distances", spk_w - 8 - 112, 192, 112, 20,
            text="${speaker_distances}", font=font(8), toolTip="${speaker_distances_tips}")
    f.add("QFrame", "speaker_panel", diag_x, top, spk_w, 216, panel=True,
          children=spk)

    # Crossover and current-channel row.
    row_y = top + 222
    row = Form()
    x = 6
    items = []

    def put(cls, name, w, **props):
        nonlocal x
        row.add(cls, name, x, 3, w, 22, **props)
        x += w + 3

    put("QLabel", "label_channel_name", 38, text="CH1", role="head", font=font(10, True))
    put("QLabel", "hp_caption", 26, text="HPF", role="dim", font=font(8, True))
    put("QComboBox", "hp_type", 72, items=["-", "${butterworth}", "${linkwitz_riley}",
                                           "${bessel}"], font=font(8))
    put("QComboBox", "hp_slop", 70, items=["${off}"] + ["%ddB" % (6 * n) for n in range(1, 9)],
        font=font(8))
    put("QLineEdit", "hp_freq", 56, text="20Hz", alignment=("set", "Qt::AlignCenter"),
        font=font(8))
    x += 6
    put("QLabel", "lp_caption", 26, text="LPF", role="dim", font=font(8, True))
    put("QComboBox", "lp_type", 72, items=["-", "${butterworth}", "${linkwitz_riley}",
                                           "${bessel}"], font=font(8))
    put("QComboBox", "lp_slop", 70, items=["${off}"] + ["%ddB" % (6 * n) for n in range(1, 9)],
        font=font(8))
    put("QLineEdit", "lp_freq", 56, text="20000Hz", alignment=("set", "Qt::AlignCenter"),
        font=font(8))
    x += 6
    put("QSlider", "slider_ch_volume", 64, orientation=("enum", "Qt::Horizontal"),
        minimum=-600, maximum=0, singleStep=5, pageStep=50, value=0)
    put("QLineEdit", "edit_ch_volume", 54, text="0.0dB", alignment=("set", "Qt::AlignCenter"),
        font=font(8))
    row.parts.append("")
    option(row, "ch_mute", x, 3, 58, 22, "${mute}", font=font(8))
    x += 61
    option(row, "ch_phase", x, 3, 58, 22, "${positive_phase}", font=font(8))
    x += 61 + 4
    put("QPushButton", "btn_bypass", 84, text="${bypass_eq}", font=font(8))
    put("QPushButton", "btn_reset_eq", 70, text="${reset_eq}", font=font(8))
    # The channel's EQ files and the fit from a measurement: a small menu at the row's end.
    menu_w = 30
    mode_w = RIGHT_END - MID_X - x - 6 - menu_w - 3
    row.add("SButton", "btn_arg_eq", x, 3, mode_w, 22, text="${peq_mode}",
            selected="true", font=font(8, True), **switch_look())
    row.add("QPushButton", "btn_eq_menu", x + mode_w + 3, 3, menu_w, 22, text="⋯",
            font=font(11, True), focusPolicy=("enum", "Qt::NoFocus"), toolTip="${eq_menu_tips}")
    del items
    f.add("QFrame", "crossover_panel", MID_X, row_y, RIGHT_END - MID_X, 28, panel=True,
          children=row)

    # Band columns.
    bands_y = row_y + 34
    bands = Form()
    bands.add("QLabel", "band_freq_caption", 4, 6, 30, 16, text="Hz", role="dim", font=font(7))
    bands.add("QLabel", "band_q_caption", 4, 24, 30, 16, text="Q", role="dim", font=font(7))
    bands.add("QLabel", "band_gain_caption", 4, 134, 30, 16, text="dB", role="dim", font=font(7))
    bands.add("QLabel", "band_top_caption", 4, 44, 30, 12, text="+12", role="dim", font=font(6))
    bands.add("QLabel", "band_bottom_caption", 4, 118, 30, 12, text="-18", role="dim",
              font=font(6))
    for b in range(BANDS):
        bx = 34 + b * 31
        ud = str(b)
        bands.add("QLineEdit", "eq_freq_%d" % b, bx, 6, 30, 16, text="1000", userdata=ud,
                  font=font(6), tight=True, alignment=("set", "Qt::AlignCenter"))
        bands.add("QLineEdit", "eq_q_%d" % b, bx, 24, 30, 16, text="5.80", userdata=ud,
                  font=font(7), alignment=("set", "Qt::AlignCenter"))
        bands.add("QSlider", "eq_slider_%d" % b, bx + 6, 44, 18, 86,
                  orientation=("enum", "Qt::Vertical"), minimum=-180, maximum=120, value=0,
                  userdata=ud)
        bands.add("QLineEdit", "eq_gain_%d" % b, bx, 132, 30, 16, text="0.0", userdata=ud,
                  font=font(7), alignment=("set", "Qt::AlignCenter"))
        bands.add("QCheckBox", "pt_enable_%d" % b, bx + 9, 151, 16, 14, userdata=ud,
                  checked=True, focusPolicy=("enum", "Qt::NoFocus"))
    f.add("QFrame", "band_panel", MID_X, bands_y, RIGHT_END - MID_X, 168, panel=True,
          children=bands)

    # Channel strips container and the output panel.
    strips_y = bands_y + 174
    f.add("QWidget", "channel_settings", LEFT_X, strips_y,
          CHANNELS * (STRIP_W + STRIP_GAP) - STRIP_GAP, STRIP_H)
    out = Form()
    ox = LEFT_X + CHANNELS * (STRIP_W + STRIP_GAP)
    ow = RIGHT_END - ox
    out.add("QLabel", "output_caption", 8, 4, 100, 16, text="${output}", role="head",
            font=font(8, True))
    out.add("QComboBox", "comb_ch_unit", ow - 68, 4, 60, 18, items=["ms", "cm", "inch"],
            font=font(8), toolTip="${delay_unit}")
    bw = (ow - 20) // 2
    out.add("SButton", "btn_link_output", 8, 26, bw, 22, text="${link_output}", font=font(8),
            **switch_look())
    out.add("SButton", "btn_lock_output", 12 + bw, 26, bw, 22, text="${lock_output}",
            font=font(8), **switch_look())
    out.add("QPushButton", "btn_reset_output", 8, 52, bw, 22, text="${reset_output}",
            font=font(8))
    out.add("QPushButton", "btn_reset_link", 12 + bw, 52, bw, 22, text="${reset_link}",
            font=font(8))
    out.add("QLabel", "bridge_caption", 8, 80, 100, 14, text="${bridge}", role="dim",
            font=font(7))
    for p in range(PAIRS):
        y = 96 + p * 19
        out.add("QCheckBox", "bridge_checkbox_%d" % p, 8, y + 2, 16, 16, userdata=str(p),
                focusPolicy=("enum", "Qt::NoFocus"))
        out.add("SButton", "ch_bridge_%d" % p, 28, y, ow - 36, 17,
                text="CH%d + CH%d" % (2 * p + 1, 2 * p + 2), userdata=str(p),
                font=font(8), **switch_look())
    f.add("QFrame", "output_panel", ox, strips_y, ow, STRIP_H, panel=True, children=out)

    body = '<widget class="QWidget" name="MainWnd_page">' + \
        '<property name="geometry"><rect><x>0</x><y>0</y><width>%d</width><height>%d</height>' \
        '</rect></property>' % (W, H) + f.xml() + "</widget>"
    root_props = (prop("styleSheet", STYLE) + prop("caption", CAPTION, dynamic=True) +
                  prop("font", font(9)))
    return document("MainWnd", "MainWnd_root", W, H, body, root_props)


# ---- Menus -----------------------------------------------------------------------------------


def menu_xml(lines):
    return '<?xml version="1.0" encoding="UTF-8"?>\n<menu>\n' + "\n".join(lines) + "\n</menu>\n"


def item(name, text, userdata=None, icon=None, **attrs):
    extra = "".join(' %s="%s"' % (k, v) for k, v in attrs.items())
    if userdata is not None:
        extra += ' userdata="%s"' % userdata
    if icon:
        extra += ' icon="%s"' % icon
    return '  <item name="%s" text="%s"%s/>' % (name, escape(text), extra)


def option_menu():
    return menu_xml([
        item("option_item_firmware_upgrade", "${firmware_upgrade}", icon="img/menu_upgrade.png"),
        item("option_item_reset_default", "${reset_default}", icon="img/menu_reset.png"),
        "  <separator/>",
        item("option_item_language", "${language_toggle}", icon="img/menu_language.png"),
        '  <item name="option_menu_language" text="${language}">',
        "  " + item("option_item_language_en", "English"),
        "  " + item("option_item_language_cn", "简体中文"),
        "  " + item("option_item_language_ru", "Русский"),
        "  </item>",
        "  <separator/>",
        item("option_item_about", "${about}", icon="img/menu_about.png"),
    ])


def scene_menu():
    return menu_xml([
        item("scene_item_load_scene", "${load_scene}"),
        item("scene_item_saveas_scene", "${save_as_scene}"),
        item("scene_item_delete_scene", "${delete_scene}"),
        "  <separator/>",
        item("scene_item_load_file", "${load_file}"),
        item("scene_item_save_file", "${save_file}"),
        "  <separator/>",
        item("scene_item_load_whole", "${load_whole}"),
        item("scene_item_save_whole", "${save_whole}"),
        "  <separator/>",
        item("scene_item_verify", "${verify_with_amplifier}"),
        item("scene_item_compare_file", "${compare_with_file}"),
    ])


def advance_menu():
    return menu_xml([
        item("advance_item_mixer", "${mixer}"),
        item("advance_item_noise_threshold", "${noise_threshold}"),
        item("advance_item_compressors_on", "${compressors_on}"),
        item("advance_item_autocal", "${autocal}"),
        item("advance_item_poweroff_delay", "${poweroff_delay}"),
        item("advance_item_ktv", "${ktv}"),
        item("advance_item_compressor", "${compressor}"),
        item("advance_item_cs_auto", "${cs_auto}"),
        item("advance_item_custom_eq", "${custom_eq}"),
    ])


def eq_menu():
    # The first item names the channel the others act on; the window fills it in.
    return menu_xml([
        item("eq_item_channel", "CH1", enabled="false"),
        "  <separator/>",
        item("eq_item_import", "${import_filters}"),
        item("eq_item_export", "${export_filters}"),
        "  <separator/>",
        item("eq_item_fit", "${eq_from_measurement}"),
    ])


def output_menu():
    def entries(codes):
        return ["    " + item(POSITION_TAGS[c], "${%s}" % POSITION_TEXTS[c], userdata=c)
                for c in codes]

    lines = [item(POSITION_TAGS[0], "${empty}", userdata=0), "  <separator/>"]
    lines += ['  <item name="output_menu_front" text="${front}">',
              '   <item name="output_menu_front_left" text="${front_left}">']
    lines += entries(range(1, 7))
    lines += ["   </item>", '   <item name="output_menu_front_right" text="${front_right}">']
    lines += entries(range(7, 13))
    lines += ["   </item>", "  </item>",
              '  <item name="output_menu_rear" text="${rear}">',
              '   <item name="output_menu_rear_left" text="${rear_left}">']
    lines += entries(range(13, 16))
    lines += ["   </item>", '   <item name="output_menu_rear_right" text="${rear_right}">']
    lines += entries(range(16, 19))
    lines += ["   </item>", "  </item>", '  <item name="output_menu_center" text="${center}">']
    lines += entries(range(19, 22))
    lines += ["  </item>", '  <item name="output_menu_subwoof" text="${subwoofer}">']
    lines += entries(range(22, 25))
    lines += ["  </item>"]
    return menu_xml(lines)


def group_menu(prefix):
    return menu_xml([item("%s%d" % (prefix, g), "${group_none}" if g == 0 else "${group_%d}" % g,
                          userdata=g, icon="img/group_%d.png" % g) for g in range(7)])


# ---- Images ------------------------------------------------------------------------------------


def png(width, height, pixel):
    """A RGBA PNG; pixel(x, y) gives (r, g, b, a) floats 0..1 at the pixel centre."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            r, g, b, a = pixel(x + 0.5, y + 0.5)
            rows += bytes((round(r * 255), round(g * 255), round(b * 255), round(a * 255)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def rgb(hex_colour):
    h = hex_colour.lstrip("#")[-6:]
    return tuple(int(h[i:i + 2], 16) / 255 for i in (0, 2, 4))


def coverage(distance, scale):
    """Anti-aliased coverage of a signed distance (negative inside), in pixels."""
    return max(0.0, min(1.0, 0.5 - distance / scale))


def layers(*shapes):
    """Composites (distance function, colour, alpha) shapes over transparency."""
    def pixel(x, y):
        r = g = b = a = 0.0
        for dist, colour, alpha, scale in shapes:
            cov = coverage(dist(x, y), scale) * alpha
            if cov <= 0:
                continue
            cr, cg, cb = colour
            out_a = cov + a * (1 - cov)
            r = (cr * cov + r * a * (1 - cov)) / out_a
            g = (cg * cov + g * a * (1 - cov)) / out_a
            b = (cb * cov + b * a * (1 - cov)) / out_a
            a = out_a
        return r, g, b, a
    return pixel


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ring(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2


def round_rect(x0, y0, x1, y1, radius):
    def dist(x, y):
        qx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius)
        qy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius)
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius
    return dist


def outline(dist, width):
    return lambda x, y: abs(dist(x, y)) - width / 2


def segment(ax, ay, bx, by, width):
    def dist(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2
    return dist


def images():
    S = 2  # images are drawn at twice the layout size so they stay sharp at 150 % and 200 %
    accent = rgb(ACCENT)
    light = rgb("#EEF0F2")
    dim = rgb("#59616B")
    out = {}

    def speaker(cone, rim, glow):
        n = 18 * S
        c = n / 2
        shapes = []
        if glow:
            shapes.append((circle(c, c, c - 0.5), accent, 0.25, 1.0))
        shapes += [(circle(c, c, c - 2 * S), rgb("#1B1E23"), 1.0, 1.0),
                   (ring(c, c, c - 2.5 * S, 1.4 * S), rim, 1.0, 1.0),
                   (circle(c, c, 3.2 * S), cone, 1.0, 1.0)]
        return png(n, n, layers(*shapes))

    out["speaker.png"] = speaker(dim, light, False)
    out["speaker_hot.png"] = speaker(light, accent, False)
    out["speaker_sel.png"] = speaker(accent, accent, True)

    n = 16 * S
    out["source_select.png"] = png(n, n, layers((ring(n / 2, n / 2, 5 * S, 1.6 * S), accent, 1, 1),
                                                (circle(n / 2, n / 2, 2.6 * S), accent, 1, 1)))
    out["source_normal.png"] = png(n, n, layers((ring(n / 2, n / 2, 5 * S, 1.4 * S), dim, 1, 1)))
    out["right.png"] = png(n, n, layers((segment(3.5 * S, 8.5 * S, 6.5 * S, 11.5 * S, 2 * S), accent, 1, 1),
                                        (segment(6.5 * S, 11.5 * S, 12.5 * S, 4.5 * S, 2 * S), accent, 1, 1)))
    w, h = 34 * S, 16 * S
    out["on.png"] = png(w, h, layers((round_rect(1, 1, w - 1, h - 1, h / 2 - 1), accent, 1, 1),
                                     (circle(w - h / 2, h / 2, h / 2 - 3 * S), light, 1, 1)))
    out["off.png"] = png(w, h, layers((round_rect(1, 1, w - 1, h - 1, h / 2 - 1), rgb("#3A414B"), 1, 1),
                                      (circle(h / 2, h / 2, h / 2 - 3 * S), dim, 1, 1)))
    for g, colour in enumerate(DELAY_LINK_COLOURS):
        out["group_%d.png" % g] = png(n, n, layers((round_rect(3 * S, 3 * S, 13 * S, 13 * S, 2 * S), rgb(colour), 1, 1)))
    # Menu icons: simple line glyphs in the text colour.
    icon = rgb("#C9CED4")
    out["menu_upgrade.png"] = png(n, n, layers((segment(8 * S, 3 * S, 8 * S, 11 * S, 1.6 * S), icon, 1, 1),
                                               (segment(4.5 * S, 6.5 * S, 8 * S, 3 * S, 1.6 * S), icon, 1, 1),
                                               (segment(11.5 * S, 6.5 * S, 8 * S, 3 * S, 1.6 * S), icon, 1, 1),
                                               (segment(3.5 * S, 13.5 * S, 12.5 * S, 13.5 * S, 1.6 * S), icon, 1, 1)))
    out["menu_reset.png"] = png(n, n, layers((ring(8 * S, 8 * S, 5 * S, 1.6 * S), icon, 1, 1),
                                             (circle(12.6 * S, 4.4 * S, 2.2 * S), rgb("#23272E"), 1, 1),
                                             (segment(12.5 * S, 2.5 * S, 12.5 * S, 6 * S, 1.6 * S), icon, 1, 1)))
    out["menu_language.png"] = png(n, n, layers((ring(8 * S, 8 * S, 5.5 * S, 1.4 * S), icon, 1, 1),
                                                (segment(2.5 * S, 8 * S, 13.5 * S, 8 * S, 1.2 * S), icon, 1, 1),
                                                (outline(lambda x, y: math.hypot((x - 8 * S) * 2.2, y - 8 * S) - 5.5 * S, 1.2 * S), icon, 1, 1)))
    out["menu_about.png"] = png(n, n, layers((ring(8 * S, 8 * S, 5.5 * S, 1.4 * S), icon, 1, 1),
                                             (segment(8 * S, 7.5 * S, 8 * S, 11 * S, 1.6 * S), icon, 1, 1),
                                             (circle(8 * S, 5 * S, 1 * S), icon, 1, 1)))
    # The logo: an accent ring with a level bar.
    n = 28 * S
    out["logo.png"] = png(n, n, layers((circle(n / 2, n / 2, n / 2 - 1), rgb("#2C3139"), 1, 1),
                                       (ring(n / 2, n / 2, n / 2 - 4 * S, 2 * S), accent, 1, 1),
                                       (segment(9 * S, 17 * S, 9 * S, 12 * S, 2 * S), light, 1, 1),
                                       (segment(14 * S, 19 * S, 14 * S, 9 * S, 2 * S), accent, 1, 1),
                                       (segment(19 * S, 16 * S, 19 * S, 12 * S, 2 * S), light, 1, 1)))
    # The car seen from above, nose up.
    cw, ch = CAR[2] * S, CAR[3] * S
    body = round_rect(10 * S, 6 * S, cw - 10 * S, ch - 4 * S, 26 * S)
    glass_front = round_rect(20 * S, 48 * S, cw - 20 * S, 74 * S, 8 * S)
    glass_rear = round_rect(22 * S, 140 * S, cw - 22 * S, 158 * S, 6 * S)
    out["car.png"] = png(cw, ch, layers(
        (body, rgb("#2A2F37"), 1, 1),
        (outline(body, 1.5 * S), rgb("#4A525D"), 1, 1),
        (glass_front, rgb("#1D2127"), 1, 1),
        (glass_rear, rgb("#1D2127"), 1, 1),
        (outline(round_rect(24 * S, 78 * S, cw - 24 * S, 136 * S, 6 * S), 1 * S), rgb("#3C434D"), 1, 1),
        (round_rect(3 * S, 52 * S, 11 * S, 60 * S, 2 * S), rgb("#2A2F37"), 1, 1),
        (round_rect(cw - 11 * S, 52 * S, cw - 3 * S, 60 * S, 2 * S), rgb("#2A2F37"), 1, 1),
    ))
    return out


# ---- Main ----------------------------------------------------------------------------------------


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mode = "wb" if isinstance(data, bytes) else "w"
    tmp = path + ".tmp"
    with open(tmp, mode, **({} if mode == "wb" else {"encoding": "utf-8"})) as out:
        out.write(data)
    os.replace(tmp, path)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_main_skin.py <output folder>\n")
        return 2
    root = sys.argv[1]
    write(os.path.join(root, "xml", "main_dlg.ui"), main_page())
    write(os.path.join(root, "xml", "channel_settings_mixer.xml"), channel_settings())
    write(os.path.join(root, "xml", "option_menu.xml"), option_menu())
    write(os.path.join(root, "xml", "scene_menu.xml"), scene_menu())
    write(os.path.join(root, "xml", "advance_menu.xml"), advance_menu())
    write(os.path.join(root, "xml", "eq_menu.xml"), eq_menu())
    write(os.path.join(root, "xml", "output_menu.xml"), output_menu())
    write(os.path.join(root, "xml", "delay_link_group_menu.xml"), group_menu("delay_link_group_"))
    write(os.path.join(root, "xml", "link_group_menu.xml"), group_menu("link_group_"))
    for name, data in images().items():
        write(os.path.join(root, "img", name), data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
