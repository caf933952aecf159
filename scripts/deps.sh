# Sourced by the run and test scripts: installs the Debian packages the
# project needs when they are missing. postgresql and libqt6sql6-psql are
# for the tests that run the production history on a throwaway PostgreSQL
# server (they are skipped on a machine without them).
voran_packages="cmake ninja-build g++ lld qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6sql6-sqlite libgtest-dev
    fonts-liberation poppler-utils xvfb xauth x11-apps imagemagick dpkg-dev desktop-file-utils lintian
    ser2net postgresql libqt6sql6-psql"
missing=""
for p in $voran_packages; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing" >&2
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    # The packages' own services (the postgresql package's cluster on port
    # 5432, ser2net) are not started by the install: the tests start what they
    # need themselves, and in a container without an init system starting
    # them fails. Debian's invoke-rc.d asks /usr/sbin/policy-rc.d; exit 101
    # means "do not start". A policy already there is left as it is.
    voran_policy=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        voran_policy=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' | $sudo_cmd tee "$voran_policy" >/dev/null
        $sudo_cmd chmod 755 "$voran_policy"
    fi
    voran_status=0
    $sudo_cmd apt-get update -qq || voran_status=$?
    [ "$voran_status" -ne 0 ] ||
        DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq $missing >/dev/null ||
        voran_status=$?
    [ -z "$voran_policy" ] || $sudo_cmd rm -f "$voran_policy"
    if [ "$voran_status" -ne 0 ]; then
        echo "deps.sh: installing$missing failed" >&2
        return "$voran_status" 2>/dev/null || exit "$voran_status"
    fi
fi
