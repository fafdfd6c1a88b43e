#!/bin/sh
# Installs the Debian packages that building and testing lorvane-cli needs, and only
# those that are missing; does nothing when all are there. Runs apt-get as root, or
# through sudo otherwise.
set -eu

packages="cmake make g++ clang libclang-rt-14-dev pkgconf libpcre2-dev libyaml-dev libicu-dev
libcli11-dev libgtest-dev"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

echo "installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "error: missing packages:$missing (run as root or install sudo)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
