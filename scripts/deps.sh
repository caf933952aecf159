# Sourced by the run and test scripts: installs the Debian packages the
# project needs when they are missing.
voran_packages="cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6sql6-sqlite libgtest-dev
    fonts-liberation poppler-utils xvfb xauth x11-apps imagemagick dpkg-dev desktop-file-utils lintian
    ser2net"
missing=""
for p in $voran_packages; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing" >&2
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq $missing >/dev/null
fi
