"""Journeys of everyday use: opening folders, browsing, the three display modes, file
operations from the main and the view window, rename, catalogs, slide shows, batch rename,
copy-all with a clash, properties and the settings written at exit."""

import subprocess

from faults import answer_owned, chooser_row_below_current, open_view, wait_slide_window
from harness import SCREEN_H, SCREEN_W, JourneyFailed, check, expect, poll, read_ini, stays
from pictures import folder, picture

THREE = ("a.bmp", "b.bmp", "c.bmp")


def view_title(s, view, name, position):
    want = f"{name}  [{position}]"
    poll(f"the view to show {want}", lambda: view.title == want)


def close_view(s, view, main):
    s.keys("Escape", win=view)
    s.wait_gone(view)
    poll("the main window back", main.viewable)


def list_row(main, row):
    """Screen point of a row of the main window's file list (the ﾌｧｲﾙﾘｽﾄ page)."""
    x, y, w, h = main.geometry()
    return (x + 240, y + 78 + 16 * row)


def trash_names(s):
    trash = s.home / ".local/share/Trash/files"
    return sorted(p.name for p in trash.iterdir()) if trash.is_dir() else []


# --- opening ---------------------------------------------------------------------------------


def open_folder(s):
    """A file and a folder from the command line, then a folder clicked in the chooser."""
    folder(s, "pics/A", THREE, 64, 48)
    folder(s, "pics/B", ["x.bmp", "y.bmp"], 64, 48)
    s.install()
    main = s.start(s.home / "pics/A/b.bmp")
    # Centred on the screen at every start.
    # Qt centres it before the window manager has framed it: the client area may stand in
    # the middle instead of the frame, half a title bar apart.
    fx, fy, fw, fh = main.frame()
    slack = (fh - main.geometry()[3]) / 2 + 2
    check(abs(fx + fw / 2 - SCREEN_W / 2) <= slack and abs(fy + fh / 2 - SCREEN_H / 2) <= slack,
          f"the main window is not centred on the screen: {main.frame()}")
    view = open_view(s, main, "b.bmp")
    view_title(s, view, "b.bmp", "2/3")
    close_view(s, view, main)
    s.quit()

    main = s.start(s.home / "pics/A")
    s.menu(main, "alt+f", "o")
    chooser = s.wait_window(title="ﾌｫﾙﾀﾞの選択")
    poll("the chooser beside the main window", lambda: chooser.geometry()[2] > 0)
    if s.wm:
        cx, cy, cw, ch = chooser.frame()
        mx, my, mw, mh = main.frame()
        check(cx == mx - 173 and cy == my,
              f"the chooser {chooser.frame()} does not stand left of the main window "
              f"{main.frame()}")
    s.click(*chooser_row_below_current(s, chooser))
    view = open_view(s, main, "x.bmp")
    view_title(s, view, "x.bmp", "1/2")
    check(not chooser.viewable(), "the chooser stays on screen over the real-size view")
    close_view(s, view, main)
    poll("the chooser back with the main window", chooser.viewable)
    s.quit()


def chooser_return(s):
    """Return on the folder highlighted in the chooser opens it, as a click does."""
    folder(s, "pics/A", THREE, 64, 48)
    folder(s, "pics/B", ["x.bmp", "y.bmp"], 64, 48)
    s.install()
    main = s.start(s.home / "pics/A")
    s.menu(main, "alt+f", "o")
    chooser = s.wait_window(title="ﾌｫﾙﾀﾞの選択")
    poll("the chooser beside the main window", lambda: chooser.geometry()[2] > 0)
    s.keys("Down", "Return", win=chooser)  # from A to B
    view = open_view(s, main)
    check(view.title == "x.bmp  [1/2]",
          f"Return in the chooser did not open the folder: the view shows {view.title!r}")


# --- browsing --------------------------------------------------------------------------------


