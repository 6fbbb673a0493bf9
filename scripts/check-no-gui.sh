#!/usr/bin/env bash
# Checks that a build configured with -DDOKORA_GUI=OFF used no Qt or other GUI package: the
# option is off, CMake never found Qt, no compile command sees a Qt header directory, and no
# program or library of the build needs a Qt, GL, X or Wayland library. Usage: BUILD_DIR.
set -euo pipefail
build_dir=${1:?usage: check-no-gui.sh BUILD_DIR}
fail() {
    echo "check-no-gui: $*" >&2
    exit 1
}

grep -qx 'DOKORA_GUI:BOOL=OFF' "$build_dir/CMakeCache.txt" || fail "DOKORA_GUI is not OFF in $build_dir"
if grep -E '^Qt6[A-Za-z]*_DIR:PATH=' "$build_dir/CMakeCache.txt" | grep -v -- '-NOTFOUND$'; then
    fail "CMake found Qt"
fi
if grep -oiE -- '-(I|isystem) ?[^ ]*qt6[^ ]*' "$build_dir/compile_commands.json" | sort -u; then
    fail "a compile command sees Qt headers"
fi

gui_libraries='^lib(Qt6|GL|EGL|OpenGL|X11|xcb|wayland|xkbcommon)'
checked=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    needed=$(readelf -d "$file" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    if grep -E "$gui_libraries" <<<"$needed"; then
        fail "$file needs a GUI library"
    fi
    checked=$((checked + 1))
done < <(find "$build_dir" -type f -perm -u+x -not -path '*/CMakeFiles/*' -print0)
[ "$checked" -gt 0 ] || fail "no programs or libraries in $build_dir"
# The programs this build is for must be among them.
for program in src/app/dokora-convert server/dokora-server src/app/libKovault.so; do
    [ -f "$build_dir/$program" ] || fail "$program was not built"
done
echo "check-no-gui: $checked programs and libraries in $build_dir, none needs a GUI library"
