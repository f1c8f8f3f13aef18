# Installs the Debian packages named as arguments that are not installed yet.
# Sourced by the run and test commands.
install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# What building and running the program needs; the client report is set in
# WenQuanYi Micro Hei, whose text a PDF reader extracts exactly as written.
RUN_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libsqlite3-dev sqlite3 libsodium-dev libsodium23
              libfontconfig-dev libpq-dev fonts-noto-cjk qt6-charts-dev libqt6opengl6-dev libxlsxwriter-dev fonts-wqy-microhei mdbtools-dev
              qt6-translations-l10n)
# What making the Debian package needs: dpkg-shlibdeps (dpkg-dev) and file
# for the dependencies; the tests build it too.
DEB_PACKAGES=(dpkg-dev file)
# What the tests need besides: libpng and zlib as oracles for the PNG decoder,
# openpyxl as the reader of the Excel files the program writes; the package
# test unpacks the package and runs what it installs; a PostgreSQL server for
# the team-server runs of the database tests, started as a throw-away cluster
# by pg_virtualenv (postgresql-common); poppler's tools read the client
# reports back; mdbtools' tools read the Jet files the tests write; the
# locales the tests run under (locales: localedef) and appstreamcli, which
# reads the package's listing back.
TEST_PACKAGES=("${RUN_PACKAGES[@]}" "${DEB_PACKAGES[@]}" libpng-dev zlib1g-dev python3-openpyxl postgresql-15 postgresql-common
               poppler-utils mdbtools locales appstream)
# What scripts/package needs besides: the checkers of the package, its menu
# entry and its AppStream metadata.
PACKAGE_PACKAGES=("${RUN_PACKAGES[@]}" "${DEB_PACKAGES[@]}" lintian desktop-file-utils appstream)
# What the benchmarks need besides: the PNG decoder's rivals, and an X server
# with its client library for the start-up figure.
BENCH_PACKAGES=("${TEST_PACKAGES[@]}" libdeflate-dev libspng-dev libxcb1-dev xvfb xauth dbus-daemon)
