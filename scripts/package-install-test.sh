#!/usr/bin/env bash
# Installs, runs and removes the Debian packages the way a user would, on a machine of its own:
#
#   ../shared/tools/fresh-machine -- scripts/package-install-test.sh
#
# Builds the packages (scripts/package.sh), `apt install`s both, starts NimbralServer with the
# command line of its installed unit and asks it for /health, starts the installed client
# against it on a virtual display, writes the client's autostart entry with --install, then
# removes and purges both packages and checks that none of their files is left. It changes the
# machine's packages: run it in a throw-away root, not on a workstation.
set -euo pipefail

cd "$(dirname "$0")/.."
build=build-package
scripts/setup.sh --deps
cmake -S . -B "$build" -G Ninja -DNIMBRAL_BUILD_TESTS=OFF -DNIMBRAL_BUILD_BENCH=OFF >/dev/null
scripts/package.sh "$build"

failures=0
check() { # description command...
    local what=$1
    shift
    if "$@"; then
        echo "  ok   $what"
    else
        echo "  FAIL $what"
        failures=$((failures + 1))
    fi
}

echo "== apt install"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q "./$build"/packages/nimbral_*.deb "./$build"/packages/nimbral-server_*.deb
check "both installed" dpkg-query -W nimbral nimbral-server
check "the server's system user exists" getent passwd nimbral-server
check "programs find every library" bash -c \
    "! ldd /usr/bin/NimbralClient /usr/bin/NimbralService /usr/bin/NimbralServer | grep -q 'not found'"
dpkg -L nimbral nimbral-server | sort -u >/tmp/nimbral-package-files

echo "== the server, started as its unit starts it"
unit=/lib/systemd/system/nimbral-server.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
user=$(sed -n 's/^User=//p' "$unit")
# As systemd would: the environment file, the state directory owned by the unit's user.
install -d -o "$user" -g "$user" -m 0750 /var/lib/nimbral-server
(
    set -a
    # shellcheck disable=SC1091
    . /etc/nimbral/server.conf
    set +a
    eval "set -- $exec_start"
    exec runuser -u "$user" -- "$@"
) >/tmp/nimbral-server.log 2>&1 &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true' EXIT
health=""
for _ in $(seq 50); do
    health=$(curl -fsS http://127.0.0.1:8080/health 2>/dev/null) && break
    sleep 0.2
done
echo "  /health: $health"
check "/health answers" grep -q '"status":"ok"' <<<"$health"
check "the registry is in /var/lib/nimbral-server, the user's" bash -c \
    "test \"\$(stat -c %U /var/lib/nimbral-server/registry.sqlite)\" = '$user'"

echo "== the installed client"
home=$(mktemp -d)
HOME=$home XDG_CONFIG_HOME=$home/.config /usr/bin/NimbralClient --install || true
cat "$home/.config/autostart/NimbralClient.desktop" 2>/dev/null || echo "  (no autostart entry)"
check "NimbralClient --install writes the autostart entry" \
    grep -q '^Exec=.*/usr/bin/NimbralClient' "$home/.config/autostart/NimbralClient.desktop"
# In German, so the installed catalogues are looked for.
LANG=de_DE.UTF-8 HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    timeout 30 xvfb-run -a /usr/bin/NimbralClient --log-level info --server http://127.0.0.1:8080 \
    --profile "$home/profile" --stun-server 127.0.0.1:9 --ip-echo-url http://127.0.0.1:9/ &
client_pid=$!
for _ in $(seq 100); do
    grep -q "Signaling auth confirmed" "$home/profile/NimbralClient.log" 2>/dev/null && break
    sleep 0.2
done
check "the installed client registers and goes online" \
    grep -q "Signaling auth confirmed" "$home/profile/NimbralClient.log"
check "it found its installed translations" \
    grep -q 'Loaded translation: de' "$home/profile/NimbralClient.log"
kill "$client_pid" 2>/dev/null || true
wait "$client_pid" 2>/dev/null || true
kill "$server_pid" 2>/dev/null || true
wait "$server_pid" 2>/dev/null || true

echo "== remove, then purge"
apt-get remove -y -q nimbral nimbral-server
# Files and links of theirs; not folders (nor /lib, a link to a folder on a merged /usr).
left=$(while read -r path; do
    if [[ -f $path || (-L $path && ! -d $path) ]]; then echo "$path"; fi
done </tmp/nimbral-package-files)
echo "  left after remove: $left"
check "remove leaves only the server's configuration" test "$left" = /etc/nimbral/server.conf
check "remove keeps the server's data" test -f /var/lib/nimbral-server/registry.sqlite
apt-get purge -y -q nimbral nimbral-server
left=$(while read -r path; do
    if [[ -e $path || -L $path ]] && [[ ! -d $path ]]; then echo "$path"; fi
done </tmp/nimbral-package-files)
echo "  left after purge: $left"
check "purge leaves none of their files" test -z "$left"
check "purge removes the server's data and configuration" bash -c \
    "! test -e /var/lib/nimbral-server && ! test -e /etc/nimbral"
check "the packages are gone" bash -c "! dpkg-query -W -f='\${Status}\n' nimbral nimbral-server 2>/dev/null | grep -q installed"

if ((failures > 0)); then
    echo "== install test: $failures failed"
    exit 1
fi
echo "== install test passed"
