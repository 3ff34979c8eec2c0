#!/usr/bin/env bash
# Checks that scripts/setup.sh installs everything this machine's build and tests use, so a
# package installed here by hand cannot hide a missing install step: every CMake package
# configuration and required pkg-config module the configure step found, every library our
# targets link, and every program the tests and scripts start must come from a Debian package
# that is in setup.sh's list or that one of those pulls in. (Optional finds, such as the X11
# extensions FindX11 looks for or Qt's quiet probes, are left out: the build does not need them.)
#
#   scripts/check-packages.sh [BUILD_DIR]     (default: build)
#
# Exit status 0 when all is covered; 1 with the missing package's name(s) otherwise.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cache="$build/CMakeCache.txt"
[[ -f $cache ]] || { echo "check-packages: $cache not found; configure first" >&2; exit 2; }

# Programs started by the tests, the benchmarks and the scripts. A new one belongs here.
programs=(cmake ninja g++ clang clang++ pkg-config Xvfb xvfb-run xauth xclock xeyes xwd chromium turnserver
    openssl pgrep awk curl /usr/lib/qt6/bin/lupdate dpkg-shlibdeps dpkg-deb lintian
    desktop-file-validate x86_64-w64-mingw32-g++-posix wine wineserver wineboot X0tigervnc
    xtigervncviewer dbus-daemon pipewire wireplumber mutter gdbus sway swaymsg setpriv wayland-scanner
    /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-gnome
    /usr/lib/postgresql/15/bin/initdb /usr/lib/postgresql/15/bin/pg_ctl
    /usr/lib/postgresql/15/bin/createdb)

mapfile -t listed < <(sed -n '/^PACKAGES=(/,/^)/p' scripts/setup.sh | sed 's/#.*//' \
    | tr -d '()' | sed 's/PACKAGES=//' | tr -s ' \t' '\n' | grep -E '^[a-z0-9]' | sort -u)

# The dependency closure of the listed packages (no recommends: setup.sh installs without them).
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null \
    | sed -n 's/^ *\(Pre\)\?Depends: //p; /^[a-z0-9]/p' | tr -d '<>' | sed 's/:.*//' | sort -u)
closure=$(printf '%s\n' "${listed[@]}" "$closure" | sort -u)

# The package owning a file; merged-/usr files are recorded under either path.
owner() {
    local file=$1 candidates=("$1") pkg
    if [[ -e $file ]]; then candidates+=("$(readlink -f "$file")"); fi
    for f in "${candidates[@]}"; do
        for g in "$f" "${f#/usr}"; do
            pkg=$(dpkg -S "$g" 2>/dev/null | grep -v '^diversion' | head -1 | cut -d: -f1)
            pkg=${pkg%%,*}
            if [[ -n $pkg ]]; then
                echo "$pkg"
                return 0
            fi
        done
    done
    return 1
}

missing=()
checked=0
require() { # what file
    local pkg
    pkg=$(owner "$2") || return 0 # not installed from a package (our own build output)
    checked=$((checked + 1))
    if ! grep -qx "$pkg" <<<"$closure"; then
        missing+=("$pkg (for $1: $2)")
    fi
}

# CMake package configurations: <Name>_DIR entries.
while IFS= read -r dir; do
    config=$(ls "$dir"/*[Cc]onfig.cmake "$dir"/*-config.cmake 2>/dev/null | head -1 || true)
    [[ -n $config ]] && require "CMake package" "$config"
done < <(grep -E '^[A-Za-z0-9_]+_DIR:PATH=/' "$cache" | cut -d= -f2- | sort -u)

# Libraries on our targets' link lines.
while IFS= read -r file; do
    [[ -e $file ]] && require "linked library" "$file"
done < <(grep -o 'LINK_LIBRARIES = .*' "$build/build.ninja" | tr ' ' '\n' | grep '^/usr/' | sort -u)

# pkg-config modules of pkg_check_modules(... REQUIRED ...).
while IFS= read -r module; do
    pc=$(pkg-config --path "$module" 2>/dev/null || true)
    if [[ -z $pc ]]; then
        missing+=("(pkg-config module $module not found)")
    else
        require "pkg-config module $module" "$pc"
    fi
done < <(sed -n 's/^__pkg_config_arguments_[A-Za-z0-9_]*:INTERNAL=\(.*;\)\?REQUIRED;//p' "$cache" \
    | tr ';' '\n' | grep -vE '^(QUIET|IMPORTED_TARGET|GLOBAL|NO_CMAKE_PATH|NO_CMAKE_ENVIRONMENT_PATH)$' \
    | sed 's/[<>=].*//' | sort -u)

# Files the programs and tests read at run time.
data_files=(/usr/share/qt6/translations/qtbase_de.qm
    /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so
    /usr/share/X11/xkb/rules/evdev
    /usr/lib/x86_64-linux-gnu/qt6/plugins/sqldrivers/libqsqlpsql.so)
# The wlroots protocol descriptions the build generates its Wayland code from.
wlr_protocols=$(sed -n 's/^NIMBRAL_WLR_PROTOCOL_DIR:PATH=//p' "$cache")
[[ -n $wlr_protocols ]] && data_files+=("$wlr_protocols/wlr-screencopy-unstable-v1.xml")
for file in "${data_files[@]}"; do
    if [[ -e $file ]]; then
        require "data file" "$file"
    else
        missing+=("(data file $file not installed)")
    fi
done

for program in "${programs[@]}"; do
    path=$(command -v "$program" || true)
    if [[ -z $path ]]; then
        missing+=("(program $program not installed)")
    else
        require "program $program" "$path"
    fi
done

if ((${#missing[@]} > 0)); then
    echo "check-packages: scripts/setup.sh does not install:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
fi
echo "check-packages: ${checked} files and programs, each from a package setup.sh installs"
