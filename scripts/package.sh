#!/usr/bin/env bash
# Builds the Debian packages (nimbral, nimbral-server) and the update service's release files
# from the normal build in ./build, then checks them: files, modes and owners, units, maintainer
# scripts, dependencies found by dpkg-shlibdeps, the desktop entry (desktop-file-validate), the
# release zip and manifest, and lintian (any error fails; the rest is summed up).
#
#   scripts/package.sh [BUILD_DIR]      (default: build)
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
scripts/setup.sh --deps >/dev/null
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target release

packages=$build/packages
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
client=$packages/nimbral_${version}_amd64.deb
server=$packages/nimbral-server_${version}_amd64.deb
failures=0
check() { # description command...
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "  ok   $what"
    else
        echo "  FAIL $what"
        failures=$((failures + 1))
    fi
}
# "mode owner/group path" of every entry
listing() { dpkg-deb -c "$1" | awk '{ sub(/^\./, "", $6); print $1, $2, $6 }'; }
has_entry() { # deb mode path
    listing "$1" | grep -qx -- "$2 root/root $3"
}
field() { dpkg-deb -f "$1" "$2"; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$client" "$scratch/client"

echo "== nimbral ($(du -k "$client" | cut -f1) KiB)"
for program in NimbralClient NimbralService; do
    check "/usr/bin/$program, 0755 root" has_entry "$client" -rwxr-xr-x "/usr/bin/$program"
done
check "systemd unit, 0644" has_entry "$client" -rw-r--r-- /lib/systemd/system/nimbral.service
check "desktop entry" has_entry "$client" -rw-r--r-- /usr/share/applications/nimbral.desktop
check "icon in hicolor" has_entry "$client" -rw-r--r-- \
    /usr/share/icons/hicolor/scalable/apps/nimbral.svg
check "12 translations" test "$(listing "$client" | grep -c '/usr/share/nimbral/translations/nimbral_.*\.qm$')" -eq 12
check "manual pages" has_entry "$client" -rw-r--r-- /usr/share/man/man1/NimbralService.1.gz
check "copyright" has_entry "$client" -rw-r--r-- /usr/share/doc/nimbral/copyright
check "nothing outside /usr and /lib" bash -c "! dpkg-deb -c '$client' | awk '{print \$6}' | grep -vE '^\./(usr|lib)?/?'"
check "no autostart entry of its own (the user's choice)" bash -c "! dpkg-deb -c '$client' | grep -q autostart"
check "stripped programs" bash -c "! readelf -S '$scratch/client/usr/bin/NimbralClient' | grep -q '\.symtab'"
depends=$(field "$client" Depends)
check "Depends from dpkg-shlibdeps (Qt, aom, dav1d, nice, systemd)" bash -c \
    "grep -q libqt6widgets6 <<<'$depends' && grep -q libaom3 <<<'$depends' && grep -q libdav1d6 <<<'$depends' && grep -q libnice10 <<<'$depends' && grep -q libsystemd0 <<<'$depends'"
check "Depends on the windowing plugin" grep -q qt6-qpa-plugins <<<"$depends"
check "postinst, prerm, postrm executable" bash -c \
    "dpkg-deb --ctrl-tarfile '$client' | tar -tvf - | grep -E '(postinst|prerm|postrm)$' | grep -c '^-rwxr-xr-x' | grep -qx 3"

echo "== nimbral-server ($(du -k "$server" | cut -f1) KiB)"
check "/usr/bin/NimbralServer, 0755 root" has_entry "$server" -rwxr-xr-x /usr/bin/NimbralServer
check "systemd unit" has_entry "$server" -rw-r--r-- /lib/systemd/system/nimbral-server.service
check "configuration in /etc/nimbral" has_entry "$server" -rw-r--r-- /etc/nimbral/server.conf
check "configuration is a conffile" bash -c \
    "dpkg-deb --ctrl-tarfile '$server' | tar -xO ./conffiles | grep -qx /etc/nimbral/server.conf"
check "unit runs as its own user with its state directory" bash -c \
    "dpkg-deb --fsys-tarfile '$server' | tar -xO ./lib/systemd/system/nimbral-server.service | grep -q '^User=nimbral-server' && dpkg-deb --fsys-tarfile '$server' | tar -xO ./lib/systemd/system/nimbral-server.service | grep -q '^StateDirectory=nimbral-server'"
sdepends=$(field "$server" Depends)
check "Depends: Qt from dpkg-shlibdeps, the SQLite driver, adduser" bash -c \
    "grep -q libqt6httpserver6 <<<'$sdepends' && grep -q libqt6sql6-sqlite <<<'$sdepends' && grep -q adduser <<<'$sdepends'"
check "no client program in the server package" bash -c "! dpkg-deb -c '$server' | grep -q NimbralClient"

echo "== desktop entry"
check "desktop-file-validate" desktop-file-validate "$scratch/client/usr/share/applications/nimbral.desktop"
desktop-file-validate "$scratch/client/usr/share/applications/nimbral.desktop" || true

echo "== release files"
check "NimbralSetup.zip holds NimbralSetup.deb, the client package" bash -c \
    "cd '$scratch' && cmake -E tar xf '$PWD/$packages/NimbralSetup.zip' && cmp NimbralSetup.deb '$PWD/$client'"
zip_sha=$(sha256sum "$packages/NimbralSetup.zip" | cut -d' ' -f1)
check "NimbralSetup.json names the version and the zip's sha256" bash -c \
    "grep -q '\"version\": \"$version\"' '$packages/NimbralSetup.json' && grep -q '\"sha256\": \"$zip_sha\"' '$packages/NimbralSetup.json' && grep -q '/download/NimbralSetup.zip' '$packages/NimbralSetup.json'"

# Signed with a throw-away key here: the signature must verify over the manifest's exact bytes.
openssl genpkey -algorithm ed25519 -out "$scratch/release-key.pem" 2>/dev/null
openssl pkey -in "$scratch/release-key.pem" -pubout -out "$scratch/release-key.pub" 2>/dev/null
cp -r "$packages" "$scratch/signed"
cmake -DPACKAGES="$scratch/signed" -DVERSION="$version" -DWEB_URL=https://example.invalid \
    -DSIGNING_KEY="$scratch/release-key.pem" -P packaging/make-release.cmake >/dev/null
check "NimbralSetup.json.sig verifies over the manifest with the release key" bash -c \
    "base64 -d '$scratch/signed/NimbralSetup.json.sig' >'$scratch/manifest.sig' && openssl pkeyutl -verify -rawin -pubin -inkey '$scratch/release-key.pub' -in '$scratch/signed/NimbralSetup.json' -sigfile '$scratch/manifest.sig'"

echo "== lintian"
lintian_out=$scratch/lintian.txt
lintian --tag-display-limit 0 "$client" "$server" >"$lintian_out" 2>&1 || true
cat "$lintian_out"
errors=$(grep -c '^E: ' "$lintian_out" || true)
warnings=$(grep -c '^W: ' "$lintian_out" || true)
echo "lintian: $errors errors, $warnings warnings"
check "lintian: no errors" test "$errors" -eq 0

if ((failures > 0)); then
    echo "== package check: $failures failed"
    exit 1
fi
echo "== package check passed"
