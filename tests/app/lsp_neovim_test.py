#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A real editor's client against `tavrin --lsp`: Neovim, headless, with its built-in LSP
client, opens a game's dat.dat (code page 932, CR LF) that has a mistake, must get the
check's error at the question's line, and must jump from a caption to the label of its
branch (lsp_neovim.lua does the editor's side)."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# The caption "＞右へ" has no label: its label was written "＞右へ行く".
SCENARIO = [
    ">img 門",
    "門は開いている。",
    "",
    "どちらへ行く？",
    "-qst",      # line 5: the question whose second choice reads to the end of the file
    "＞左へ",    # line 6: the caption to jump from
    "＞右へ",
    "＞左へ",    # line 8: its label
    "+10",
    "左の道は暗い。",
    "",
    "＞右へ行く",
    "+30",
    "右の道は明るい。",
    "",
    "●",
    "",
    ">end",
]
QUESTION_LINE, CAPTION_LINE, LABEL_LINE = 5, 6, 8


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tavrin", required=True)
    args = parser.parse_args()
    nvim = shutil.which("nvim")
    if nvim is None:
        print("lsp_neovim: nvim is missing: scripts/install-deps installs Debian's neovim")
        return 1
    with tempfile.TemporaryDirectory(prefix="tavrin-lsp-neovim-") as temp:
        game = os.path.join(temp, "game")
        os.makedirs(game)
        with open(os.path.join(game, "dat.dat"), "wb") as dat:
            dat.write("\r\n".join(SCENARIO + [""]).encode("cp932"))
        result_file = os.path.join(temp, "result.json")
        env = dict(os.environ, TAVRIN=os.path.abspath(args.tavrin), GAME=game,
                   CAPTION_LINE=str(CAPTION_LINE), RESULT=result_file)
        # Neovim's own state, logs and settings stay in the temporary folder.
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"):
            env[name] = os.path.join(temp, name.lower())
        run = subprocess.run(
            [nvim, "--headless", "--clean", "-n", "-i", "NONE",
             "-c", "luafile " + os.path.join(HERE, "lsp_neovim.lua")],
            env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
        if not os.path.exists(result_file):
            print("lsp_neovim: Neovim wrote no result (status %d)\n%s%s" % (
                run.returncode, run.stdout.decode(errors="replace"),
                run.stderr.decode(errors="replace")))
            return 1
        with open(result_file, encoding="utf-8") as f:
            result = json.load(f)

    failures = []
    if "error" in result:
        failures.append("the editor's script failed: " + result["error"])
    if not result.get("diagnostics_came"):
        failures.append("no diagnostics came")
    errors = [d for d in result.get("diagnostics", []) if d["severity"] == 1]
    if [d["line"] for d in errors] != [QUESTION_LINE] or "＞右へ" not in errors[0]["message"]:
        failures.append("expected one error, at line %d, naming \"＞右へ\"; got %s" % (
            QUESTION_LINE, json.dumps(errors, ensure_ascii=False)))
    if not result.get("jumped") or result.get("cursor_line") != LABEL_LINE:
        failures.append("definition from line %d went to line %s, not %d" % (
            CAPTION_LINE, result.get("cursor_line"), LABEL_LINE))
    if result.get("line_text") != "＞左へ":
        failures.append("the line jumped to reads %r" % result.get("line_text"))
    if not result.get("stopped"):
        failures.append("the server did not stop when asked")
    print(json.dumps(result, ensure_ascii=False, indent=1))
    for failure in failures:
        print("FAILED: " + failure)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
