#!/usr/bin/env bash
# Makes the Ed25519 key pair installers are signed with: DIR/update-key.pem (private, mode
# 0600, keep it out of every repository) and DIR/update-key.pub.pem (public; a client build
# takes it with -DDOKORA_UPDATE_KEY=DIR/update-key.pub.pem and then runs only installers it
# signed).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
dir=$1
mkdir -p "$dir"
private="$dir/update-key.pem"
if [ -e "$private" ]; then
  echo "$private exists; not replacing a signing key" >&2
  exit 1
fi
(umask 077 && openssl genpkey -algorithm ed25519 -out "$private")
openssl pkey -in "$private" -pubout -out "$dir/update-key.pub.pem"
echo "private key: $private"
echo "public key:  $dir/update-key.pub.pem"
