"""Picture folders for the journeys: small BMPs written here, JPEG and PNG made from them
by the build's verid-tool, and one large folder made once per build tree and reused."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from harness import WAIT, bmp_bytes


def tool(session, *args):
    subprocess.run([str(session.verid_tool), *map(str, args)], check=True,
                   stdout=subprocess.DEVNULL, stderr=session.log, timeout=WAIT)


def picture(session, path, width=640, height=480, seed=0, quality=80):
    """Writes a picture of the format its extension names; returns its bytes."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    ext = path.suffix.lower()
    if ext == ".bmp":
        path.write_bytes(bmp_bytes(width, height, seed))
    else:
        source = path.with_name(path.name + ".src.bmp")
        source.write_bytes(bmp_bytes(width, height, seed))
        options = ["--quality", quality] if ext in (".jpg", ".jpeg") else []
        tool(session, "convert", source, path, *options)
        source.unlink()
    return path.read_bytes()


def folder(session, relative, names, width=640, height=480, first_seed=0):
    """A folder under the home folder with one picture per name; {name: bytes}."""
    base = session.home / relative
    base.mkdir(parents=True, exist_ok=True)
    return {name: picture(session, base / name, width, height, first_seed + i)
            for i, name in enumerate(names)}


BIG_COUNT = 200


def big_folder(session, relative, prefix="a"):
    """A folder of BIG_COUNT 1000 x 750 PNGs, enough for a catalog build that takes
    seconds. The picture is made once per build tree; the folder holds hard links to it."""
    cache = session.work_dir / "cache"
    cache.mkdir(parents=True, exist_ok=True)
    big = cache / "big-1000x750.png"
    if not big.exists():
        scratch = Path(tempfile.mkdtemp(dir=cache))
        made = scratch / "big.png"
        picture(session, made, 1000, 750, seed=3)
        os.replace(made, big)  # whole or not at all, when two journeys race
        shutil.rmtree(scratch, ignore_errors=True)
    base = session.home / relative
    base.mkdir(parents=True, exist_ok=True)
    names = [f"{prefix}{i:03d}.png" for i in range(BIG_COUNT)]
    for name in names:
        try:
            os.link(big, base / name)
        except OSError:
            shutil.copyfile(big, base / name)
    return names
