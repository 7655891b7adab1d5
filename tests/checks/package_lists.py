"""Holds the package lists to tools/deps: every program that a CMake file
requires (find_program ... REQUIRED) comes from a package that tools/deps
installs for that build, and every package of debian/control's
Build-Depends is one that tools/deps ci installs. Run where `tools/deps ci`
has installed everything (.ci/run), from the project's top folder."""
import os
import re
import shutil
import subprocess
import sys


def listed(purpose):
    return set(subprocess.run(["tools/deps", "list", purpose], check=True, capture_output=True,
                              text=True).stdout.split())


def required_programs():
    """(program, purpose) for each find_program(... REQUIRED): the web build's
    are those of cmake/web.cmake and of the tests' if(EMSCRIPTEN) block, the
    Windows build's are CI's, the rest the tests'."""
    for path, purpose in [("cmake/web.cmake", "web"), ("cmake/windows.cmake", "ci"),
                          ("CMakeLists.txt", "test"), ("tests/CMakeLists.txt", "test")]:
        depth = 0
        for line in open(path):
            if re.match(r"\s*if\(EMSCRIPTEN\)", line) or depth and re.match(r"\s*if\(", line):
                depth += 1
            elif depth and re.match(r"\s*endif\(", line):
                depth -= 1
            if m := re.search(r"find_program\(\w+ ([\w.+-]+) REQUIRED\)", line):
                yield m.group(1), "web" if depth else purpose


def package_of(program):
    path = shutil.which(program)
    if not path:
        return None
    for candidate in (path, path.replace("/usr/bin/", "/bin/"), os.path.realpath(path)):
        out = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True).stdout
        if out:
            return out.split(":")[0].split(",")[0].strip()
    return None


faults = []
for program, purpose in required_programs():
    package = package_of(program)
    if package not in listed(purpose):
        faults.append(f"{program} (package {package}) is required, but tools/deps {purpose} does not install it")
control = open("debian/control").read()
depends = re.search(r"^Build-Depends:(.*?)^\S", control, re.S | re.M).group(1)
for package in re.findall(r"([a-z0-9][a-z0-9.+-]+)(?: \([^)]*\))?(?: <[^>]*>)?,", depends):
    if package != "debhelper-compat" and package not in listed("ci"):
        faults.append(f"debian/control builds with {package}, which tools/deps ci does not install")
print("\n".join(faults) or "package lists: every required program and build dependency is installed by tools/deps")
sys.exit(1 if faults else 0)
