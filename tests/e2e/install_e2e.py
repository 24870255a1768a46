#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""End-to-end test of an installation: `cmake --install` of the build into a fresh prefix.

Checks that the prefix holds the program, the demo, the desktop entry, the AppStream
metainfo, the icon, the manual page, the copyright file and the changelog, that the desktop's
own checkers accept them, the page formats without a warning and the copyright file is in
Debian's machine-readable format; that scripted play plays the installed demo named by its
dat.dat; and, in an X server of its own, that the installed program started with no game
(as from the desktop menu) opens the folder chooser, which plays the demo it starts in, and
that cancelling the chooser ends the program with status 0. Then that lintian finds nothing
in the Debian package CPack makes of the build, at error or warning level, but the
maintainer's address.
Exit status 0 passes, 1 fails, 77 is a skip.
"""

import argparse
import contextlib
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdisplay import XServer, tools_missing  # noqa: E402
from window_e2e import TEXT, Failure, check, wait_for  # noqa: E402

APP_ID = "io.github.tavrin.Tavrin"
CHOOSER = "Open a game folder or archive - Tavrin"
INSTALLED = [
    "bin/tavrin",
    "share/tavrin/demo/dat.dat",
    "share/tavrin/demo/bgm.mid",
    "share/tavrin/demo/img/sunset.jpg",
    f"share/applications/{APP_ID}.desktop",
    f"share/metainfo/{APP_ID}.metainfo.xml",
    f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    "share/man/man1/tavrin.1.gz",
    "share/doc/tavrin/copyright",
    "share/doc/tavrin/changelog.gz",
]
COPYRIGHT_FORMAT = "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
# What lintian says of the address in the Maintainer field and the changelog while it is the
# placeholder: whoever builds the package sets it (TAVRIN_PACKAGE_MAINTAINER).
MAINTAINER_TAGS = {"bogus-mail-host", "bogus-mail-host-in-debian-changelog"}


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, timeout=60, **options)


def check_files(prefix):
    for path in INSTALLED:
        check(os.path.isfile(os.path.join(prefix, path)), f"installed: {path}")
    check(os.access(os.path.join(prefix, "bin/tavrin"), os.X_OK), "bin/tavrin can be run")
    desktop = os.path.join(prefix, "share/applications", APP_ID + ".desktop")
    result = run("desktop-file-validate", desktop)
    check(result.returncode == 0 and not result.stdout.strip(),
          f"desktop-file-validate accepts the desktop entry {result.stdout.strip()}")
    check("Exec=tavrin %f\n" in open(desktop).read(), "the desktop entry passes a file or folder")
    result = run("appstreamcli", "validate", "--no-net",
                 os.path.join(prefix, "share/metainfo", APP_ID + ".metainfo.xml"))
    check(result.returncode == 0, f"appstreamcli accepts the metainfo {result.stdout.strip()}")
    result = run("man", "--warnings", "-l", os.path.join(prefix, "share/man/man1/tavrin.1.gz"),
                 env={**{k: v for k, v in os.environ.items() if k != "MAN_KEEP_FORMATTING"},
                      "MANWIDTH": "80"})
    check(result.returncode == 0 and not result.stderr.strip() and "SYNOPSIS" in result.stdout,
          f"the manual page formats without a warning {result.stderr.strip()}")


def check_copyright(prefix, source):
    """A header naming the format, then paragraphs of files, each pattern naming files of the
    source tree, with their copyright and a licence whose text a paragraph of its own gives."""
    text = open(os.path.join(prefix, "share/doc/tavrin/copyright"), encoding="utf-8").read()
    fields = [re.findall(r"^([\w-]+):[ \t]*(.*(?:\n[ \t].*)*)", block, re.M)
              for block in text.strip().split("\n\n")]
    check(all(len(dict(p)) == len(p) for p in fields), "no paragraph gives a field twice")
    header, *paragraphs = [dict(p) for p in fields]
    check(header.get("Format") == COPYRIGHT_FORMAT, "the copyright file names its format")
    licences = {p["License"].split("\n")[0] for p in paragraphs
                if "Files" not in p and "\n" in p.get("License", "")}
    files = [p for p in paragraphs if "Files" in p]
    check(files and all("Copyright" in p and ("\n" in p.get("License", "")
                                              or p.get("License") in licences) for p in files),
          f"each paragraph of files has its copyright and a licence given in full ({licences})")
    stale = [pattern for p in files for pattern in p["Files"].split()
             if not glob.glob(os.path.join(source, pattern))]
    check(not stale, f"each pattern of the copyright file names files of the source {stale}")


def check_package(cpack, build):
    """The package CPack makes of the build, in a folder of its own, and lintian's findings."""
    with tempfile.TemporaryDirectory(prefix="tavrin-package-") as folder:
        result = run(cpack, "--config", os.path.join(build, "CPackConfig.cmake"), "-B", folder)
        packages = glob.glob(os.path.join(folder, "tavrin_*.deb"))
        made = result.returncode == 0 and len(packages) == 1
        check(made, "cpack makes the package" + ("" if made else result.stdout + result.stderr))
        maintainer = run("dpkg-deb", "--field", packages[0], "Maintainer").stdout
        address = maintainer.strip().partition("<")[2].rstrip(">")
        # Status 2 for findings at the levels of --fail-on, 1 when lintian itself fails.
        result = run("lintian", "--fail-on", "error,warning", packages[0])
        found = re.findall(r"^[EW]: tavrin(?: \w+)?: (\S+)(.*)$", result.stdout, re.M)
        others = [f"{tag}{context}" for tag, context in found
                  if tag not in MAINTAINER_TAGS or address not in context]
        check(result.returncode == (2 if found else 0) and not others,
              f"lintian finds nothing but the maintainer's address {address} "
              f"{others or result.stdout + result.stderr}")


