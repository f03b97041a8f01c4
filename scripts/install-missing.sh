#!/usr/bin/env bash
# Installs those of the Debian packages named as arguments that are missing,
# without asking anything: as root, or through sudo.
set -euo pipefail

missing=()
for package in "$@"; do
    # Exactly "installed": a package removed but not purged still has a status.
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" = installed ] ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
$sudo_cmd apt-get update -qq
# Some packages (keyboard-configuration, under the console fonts) ask debconf
# questions: no frontend may wait for an answer (env passes the setting
# through sudo, which drops it), and no changed configuration file may stop
# dpkg for one.
$sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
    "${missing[@]}" </dev/null
