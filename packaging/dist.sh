#!/usr/bin/env bash
# Builds the three ways iondrill ships, into dist/:
#   iondrill_VERSION_amd64.deb               the Debian package (debhelper)
#   iondrill-VERSION-linux-x86_64.tar.gz     for other Linux systems
#   iondrill-VERSION-windows-x86_64.zip      for Windows (MinGW-w64)
# Needs, beyond the tests' tools: dpkg-dev, debhelper and g++-mingw-w64-x86-64-posix.
# Writes nothing outside the project's folder.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(iondrill VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
debversion=$(dpkg-parsechangelog -S Version)
if [ "$version" != "$debversion" ]; then
    echo "dist.sh: CMakeLists.txt says $version but debian/changelog says $debversion" >&2
    exit 1
fi

rm -rf dist
mkdir -p dist/deb/iondrill-"$version"

# dpkg-buildpackage writes beside the source tree, so the package is built
# from a copy of the project's files under dist/.
git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - | tar -xf - -C dist/deb/iondrill-"$version"
(cd dist/deb/iondrill-"$version" && dpkg-buildpackage -b -us -uc)
mv dist/deb/iondrill_"$version"_*.deb dist/

for preset in portable windows; do
    cmake --workflow --fresh --preset "$preset"
done
rm -rf dist/deb dist/_CPack_Packages
ls -l dist