def check_scripted_play(prefix):
    result = run(os.path.join(prefix, "bin/tavrin"), "--headless",
                 os.path.join(prefix, "share/tavrin/demo/dat.dat"), input="close\n", cwd="/")
    start = json.loads(result.stdout.splitlines()[0])
    check(result.returncode == 0 and start["script_open"] and not start["alerts"]
          and start["picture"] is not None,
          "scripted play of the installed demo, named by its dat.dat, opens it")


@contextlib.contextmanager
def started(program, x_server, home, runtime):
    """The program started with no argument, as the desktop menu starts it, with `home` as
    its home and temporary folder; killed at the end if it is still running."""
    env = dict(x_server.env(), HOME=home, XDG_RUNTIME_DIR=runtime, TMPDIR=home)
    for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
        env.pop(name, None)
    process = subprocess.Popen([program], env=env, cwd="/",
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        yield process
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def check_chooser(prefix):
    program = os.path.join(prefix, "bin/tavrin")
    with XServer() as x_server, tempfile.TemporaryDirectory(prefix="tavrin-home-") as home, \
            tempfile.TemporaryDirectory(prefix="tavrin-runtime-") as runtime:
        os.chmod(runtime, 0o700)
        # Play, at once: the chooser starts in the demo, which is played.
        with started(program, x_server, home, runtime) as process:
            chooser = wait_for("the folder chooser",
                               lambda: x_server.windows_named(CHOOSER), timeout=10)[0]
            check(not x_server.windows_named("Tavrin"),
                  "with no game beside it the program opens the folder chooser first")
            x_server.xdotool("windowfocus", "--sync", chooser)
            x_server.xdotool("key", "Return")
            window = wait_for("the Tavrin window",
                              lambda: x_server.windows_named("Tavrin"), timeout=10)[0]
            x, y, width, height = x_server.geometry(window)
            message = (x, y + height * 5 // 7, width, height * 2 // 7)
            wait_for("the demo's first page",
                     lambda: x_server.grab(*message).count(TEXT, 30) >= 40, timeout=10)
            print("ok: the chooser's Play plays the installed demo it starts in")
            x_server.close_window(window)
            check(process.wait(10) == 0, "closing the window ends the program with status 0")

        # Cancel: the program ends with status 0 and no window.
        with started(program, x_server, home, runtime) as process:
            chooser = wait_for("the folder chooser",
                               lambda: x_server.windows_named(CHOOSER), timeout=10)[0]
            x_server.xdotool("windowfocus", "--sync", chooser)
            x_server.xdotool("key", "Escape")
            check(process.wait(10) == 0, "cancelling the chooser ends the program with status 0")
        written = [os.path.relpath(os.path.join(folder, name), home)
                   for folder, dirs, files in os.walk(home) for name in files + dirs]
        check(not written, f"the chooser and the window wrote nothing in the home folder "
                           f"({written})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build", required=True, help="the build folder to install")
    parser.add_argument("--source", required=True, help="the source folder it was built from")
    args = parser.parse_args()
    missing = tools_missing() + [tool for tool in ("desktop-file-validate", "appstreamcli", "man",
                                                   "dpkg-deb", "lintian")
                                 if shutil.which(tool) is None]
    if missing:
        print(f"skipped: {', '.join(missing)} not installed")
        return 77

    with tempfile.TemporaryDirectory(prefix="tavrin-install-") as prefix:
        result = run(args.cmake, "--install", args.build, "--prefix", prefix)
        if result.returncode != 0:
            print(f"FAILED: cmake --install\n{result.stdout}{result.stderr}")
            return 1
        try:
            check_files(prefix)
            check_copyright(prefix, args.source)
            check_scripted_play(prefix)
            check_chooser(prefix)
            check_package(args.cpack, args.build)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
