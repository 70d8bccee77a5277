#!/usr/bin/env bash
# Installs the Debian packages that building, testing or checking needs and
# this machine lacks. Usage: scripts/setup.sh [build|test|ci]
set -euo pipefail
case "${1:-test}" in
  build) packages=(cmake ninja-build g++) ;;
  test) packages=(cmake ninja-build g++ libgtest-dev imagemagick locales) ;;
  ci) packages=(cmake ninja-build g++ libgtest-dev imagemagick locales clang libclang-rt-14-dev clang-format) ;;
  *) echo "usage: $0 [build|test|ci]" >&2; exit 2 ;;
esac
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
