#!/usr/bin/env bash
# Builds every way iondrill ships into dist/, from the commit checked out
# (git archive HEAD; uncommitted changes are left out, with a warning):
#   iondrill_VERSION_{amd64,arm64,armhf}.deb               Debian packages
#   iondrill-VERSION-linux-{x86_64,arm64,armv6}.tar.gz     static programs, any Linux
#   iondrill-VERSION-windows-x86_64.zip                    Windows (MinGW-w64)
#   iondrill-VERSION.html                                  any browser (emscripten)
#   iondrill-VERSION-web.zip                               the same as a web app, to host
# Every file's time is the commit's, so two runs of the same commit give the
# same bytes, wherever they run. Builds in a temporary folder, removed after.
# Needs the Debian packages that `tools/deps ci` installs.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(git show HEAD:CMakeLists.txt | sed -n 's/^project(iondrill VERSION \([^ ]*\) .*/\1/p')
debversion=$(git show HEAD:debian/changelog | dpkg-parsechangelog -l - -S Version)
if [ "$version" != "$debversion" ]; then
    echo "dist.sh: CMakeLists.txt says $version but debian/changelog says $debversion" >&2
    exit 1
fi
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "dist.sh: warning: uncommitted changes are not in what it builds" >&2
fi
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)

# dpkg-buildpackage cannot map a build path with a blank out of the program,
# so the build folder is one without.
tmp=$(mktemp -d /tmp/iondrill-dist.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
src=$tmp/iondrill-$version
git archive --prefix="iondrill-$version/" HEAD | tar -xf - -C "$tmp"
rm -rf dist
mkdir dist

# The tests run while the native package builds; they cannot run cross.
(cd "$src" && dpkg-buildpackage -b -us -uc)
for arch in arm64 armhf; do
    (cd "$src" && DEB_BUILD_OPTIONS=nocheck dpkg-buildpackage -b -us -uc -a "$arch" -Pnocheck)
done
mv "$tmp"/iondrill_"$version"_*.deb dist/

for preset in linux-x86_64 linux-arm64 linux-armv6 windows; do
    (cd "$src" && cmake --workflow --fresh --preset "$preset")
done
mv "$src"/dist/iondrill-"$version"-* dist/
# The page alone: its tests run in CI and the developer's web workflow.
(cd "$src" && cmake --preset web --fresh -DIONDRILL_DEVELOPER_MODE=OFF && cmake --build --preset web)
mv "$src"/build-web/iondrill.html dist/iondrill-"$version".html
# The app's folder, iondrill/, zipped with the commit's time and fixed modes.
python3 - dist/iondrill-"$version"-web.zip "$src"/build-web/app <<'EOF'
import os, sys, time, zipfile
out, folder = sys.argv[1:]
when = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
with zipfile.ZipFile(out, "w") as z:
    for name in sorted(os.listdir(folder)):
        info = zipfile.ZipInfo("iondrill/" + name, when)
        info.compress_type, info.external_attr = zipfile.ZIP_DEFLATED, 0o644 << 16
        with open(os.path.join(folder, name), "rb") as f:
            z.writestr(info, f.read())
EOF
(cd dist && sha256sum -- *)