def browse(s):
    """The file list: a click, arrow keys, Space and Backspace move the selection that the
    view then shows; 次の画像 at the end asks before it starts again."""
    folder(s, "pics", ["a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"], 64, 48)
    s.install()
    main = s.start(s.home / "pics")
    s.click(*list_row(main, 0))
    s.keys("Down", "Down", "space", "BackSpace", "Down")  # c, d, c, d
    view = open_view(s, main)
    check(view.title == "d.bmp  [4/5]", f"after the keys the view shows {view.title!r}")
    close_view(s, view, main)
    # 末尾の画像, then 次の画像: the question; No stays, Yes goes to the first.
    s.menu(main, "alt+v", "l")
    s.menu(main, "alt+v", "n")
    s.answer("確認", "n")
    view = open_view(s, main, "e.bmp")
    close_view(s, view, main)
    s.menu(main, "alt+v", "n")
    s.answer("確認", "y")
    view = open_view(s, main, "a.bmp")
    close_view(s, view, main)
    s.quit()


def view_modes(s):
    """Real size, fit and full screen, Space and Backspace to both ends with both answers."""
    folder(s, "pics", ["a.bmp", "b.bmp"], 640, 480)
    picture(s, s.home / "pics/c.bmp", 1600, 1200, seed=4)
    s.install()
    main = s.start(s.home / "pics")
    view = open_view(s, main, "a.bmp")
    x, y, w, h = view.geometry()
    check(w == 640 and h > 480, f"the real-size view of a 640 x 480 picture is {w} x {h}")
    check(view.frame()[:2] == (0, 0), f"the real-size view is not at the top left: "
          f"{view.frame()}")
    for name, position in (("b.bmp", "2/3"), ("c.bmp", "3/3")):
        s.keys("space", win=view)
        view_title(s, view, name, position)
    s.keys("space", win=view)
    s.answer("確認", "n")  # 最後のﾌｧｲﾙです: stay
    stays("the last picture", lambda: view.title.startswith("c.bmp"), 0.5)
    s.keys("space", win=view)
    s.answer("確認", "y")
    view_title(s, view, "a.bmp", "1/3")
    s.keys("BackSpace", win=view)
    s.answer("確認", "n")  # 最初のﾌｧｲﾙです: stay
    stays("the first picture", lambda: view.title.startswith("a.bmp"), 0.5)
    s.keys("BackSpace", win=view)
    s.answer("確認", "y")
    view_title(s, view, "c.bmp", "3/3")

    # Fit: 1600 x 1200 in the 1280 x 800 work area is 1066 x 800 outside.
    s.menu(view, "alt+v", "t")

    def fitted():
        fx, fy, fw, fh = view.frame()
        return (fx, fy) == (0, 0) and abs(fw - 1066) <= 2 and abs(fh - 800) <= 2

    poll(f"the fitted view of 1600 x 1200 at 1066 x 800 (now {view.frame()})", fitted)
    s.keys("BackSpace", win=view)
    view_title(s, view, "b.bmp", "2/3")

    # Full screen from the pop-up menu: the whole screen, no frame.
    s.click(300, 300, 3)
    s.wait_popups(1)
    s.keys("Down", "Down", "Return")  # 実ｻｲｽﾞ表示, ﾌﾙｽｸﾘｰﾝ
    poll("the full-screen view", lambda: view.geometry() == (0, 0, SCREEN_W, SCREEN_H))
    check_full_screen(s, view, "switched to from the fitted view")
    s.keys("space", win=view)
    view_title(s, view, "c.bmp", "3/3")
    close_view(s, view, main)

    # ﾌﾙｽｸﾘｰﾝ表示 shares its letter with 先頭の画像: the letter highlights, Return runs it.
    s.menu(main, "alt+v", "f Return")
    view = s.wait_window(match=lambda t: "  [" in t, what="the full-screen view")
    poll("the full-screen view", lambda: view.geometry() == (0, 0, SCREEN_W, SCREEN_H))
    check_full_screen(s, view, "opened from the main window")
    close_view(s, view, main)
    s.quit()


def check_full_screen(s, view, how):
    """The whole screen and nothing else: no frame, the window manager's full-screen state."""
    expect(s, view.frame() == (0, 0, SCREEN_W, SCREEN_H),
           f"the full-screen view {how} has a frame: {view.frame()}")
    if s.wm:
        expect(s, "_NET_WM_STATE_FULLSCREEN" in view.states(),
               f"the full-screen view {how} is not in the full-screen state: {view.states()}")


