# Shared by the scripts: the Debian packages the project needs, and the build.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-translations-l10n libsqlite3-dev libpq-dev postgresql-15 openssl poppler-utils
          qt6-image-formats-plugins libgl-dev fonts-dejavu-core fonts-dejavu-extra locales
          lintian appstream desktop-file-utils dpkg-dev python3
          xvfb xdotool dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0)

# The C-library locales our users run (French) and the English one some tests compare with.
LOCALES=(fr_FR.UTF-8 en_US.UTF-8)

# Installs what is missing; without root, says the one line to run and stops. WITH_RECOMMENDS=1
# takes the packages' recommendations too (Wine wants its fonts and helpers).
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Paquets manquants. Installez-les avec :"
        echo "  sudo apt-get install -y ${missing[*]}"
        exit 1
    fi
    echo "Installation de : ${missing[*]}"
    apt-get update -qq
    local recommends=--no-install-recommends
    [ -n "${WITH_RECOMMENDS:-}" ] && recommends=
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
}

# Makes the C-library locales exist: a French desktop has fr_FR.UTF-8, and the tests run under it.
ensure_locales() {
    local name missing=()
    for name in "${LOCALES[@]}"; do
        locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || missing+=("$name")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Locales manquantes (${missing[*]}). Créez-les avec :"
        for name in "${missing[@]}"; do echo "  sudo localedef -i ${name%%.*} -f UTF-8 $name"; done
        exit 1
    fi
    for name in "${missing[@]}"; do
        localedef -i "${name%%.*}" -f UTF-8 "$name"
    done
}

# build_in FOLDER [cmake options...]
build_in() {
    local folder=$1
    shift
    cmake -S "$ROOT" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DTENSIOVA_WERROR=ON "$@" >/dev/null
    echo "Compilation dans $folder…"
    cmake --build "$folder" -- --quiet -j"$(nproc)"
}

# The port param.ini names, rounded as the program rounds it; 1 when it names none.
configured_port() {
    local ini=$1 port
    port=$(awk '{ line = tolower($0) }
        line ~ /^[ \t]*\[/ { if (seen) exit; inside = (line ~ /^[ \t]*\[[ \t]*port com[ \t]*\]/); seen = inside; next }
        inside && line ~ /^[ \t]*valeur[ \t]*=/ { sub(/^[^=]*=[ \t]*/, ""); gsub(/["\047 \t\r]/, "");
            v = $0 + 0; r = int(v); f = v - r
            if (f > 0.5 || (f == 0.5 && r % 2 == 1)) r++
            print r; exit }' "$ini" 2>/dev/null)
    port=${port%%[!0-9]*}
    if [ -z "$port" ] || [ "$port" -lt 1 ] 2>/dev/null; then
        port=1
    fi
    echo "$port"
}
