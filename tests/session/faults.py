"""Journeys that guard faults only a real session shows: which window owns a box and what
closing it does, what may change the list while a build or a show owns the screen, where
the view comes back after a slide show, the type chosen in the save dialog, and what a
move-all into a full disk reports."""

import os
import subprocess
import time
from pathlib import Path

from harness import SCREEN_H, SCREEN_W, JourneyFailed, Skipped, check, expect, poll, stays
from pictures import big_folder, folder, picture


def check_owned(s, owner, box):
    """A box belongs to the topmost window of the program and stands over its middle."""
    owner_of = box.transient_for()
    expect(s, owner_of == owner.id,
          f"the box {box.title!r} is owned by {owner_of and hex(owner_of)}, "
          f"not by the window {owner.title!r} ({owner.id:#x}) it was opened from")
    if not s.wm:
        return  # without a window manager Qt alone places it
    bx, by, bw, bh = box.frame()
    ox, oy, ow, oh = owner.frame()
    # Qt centres a box's frame on its owner's client area; allow for the title bar.
    slack = (oh - owner.geometry()[3]) + 4
    # A box larger than its owner near the screen's edge is kept on the screen.
    want_x = min(max(ox + ow / 2 - bw / 2, 0), SCREEN_W - bw)
    want_y = min(max(oy + oh / 2 - bh / 2, 0), SCREEN_H - bh)
    dx, dy = abs(bx - want_x), abs(by - want_y)
    expect(s, dx <= slack and dy <= slack,
          f"the box {box.title!r} at {box.frame()} is not centred over {owner.title!r} "
          f"at {owner.frame()} (off by {dx:.0f}, {dy:.0f} px)")


def answer_owned(s, owner, title, *keys):
    box = s.box(title)
    check_owned(s, owner, box)
    s.keys(*keys, win=box)
    s.wait_gone(box)
    return box


def open_view(s, main, first=None):
    """実ｻｲｽﾞ表示 from the main window; returns the view window, which shows `first`."""
    s.menu(main, "alt+v", "r")
    view = s.wait_window(match=lambda t: "  [" in t, what="the view window")
    if first is not None:
        check(view.title.startswith(first + "  ["),
              f"the view shows {view.title!r}, not {first}")
    view.settle()
    return view


def survives(s, view, what):
    """The program and its view window stay after the last box closed."""
    deadline = time.monotonic() + 2
    while time.monotonic() < deadline:
        check(s.alive(), f"the program ended after {what} (exit status {s.proc.returncode})")
        check(view.viewable(), f"the view window closed after {what}")
        time.sleep(0.05)


def choose_folder(s, path):
    """The directory dialog of "上の指定先以外": the path typed into its name field."""
    dialog = s.wait_window(title="ディレクトリの選択")
    s.keys("ctrl+a", win=dialog)
    s.type(str(path))
    s.keys("Return")
    s.wait_gone(dialog)


def view_setup(s, settings, names=("a.bmp", "b.bmp")):
    pics = folder(s, "pics", names)
    s.install(settings)
    main = s.start(s.home / "pics")
    view = open_view(s, main, names[0])
    return pics, main, view


# --- a box closed in the view window -------------------------------------------------------