# --- file operations -------------------------------------------------------------------------


def main_file_ops(s):
    """Copy, move and delete from the main window's menus."""
    pics = folder(s, "pics", THREE, 64, 48)
    copies, moves = s.home / "copies", s.home / "moves"
    copies.mkdir()
    moves.mkdir()
    s.install({"コピー": {"1": copies}, "移動": {"1": moves}, "削除": {"方法": 1, "確認": 0}})
    main = s.start(s.home / "pics")
    s.menu(main, "alt+f", "c", "Return")
    answer_owned(s, main, "情報", "Return")  # ｺﾋﾟｰしました
    check((copies / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not copied")
    s.menu(main, "alt+f", "g", "Return")
    answer_owned(s, main, "情報", "Return")  # 移動しました
    check((moves / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not moved")
    check(not (s.home / "pics/a.bmp").exists(), "a.bmp stayed in its folder")
    s.menu(main, "alt+f", "d")
    answer_owned(s, main, "確認", "y")  # ゴミ箱に移動しますか
    poll("b.bmp in the trash", lambda: trash_names(s) == ["b.bmp"])
    view = open_view(s, main, "c.bmp")
    view_title(s, view, "c.bmp", "1/1")
    close_view(s, view, main)
    s.quit()


def view_file_ops(s):
    """Copy, move and delete (the Del key) from the view window."""
    pics = folder(s, "pics", THREE, 64, 48)
    copies, moves = s.home / "copies", s.home / "moves"
    copies.mkdir()
    moves.mkdir()
    s.install({"コピー": {"1": copies}, "移動": {"1": moves}, "削除": {"方法": 1, "確認": 0}})
    main = s.start(s.home / "pics")
    view = open_view(s, main, "a.bmp")
    s.menu(view, "alt+f", "c", "Return")
    answer_owned(s, view, "情報", "Return")
    check((copies / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not copied")
    s.menu(view, "alt+f", "m", "Return")
    answer_owned(s, view, "情報", "Return")
    check((moves / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not moved")
    view_title(s, view, "b.bmp", "1/2")
    s.keys("Delete", win=view)
    answer_owned(s, view, "確認", "y")
    poll("b.bmp in the trash", lambda: trash_names(s) == ["b.bmp"])
    view_title(s, view, "c.bmp", "1/1")
    close_view(s, view, main)
    s.quit()


def rename(s):
    """名前の変更: the new name keeps the extension, in lower case."""
    pics = folder(s, "pics", ["IMG_01.BMP", "z.bmp"], 64, 48)
    s.install()
    main = s.start(s.home / "pics")
    s.menu(main, "alt+f", "r")
    dialog = s.wait_window(title="ﾌｧｲﾙ名の変更")
    s.keys("ctrl+a", win=dialog)
    s.type("holiday")
    s.keys("Return")
    s.wait_gone(dialog)
    check((s.home / "pics/holiday.bmp").read_bytes() == pics["IMG_01.BMP"],
          "IMG_01.BMP was not renamed to holiday.bmp")
    check(not (s.home / "pics/IMG_01.BMP").exists(), "IMG_01.BMP is still there")
    view = open_view(s, main, "holiday.bmp")
    close_view(s, view, main)
    s.quit()


def batch_rename(s):
    """名前の一括変更: prefix and two-digit serial numbers, extensions kept."""
    pics = folder(s, "pics", ["x.bmp", "y.bmp", "z.bmp"], 64, 48)
    s.install()
    main = s.start(s.home / "pics")
    s.menu(main, "alt+a", "a")
    dialog = s.wait_window(title="ﾌｧｲﾙ名の一括変更")
    s.type("pic", win=dialog)
    s.keys("Return")
    s.wait_gone(dialog)
    names = sorted(p.name for p in (s.home / "pics").iterdir())
    check(names == ["pic00.bmp", "pic01.bmp", "pic02.bmp"], f"the folder holds {names}")
    check((s.home / "pics/pic01.bmp").read_bytes() == pics["y.bmp"], "pic01.bmp is not y.bmp")
    s.quit()


def copy_all_clash(s):
    """一括ｺﾋﾟｰ into a folder that holds one of the names; すべていいえ keeps that one."""
    pics = folder(s, "pics", THREE, 64, 48)
    dst = s.home / "dst"
    old = picture(s, dst / "b.bmp", 16, 16, seed=9)
    s.install({"コピー": {"1": dst, "上書き": 0}})
    main = s.start(s.home / "pics")
    s.menu(main, "alt+a", "c", "Return")
    s.answer("確認", "Return")  # これら3個のﾌｧｲﾙを … にｺﾋﾟｰしますか？
    s.answer("警告", "alt+o")  # b.bmpという同名のﾌｧｲﾙ…: すべていいえ
    s.answer("情報", "Return")  # ｺﾋﾟｰが完了しました
    check((dst / "a.bmp").read_bytes() == pics["a.bmp"], "a.bmp was not copied")
    check((dst / "b.bmp").read_bytes() == old, "b.bmp was replaced after すべていいえ")
    check((dst / "c.bmp").read_bytes() == pics["c.bmp"], "c.bmp was not copied")
    s.quit()


# --- catalogs --------------------------------------------------------------------------------


def catalog_list(s, doz):
    out = subprocess.run([str(s.verid_tool), "catalog-list", str(doz)], capture_output=True,
                         text=True, check=True).stdout
    s.log_line(out)
    return out


def file_dialog(s, exclude):
    return s.wait_window(match=lambda t: t != "Verid", exclude=exclude, what="a file dialog")


def catalog(s):
    """Make at 80, remake at 120, save, delete from the catalog, close; reopen the file."""
    folder(s, "pics", THREE, 64, 48)
    s.install({"ｶﾀﾛｸﾞ": {"Size": 80}, "削除": {"方法": 1, "確認": 1}})
    main = s.start(s.home / "pics")
    s.menu(main, "alt+v", "c", "m")
    window = s.wait_window(title=str(s.home / "pics"), what="the catalog window")
    check(not main.viewable(), "the main window stays beside the catalog")
    # ｶﾀﾛｸﾞ再作成 - 120×120, the last of the four sizes.
    s.menu(window, "alt+v", "m", "Up Return")
    poll("the remade catalog", window.viewable)
    # ｶﾀﾛｸﾞ(*.doz)を保存: two above 閉じる at the end of the file menu.
    saved = s.home / "cat1.doz"
    s.menu(window, "alt+f", "Up Up Return")
    dialog = file_dialog(s, (window.id,))
    s.keys("ctrl+a", win=dialog)
    s.type(str(saved))
    s.keys("Return")
    s.wait_gone(dialog)
    listing = poll("the saved catalog", lambda: saved.exists() and catalog_list(s, saved))
    check("120" in listing and all(n in listing for n in THREE),
          f"the saved catalog is not the three pictures at 120:\n{listing}")
    # 削除 on the first thumbnail (selected after a build): to the trash.
    s.menu(window, "alt+f", "d")
    poll("a.bmp in the trash", lambda: trash_names(s) == ["a.bmp"])
    s.menu(window, "alt+f", "x")
    poll("the main window back", main.viewable)

    # ﾌｧｲﾙ(*.doz)を開く: the saved file comes back with its three entries, view-only.
    s.menu(main, "alt+v", "c", "o")
    dialog = file_dialog(s, ())
    s.keys("ctrl+a", win=dialog)
    s.type(str(saved))
    s.keys("Return")
    opened = s.wait_window(title=str(saved), what="the opened catalog")
    s.send_close(opened)
    poll("the main window back", main.viewable)
    s.quit()


# --- slide shows -----------------------------------------------------------------------------


def slide_shows(s):
    """The preview show to its end (No), stopped; the full-screen show again (Yes) and to
    its end (No), stopped with Esc."""
    folder(s, "pics", ["a.bmp", "b.bmp", "c.bmp", "d.bmp"], 320, 240)
    s.install({"連続表示": {"間隔": 600}})
    main = s.start(s.home / "pics")
    # ｽﾗｲﾄﾞｼｮｰ表示 shares its letter with 画面にﾌｨｯﾄ表示: the second s highlights it.
    s.menu(main, "alt+v", "s s", "p")
    s.answer("情報", "n", timeout=60)  # ｽﾗｲﾄﾞｼｮｰは終了しました もう一度始めますか?
    s.menu(main, "alt+v", "s s", "p")
    s.menu(main, "alt+v", "x")  # ｽﾗｲﾄﾞｼｮｰ終了
    stays("no question after a stopped show", lambda: s.alive() and not s.boxes(), 3)

    s.menu(main, "alt+v", "s s", "f")
    slide = wait_slide_window(s)
    check(not main.viewable(), "the main window stays over the full-screen show")
    check(slide.frame() == (0, 0, SCREEN_W, SCREEN_H), f"the show has a frame: {slide.frame()}")
    s.answer("情報", "y", timeout=60)
    s.answer("情報", "n", timeout=60)
    poll("the main window back", main.viewable)
    s.menu(main, "alt+v", "s s", "f")
    slide = wait_slide_window(s)
    s.keys("Escape", win=slide)
    poll("the main window back", main.viewable)
    stays("no question after a stopped show", lambda: s.alive() and not s.boxes(), 2)
    s.quit()


# --- settings --------------------------------------------------------------------------------


def properties_exit(s):
    """The first-run hint once, ﾌﾟﾛﾊﾟﾃｨ OK, and every key written back at exit."""
    folder(s, "pics", THREE, 64, 48)
    s.install({"連続表示": {"間隔": 700}, "Convert": {"PngCompresslevel": 255}},
              first_run_hint=True)
    main = s.start(s.home / "pics")
    # The hint comes when the window is first active; without a window manager nothing
    # activates it until the user clicks into it.
    try:
        hint = s.box("Verid", timeout=3)
    except JourneyFailed:
        s.focus(main)
        hint = s.box("Verid")
    s.keys("Return", win=hint)  # the hint: a plain box titled Verid
    s.wait_gone(hint)
    s.menu(main, "alt+o", "p")
    dialog = s.wait_window(title="ﾌﾟﾛﾊﾟﾃｨ")
    s.keys("Return", win=dialog)
    s.wait_gone(dialog)
    s.quit()
    raw = s.ini.read_bytes()
    check(b"\n" not in raw.replace(b"\r\n", b""), "the settings file has lines not ended by CRLF")
    check("[ｶﾀﾛｸﾞ]\r\nSize=80\r\n".encode("cp932") in raw,
          "the settings file lacks [ｶﾀﾛｸﾞ] Size=80 in CP932")
    ini = read_ini(s.ini)
    sections = list(ini)
    order = ["指定検索", "コピー", "移動", "削除", "連続表示", "ｶﾀﾛｸﾞ", "Color", "ToolBar",
             "I/ODialog", "IE", "Property", "Convert"]
    check(all(name in ini for name in order), f"sections missing at exit: {sections}")
    check(ini["Property"]["Info"] == "0", "the first-run hint is still due after it was shown")
    check(ini["連続表示"]["間隔"] == "700", f"the interval became {ini['連続表示']['間隔']}")
    check(ini["Convert"]["PngCompresslevel"] == "-1",
          f"PngCompresslevel 255 was written as {ini['Convert']['PngCompresslevel']}")
    check(ini["ｶﾀﾛｸﾞ"]["Size"] == "80" and ini["削除"]["方法"] == "1"
          and ini["コピー"]["1"] == "未指定", f"defaults not written: {ini}")


JOURNEYS = {
    "open_folder": open_folder,
    "chooser_return": chooser_return,
    "browse": browse,
    "view_modes": view_modes,
    "main_file_ops": main_file_ops,
    "view_file_ops": view_file_ops,
    "rename": rename,
    "batch_rename": batch_rename,
    "copy_all_clash": copy_all_clash,
    "catalog": catalog,
    "slide_shows": slide_shows,
    "properties_exit": properties_exit,
}
