#!/usr/bin/env bash
# Makes the self-contained installer DokoraSetup.exe from a build (its client component as
# `cmake --install` lays it out) or from a ready directory tree, signs it, and writes it into
# UPDATE_DIR with its signature DokoraSetup.exe.sig and the version file newversion.htm: the
# reference service serves that directory as DATA_DIR/update.
#
#   make-installer.sh --key KEY.pem (--build BUILD_DIR | --payload DIR) [--version V]
#                     [--forced] UPDATE_DIR
#
# The installer is a shell archive: a POSIX shell header carrying the version stamp the client
# reads, then a gzip'd tar of the tree. Run, it installs that tree into its first argument,
# else $DOKORA_PREFIX, else ~/.local/opt/dokora, replacing what was there, and starts
# bin/dokora of the new tree when it has one (not with --no-start).
set -euo pipefail

usage() {
  sed -n '8,9p' "$0" | sed 's/^#  *//' >&2
  exit 2
}

key="" build="" payload="" version="" forced=0
while [ $# -gt 1 ]; do
  case $1 in
    --key) key=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --payload) payload=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --forced) forced=1; shift ;;
    *) usage ;;
  esac
done
[ $# -eq 1 ] || usage
out=$1
[ -n "$key" ] && [ -r "$key" ] || { echo "a readable --key is needed" >&2; exit 2; }
{ [ -n "$build" ] && [ -z "$payload" ]; } || { [ -z "$build" ] && [ -n "$payload" ]; } || usage

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -n "$build" ]; then
  [ -n "$version" ] ||
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
  cmake --install "$build" --prefix "$work/tree" --component client >/dev/null
  payload="$work/tree"
fi
[ -d "$payload" ] || { echo "no payload directory: $payload" >&2; exit 1; }
case $version in
  '' | *[!0-9.]* | .* | *. | *..*) echo "version must be dotted numbers: '$version'" >&2; exit 2 ;;
esac

installer="$work/DokoraSetup.exe"
cat >"$installer" <<HEADER
#!/bin/sh
# Dokora installer. Usage: DokoraSetup.exe [--no-start] [PREFIX]
DOKORA_VERSION_STAMP=$version
HEADER
cat >>"$installer" <<'BODY'
set -eu
start=1
if [ "${1:-}" = "--no-start" ]; then start=0; shift; fi
prefix=${1:-${DOKORA_PREFIX:-$HOME/.local/opt/dokora}}
prefix=${prefix%/}
parent=$(dirname "$prefix")
mkdir -p "$parent"
stage=$(mktemp -d "$parent/.dokora-install.XXXXXX")
trap 'rm -rf "$stage"' EXIT
line=$(awk '/^__DOKORA_PAYLOAD__$/ { print NR + 1; exit }' "$0")
tail -n +"$line" "$0" | tar -xzf - -C "$stage"
# The old tree steps aside and comes back if the new one cannot take its place.
if [ -e "$prefix" ]; then mv "$prefix" "$stage/previous"; fi
if ! mv "$stage/tree" "$prefix"; then
  if [ -e "$stage/previous" ]; then mv "$stage/previous" "$prefix"; fi
  echo "Dokora could not be installed into $prefix" >&2
  exit 1
fi
echo "Dokora installed into $prefix"
# The client runs a private copy of the installer, named *.run; that copy goes now.
case $0 in *.run) rm -f "$0" ;; esac
if [ "$start" = 1 ] && [ -x "$prefix/bin/dokora" ]; then
  nohup "$prefix/bin/dokora" >/dev/null 2>&1 &
fi
exit 0
__DOKORA_PAYLOAD__
BODY
mkdir "$work/pack"
cp -a "$payload/." "$work/pack/tree"
tar -czf - -C "$work/pack" tree >>"$installer"
chmod 0755 "$installer"
openssl pkeyutl -sign -rawin -inkey "$key" -in "$installer" -out "$installer.sig"

mkdir -p "$out"
for file in DokoraSetup.exe DokoraSetup.exe.sig; do
  cp "$work/$file" "$out/.$file.new"
  mv "$out/.$file.new" "$out/$file"
done
printf '<#%s#>\r\n<#%s#>' "$version" "$forced" >"$out/.newversion.htm.new"
mv "$out/.newversion.htm.new" "$out/newversion.htm"
echo "installer $version: $out/DokoraSetup.exe"
