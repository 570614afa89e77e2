#!/usr/bin/env bash
# Installs those of the named Debian/Ubuntu packages that are not installed yet, so that a
# fresh machine needs nothing done by hand. Names after --optional are installed only where the
# distribution has them.
set -euo pipefail

required=()
optional=()
target=required
for name in "$@"; do
    if [ "$name" = --optional ]; then
        target=optional
    elif [ "$target" = required ]; then
        required+=("$name")
    else
        optional+=("$name")
    fi
done

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for name in "${required[@]}" "${optional[@]}"; do
    installed "$name" || missing+=("$name")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq

wanted=()
for name in "${missing[@]}"; do
    if printf '%s\n' "${optional[@]}" | grep -qx -- "$name" \
        && ! apt-cache show "$name" >/dev/null 2>&1; then
        echo "Not available here, skipped: $name" >&2
        continue
    fi
    wanted+=("$name")
done
[ ${#wanted[@]} -eq 0 ] && exit 0
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${wanted[@]}"
