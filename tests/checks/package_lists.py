"""Holds the package lists to tools/deps, where `tools/deps ci` has installed
everything (.ci/run): every program or node library a CMake file requires
(find_program or find_path ... REQUIRED) comes from a package that tools/deps installs for that build (the
web build's: cmake/web.cmake and the tests' if(EMSCRIPTEN) block), and every
Build-Depends of debian/control from one that tools/deps ci installs."""
import os
import re
import shutil
import subprocess
import sys

listed = lambda purpose: subprocess.run(["tools/deps", "list", purpose], check=True, capture_output=True,
                                        text=True).stdout.split()
faults = []
for path, purpose in [("cmake/web.cmake", "web"), ("cmake/windows.cmake", "ci"), ("tests/CMakeLists.txt", "test")]:
    web = 0  # depth inside if(EMSCRIPTEN)
    for line in open(path):
        web += bool(re.match(r"\s*if\(EMSCRIPTEN\)", line) or web and re.match(r"\s*if\(", line))
        web -= bool(web and re.match(r"\s*endif\(", line))
        if m := re.search(r"find_(program|path)\(\w+ (\S+)(?: PATHS (\S+))?.* REQUIRED\)", line):
            found = os.path.realpath(shutil.which(m.group(2)) or m.group(2) if m.group(1) == "program"
                                     else os.path.join(m.group(3), m.group(2)))
            owner = subprocess.run(["dpkg-query", "-S", found], capture_output=True, text=True).stdout.split(":")[0]
            if owner not in listed("web" if web else purpose):
                faults.append(f"{path} requires {m.group(2)} (package {owner or 'none'}), "
                              f"which tools/deps {'web' if web else purpose} does not install")
depends = re.search(r"^Build-Depends:(.*?)^\S", open("debian/control").read(), re.S | re.M).group(1)
for package in re.findall(r"([a-z0-9][a-z0-9.+-]+)[^,]*,", depends):
    if package != "debhelper-compat" and package not in listed("ci"):
        faults.append(f"debian/control builds with {package}, which tools/deps ci does not install")
print("\n".join(faults) or "package lists: each required program and build dependency is one tools/deps installs")
sys.exit(1 if faults else 0)