def box_copy(s):
    """Copy to registered folder 1 over an existing name: question, OK, message, OK."""
    dst = s.home / "dst"
    picture(s, dst / "a.bmp", 32, 32, seed=9)
    pics, main, view = view_setup(s, {"コピー": {"1": dst, "上書き": 0}})
    s.menu(view, "alt+f", "c", "Return")
    answer_owned(s, view, "警告", "Return")
    answer_owned(s, view, "情報", "Return")
    survives(s, view, "closing \"ｺﾋﾟｰしました\"")
    check((dst / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not copied over the old one")


def box_copy_other(s):
    """Copy to "上の指定先以外" over an existing name."""
    dst = s.home / "other"
    picture(s, dst / "a.bmp", 32, 32, seed=9)
    pics, main, view = view_setup(s, {"コピー": {"上書き": 0}})
    s.menu(view, "alt+f", "c", "Up Return")
    choose_folder(s, dst)
    answer_owned(s, view, "警告", "Return")
    answer_owned(s, view, "情報", "Return")
    survives(s, view, "closing \"ｺﾋﾟｰしました\"")
    check((dst / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not copied over the old one")


def box_move(s):
    """Move to registered folder 1 over an existing name; the view shows the next file."""
    dst = s.home / "dst"
    picture(s, dst / "a.bmp", 32, 32, seed=9)
    pics, main, view = view_setup(s, {"移動": {"1": dst, "上書き": 0}})
    s.menu(view, "alt+f", "m", "Return")
    answer_owned(s, view, "警告", "Return")
    answer_owned(s, view, "情報", "Return")
    survives(s, view, "closing \"移動しました\"")
    check((dst / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not moved over the old one")
    check(not (s.home / "pics/a.bmp").exists(), "a.bmp is still in its folder")
    poll("the view to show b.bmp", lambda: view.title.startswith("b.bmp  [1/1]"))


def box_move_other(s):
    """Move to "上の指定先以外" over an existing name."""
    dst = s.home / "other"
    picture(s, dst / "a.bmp", 32, 32, seed=9)
    pics, main, view = view_setup(s, {"移動": {"上書き": 0}})
    s.menu(view, "alt+f", "m", "Up Return")
    choose_folder(s, dst)
    answer_owned(s, view, "警告", "Return")
    answer_owned(s, view, "情報", "Return")
    survives(s, view, "closing \"移動しました\"")
    check((dst / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not moved over the old one")
    check(not (s.home / "pics/a.bmp").exists(), "a.bmp is still in its folder")


def box_convert(s):
    """JPEG->PNG from the view into a chosen folder ([Convert] FileProperty=1)."""
    out = s.home / "converted"
    out.mkdir()
    pics, main, view = view_setup(s, {"Convert": {"FileProperty": 1}}, names=("a.jpg", "b.jpg"))
    # ｵﾌﾟｼｮﾝ: the conversion submenu is the last item; JPEG->PNG the second one enabled.
    s.menu(view, "alt+o", "Up Return", "Down Return")
    choose_folder(s, out)
    answer_owned(s, view, "情報", "Return")
    survives(s, view, "closing \"変換ﾌｧｲﾙを … に作成しました\"")
    data = (out / "a.png").read_bytes()
    check(data.startswith(b"\x89PNG\r\n\x1a\n"), "a.png is not a PNG file")


# --- nothing changes the list while a build or a show runs ---------------------------------


def chooser_row_below_current(s, chooser):
    """Screen point of the folder listed right under the chooser's highlighted folder."""

    def find():
        x0, y0, w, h = chooser.geometry()
        column = [row[w - 12] for row in s.pixels(chooser, 0, 0, w, h)]  # right of the names
        base = max(set(column), key=column.count)
        # The highlighted row: the longest run of one colour other than the background.
        best, run_start = (0, 0), 0
        for y in range(1, h + 1):
            if y == h or column[y] != column[run_start]:
                if column[run_start] != base and y - run_start > best[1] - best[0]:
                    best = (run_start, y)
                run_start = y
        top, bottom = best
        if bottom - top < 8:
            return None  # not painted yet
        # Right of the name: the arrow left of it would only open the folder in the tree.
        return (x0 + w - 30, y0 + bottom + (bottom - top) // 2)

    return poll("the highlighted folder in the chooser", find)


def build_lock(s):
    """During a catalog build a click in the folder chooser and the main window's close box
    change nothing; afterwards 削除 deletes a file of the catalog's own folder."""
    names = big_folder(s, "pics/A", "a")
    other = folder(s, "pics/B", ["b0.jpg", "b1.jpg", "b2.jpg"], 64, 48)
    s.install({"削除": {"方法": 1, "確認": 1}, "ｶﾀﾛｸﾞ": {"Size": 80}})
    main = s.start(s.home / "pics/A")
    s.menu(main, "alt+f", "o")
    chooser = s.wait_window(title="ﾌｫﾙﾀﾞの選択")
    poll("the chooser beside the main window", lambda: chooser.geometry()[2] > 0)
    row_b = chooser_row_below_current(s, chooser)

    settings_before = s.ini.read_bytes()
    s.menu(main, "alt+v", "c", "m")
    progress = s.wait_window(title="ｶﾀﾛｸﾞ作成中…")
    check(progress.viewable(), "the catalog was built before the test could click")
    # It asks for a title bar without close, minimise and maximise (_MOTIF_WM_HINTS: the
    # functions flag set, none of those functions in it).
    hints = progress.motif_hints()
    expect(s, hints is not None and hints[0] & 1 and not hints[1] & (1 | 8 | 16 | 32),
           f"the progress window asks for title-bar buttons: _MOTIF_WM_HINTS {hints}")
    s.click(*row_b)
    s.send_close(main)
    catalog = s.wait_window(title=str(s.home / "pics/A"), what="the catalog window", timeout=120)
    s.wait_gone(progress)
    s.require_alive()
    check(not main.viewable(), "the main window is shown beside the catalog")
    expect(s, s.ini.read_bytes() == settings_before,
           "the main window's close box ran the exit steps during the build (settings written)")

    # A click on the first thumbnail (80 px cells from the top left), then 削除: to the
    # trash without a question.
    x, y, w, h = catalog.geometry()
    s.click(x + 61, y + 60)
    s.menu(catalog, "alt+f", "d")
    trash = s.home / ".local/share/Trash/files"
    poll("a file in the trash", lambda: trash.is_dir() and any(trash.iterdir()))
    s.require_alive()
    in_trash = sorted(p.name for p in trash.iterdir())
    check(in_trash == [names[0]],
          f"削除 on the catalog's first thumbnail deleted {in_trash}, not {names[0]}")
    check(sorted(p.name for p in (s.home / "pics/B").iterdir()) == sorted(other),
          "the other folder lost files")


def slide_lock(s):
    """During the preview slide show a click in the chooser leaves the list alone."""
    folder(s, "pics/A", [f"a{i}.bmp" for i in range(4)], 64, 48)
    folder(s, "pics/B", ["b0.bmp", "b1.bmp"], 64, 48)
    s.install({"連続表示": {"間隔": 300, "Roup": 1}})
    main = s.start(s.home / "pics/A")
    s.menu(main, "alt+f", "o")
    chooser = s.wait_window(title="ﾌｫﾙﾀﾞの選択")
    poll("the chooser beside the main window", lambda: chooser.geometry()[2] > 0)
    row_b = chooser_row_below_current(s, chooser)
    # ｽﾗｲﾄﾞｼｮｰ表示 shares its letter with 画面にﾌｨｯﾄ表示: the second s highlights it.
    s.menu(main, "alt+v", "s s", "p")
    stays("the running show", s.alive, 1)
    s.click(*row_b)
    stays("the running show", s.alive, 1)
    s.menu(main, "alt+v", "x")  # ｽﾗｲﾄﾞｼｮｰ終了
    stays("the program after the show", s.alive, 1)
    view = open_view(s, main)
    check(view.title.startswith("a") and view.title.endswith("/4]"),
          f"the list changed during the show: the view shows {view.title!r}")


# --- the view after a slide show started in it ---------------------------------------------


def wait_slide_window(s, view=None):
    """The full-screen slide show: a window over the whole screen, not the view."""
    skip = {s.main_id, view.id if view else None}
    return poll("the slide show window",
                lambda: next((w for w in s.framed() if w.id not in skip
                              and w.geometry() == (0, 0, 1280, 800)), None))


def check_view_framed(s, view, what):
    """A real-size view: framed, on screen, not full screen."""
    poll(f"the view window back after {what}", view.viewable)
    geometry, frame = view.geometry(), view.frame()
    expect(s, geometry != (0, 0, 1280, 800),
           f"after {what} the view is borderless over the whole screen ({geometry})")
    expect(s, frame[1] >= 0, f"after {what} the view's title bar is above the screen "
           f"(frame {frame})")
    # The state is the window manager's to keep: without one, the property is only what Qt
    # last wrote (it never takes a state away from a withdrawn window), and the geometry above
    # is what the user sees.
    if s.wm:
        expect(s, "_NET_WM_STATE_FULLSCREEN" not in view.states(),
               f"after {what} the view is still in the full-screen state")
    if s.wm:
        expect(s, frame[3] > geometry[3], f"after {what} the view has no title bar "
               f"(frame {frame})")


def view_slide_return(s):
    """A slide show started from the real-size view returns to a framed real-size view on
    screen; so does one started after the view had been full screen."""
    folder(s, "pics", ["a.bmp", "b.bmp", "c.bmp"], 640, 480)
    s.install({"連続表示": {"間隔": 1500}})
    main = s.start(s.home / "pics")
    view = open_view(s, main, "a.bmp")
    s.menu(view, "alt+v", "s")
    slide = wait_slide_window(s, view)
    s.keys("Escape", win=slide)
    check_view_framed(s, view, "a slide show stopped with Esc")
    # Full screen, back to real size through the pop-up menu, then the show to its end.
    s.menu(view, "alt+v", "f")
    poll("the full-screen view", lambda: view.geometry() == (0, 0, 1280, 800))
    s.focus(view)
    s.click(640, 400, 3)
    s.wait_popups(1)
    s.keys("Down", "Return")  # 実ｻｲｽﾞ表示, the first item
    poll("the real-size view", lambda: view.geometry() != (0, 0, 1280, 800))
    s.menu(view, "alt+v", "s")
    wait_slide_window(s, view)
    s.answer("情報", "n")
    check_view_framed(s, view, "a slide show that ran to its end")
    s.keys("BackSpace", win=view)
    poll("the previous picture", lambda: view.title.startswith("b.bmp  [2/3]"))
    check_view_framed(s, view, "the next picture after the show")


# --- the save dialog's type ----------------------------------------------------------------


def save_as_type(s):
    """名前を付けて保存 on a PNG, type BMP chosen in the dialog, name typed without an
    extension: a BMP named a2rot.bmp is written."""
    folder(s, "pics", ["rot.png"], 64, 48)
    out = s.home / "saved"
    out.mkdir()
    s.install({"I/ODialog": {"SaveDir": out}})
    main = s.start(s.home / "pics")
    view = open_view(s, main, "rot.png")
    s.menu(view, "alt+f", "a")
    dialog = s.wait_window(match=lambda t: t not in ("Verid",) and not t.startswith("rot.png"),
                           what="the save dialog")
    s.keys("ctrl+a", win=dialog)
    s.type("a2rot")
    # The type box spans the dialog's bottom row between its label and the cancel button.
    x, y, w, h = dialog.geometry()
    s.click(x + w // 2, y + h - 23)
    s.wait_popups(1)
    s.keys("Up", "Return")  # PNG was chosen; BMP stands above it
    s.wait_popups(0)
    s.keys("Return", win=dialog)
    s.wait_gone(dialog)
    stays("the program", s.alive, 1)
    written = sorted(str(p.relative_to(s.home)) for p in s.home.rglob("a2rot*"))
    check(written == ["saved/a2rot.bmp"], f"the save wrote {written}, not saved/a2rot.bmp")
    check((out / "a2rot.bmp").read_bytes()[:2] == b"BM", "a2rot.bmp does not start with BM")


# --- move-all into a full disk -------------------------------------------------------------


def move_all_full_disk(s):
    """Move-all into a folder on a full file system: no clash question for a name that is
    not there, the failure reported, the file that did not fit still where it was."""
    if os.geteuid() != 0:
        raise Skipped("needs root to mount a small file system in a private mount namespace")
    full = s.tmp / "full"
    full.mkdir()
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c",
                            f"mount -t tmpfs -o size=64k tmpfs '{full}'"],
                           capture_output=True, text=True)
    if probe.returncode != 0:
        raise Skipped(f"cannot mount a tmpfs in a mount namespace here: {probe.stderr.strip()}")
    pics = folder(s, "pics", ["a.bmp", "b.bmp"], 40, 40)
    pics.update(folder(s, "pics", ["c.bmp"], 400, 300, first_seed=5))  # 360 KB: never fits
    s.install({"移動": {"1": full, "上書き": 0}})
    s.exe_wrapper = ["unshare", "-m", "--propagation", "private", "sh", "-c",
                     f"mount -t tmpfs -o size=64k tmpfs '{full}' && exec \"$0\" \"$@\""]
    main = s.start(s.home / "pics")
    inside = Path(f"/proc/{s.proc.pid}/root") / str(full).lstrip("/")
    s.menu(main, "alt+a", "g", "Return")  # 一括移動 to folder 1
    s.answer("確認", "Return")
    clash_asked = False
    while True:
        box = poll("the end of the move", lambda: next(iter(s.boxes()), None))
        title = box.title
        if title == "警告":
            # The clash question alone has すべていいえ; any other box stays open.
            s.keys("alt+o", win=box)
            try:
                s.wait_gone(box, timeout=2)
                clash_asked = True
                continue
            except JourneyFailed:
                pass
        s.keys("Return", win=box)
        s.wait_gone(box)
        if title in ("情報", "警告"):
            break
    s.require_alive()
    check(not clash_asked, "the clash question was asked for c.bmp, which the full folder "
          "does not hold")
    moved = sorted(p.name for p in inside.iterdir())
    check(moved == ["a.bmp", "b.bmp"], f"the full folder holds {moved}")
    check((s.home / "pics/c.bmp").read_bytes() == pics["c.bmp"], "c.bmp was lost")
    check(not (s.home / "pics/a.bmp").exists(), "a.bmp was not moved")


JOURNEYS = {
    "box_copy": box_copy,
    "box_copy_other": box_copy_other,
    "box_move": box_move,
    "box_move_other": box_move_other,
    "box_convert": box_convert,
    "build_lock": build_lock,
    "slide_lock": slide_lock,
    "view_slide_return": view_slide_return,
    "save_as_type": save_as_type,
    "move_all_full_disk": move_all_full_disk,
}
