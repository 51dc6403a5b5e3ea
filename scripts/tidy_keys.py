#!/usr/bin/env python3
"""Lists the files clang-tidy still has to check, each with its cache key.

Arguments: compile_commands.json, the cache folder ("off": no cache), the output list, the files.
A file's key hashes its preprocessed text, its compile command, clang-tidy's version and the
checks, with the clone's folder left out; a key already in the cache was checked clean before.
"""
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys

db_path, cache, todo_path, files = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
db = {entry["file"]: entry for entry in json.load(open(db_path))}
salt = hashlib.sha256()
salt.update(subprocess.run(["clang-tidy-14", "--version"], capture_output=True).stdout)
salt.update(open(".clang-tidy", "rb").read())


def preprocess_command(entry):
    args = entry.get("arguments") or shlex.split(entry["command"])
    # A launcher in front (ccache through cmake -E env) is dropped: the compiler alone preprocesses.
    while args and not os.path.basename(args[0]).startswith(("g++", "c++", "clang++")):
        args = args[1:]
    out, skip = [], False
    for arg in args:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg != "-c":
            out.append(arg)
    return out + ["-E", "-P", "-o", "-"]


def key(path):
    if cache == "off":
        return path, "none"
    entry = db[path]
    command = preprocess_command(entry)
    text = subprocess.run(command, cwd=entry["directory"], capture_output=True).stdout
    # The clone's own folder is left out, so a fresh clone elsewhere finds the same keys.
    root = os.getcwd()
    digest = salt.copy()
    digest.update(shlex.join(command).replace(root, "<root>").encode())
    digest.update(text.replace(root.encode(), b"<root>"))
    return path, digest.hexdigest()


with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
    keys = list(pool.map(key, files))
with open(todo_path, "w") as todo:
    for path, digest in keys:
        if cache == "off" or not os.path.exists(os.path.join(cache, digest)):
            todo.write(f"{path} {digest}\n")
