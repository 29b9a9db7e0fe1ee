#!/usr/bin/env bash
# Compiles every source that is meant to build on Windows with the MinGW-w64 cross compiler,
# syntax only, against the distribution's Qt headers: POSIX headers and Linux-only types that
# slip in outside a Q_OS_* branch show here. No Windows binary is built or run.
#   scripts/windows_syntax.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || { echo "windows_syntax: $cxx is not installed" >&2; exit 1; }
qt=$(dirname "$(dirname "$(find /usr/include -path '*/qt6/QtCore/qglobal.h' -print -quit)")")
[ -d "$qt" ] || { echo "windows_syntax: no Qt 6 headers" >&2; exit 1; }
includes=(-I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -I"$qt/QtSerialPort" -I"$qt/QtMultimedia" -I"$qt/QtCharts" -I"$qt/QtSql" -I"$qt/QtOpenGL" -I"$qt/QtOpenGLWidgets"
          -I"$qt/QtNetwork" -Isrc)
# What CMake defines for every build: the program's version.
version=$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
defines=(-DDORVIK_VERSION="\"$version\"")
# The simulator and the screenshot renderer (which runs the simulator) work on Linux
# pseudo-terminals; they are not meant to build on Windows.
mapfile -t sources < <(git ls-files 'src/*.cpp' 'tools/*.cpp' | grep -v -e '^tools/sim/' -e '^tools/screenshots/')
failed=0
for f in "${sources[@]}"; do
  # The Linux build of the headers declares a few operators without dllimport: not ours.
  if ! "$cxx" -std=c++17 -fsyntax-only -Wno-attributes "${defines[@]}" "${includes[@]}" "$f"; then
    echo "windows_syntax: $f does not compile for Windows" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "windows_syntax: ${#sources[@]} sources compile for Windows"
exit $failed
