#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need, and on request the extra
# groups that only fuzzing or benchmarking need, so that the ordinary setup does not pay for them:
#     scripts/setup.sh [fuzz] [bench]
# `scripts/setup.sh --check GROUP...` installs nothing and says through its exit status whether every
# package of those groups is there. Safe to run again: it only asks apt when something is missing.
set -euo pipefail

base=(
    # build
    g++ cmake ninja-build ccache pkg-config
    # libraries
    qt6-base-dev libjpeg62-turbo-dev zlib1g-dev libdeflate-dev libfreetype-dev libfontconfig-dev unixodbc-dev
    # the help engine, loaded at run time, and the compiler of the program's help file
    libchm-dev fp-utils-3.2.2
    # scanning, loaded at run time, with SANE's test backend and scanimage, which judges our scans
    libsane-dev sane-utils
    # the ODBC driver manager and the drivers of the embedded default (SQLite) and of PostgreSQL
    unixodbc odbcinst libsqliteodbc odbc-postgresql
    # fonts metric-compatible with the ones planograms name
    fonts-liberation2
    # fonts the PDF writer's tests measure and embed: DejaVu Sans with its oblique faces, and the
    # symbolic Wingdings
    fonts-dejavu-core fonts-dejavu-extra fonts-wine
    # the free base-35 fonts that PDF readers stand in for the standard fonts, which the tests render with
    fonts-urw-base35
    # tests
    libgtest-dev libgmock-dev googletest locales-all
    # outside tools that judge our output in tests
    netpbm imagemagick libjpeg-turbo-progs qpdf poppler-utils fonttools libtiff-tools libchm-bin
    # enhanced-metafile readers: a record lister and an SVG converter
    printemf emf2svg
    # libtiff itself, whose reader judges the TIFF writer's files
    libtiff-dev
    # another metafile producer, a GDI-like writer the player is tested on
    libemf-dev
    # databases the ODBC tests run against, with their own command-line clients
    postgresql sqlite3 python3
    # picture writers and sample pictures of other libraries, for the picture readers' tests
    python3-pil libsdl2-image-tests gdk-pixbuf-tests
    # the certificates of the tests' own HTTPS servers
    openssl
    # running the program without a display, and the window manager and X tools with which a test reads
    # how its windows stack there and asks them to close as their title bar's close button does
    xvfb xauth openbox xdotool x11-utils wmctrl
    # the spreadsheet automation's bridge to LibreOffice Calc, and a reader of the same workbooks that
    # judges the import in the tests
    python3-uno python3-xlrd
)
# LibreOffice Calc, which the spreadsheet automation drives: the desktop office, since a report leaves
# a visible office for the user. A machine that has the office without its desktop parts keeps that
# one, as the two cannot be installed together; setup never swaps or removes a user's office.
if dpkg-query -W -f='${Status}' libreoffice-core-nogui 2>/dev/null | grep -q 'install ok installed'; then
    base+=(libreoffice-calc-nogui)
else
    base+=(libreoffice-calc)
fi
# libFuzzer comes with clang's runtime package, which clang only recommends; both carry the version,
# and scripts/fuzz.sh names the same compiler.
fuzz=(clang-14 libclang-rt-14-dev)
# Google Benchmark, and what the benchmarks measure against: SQLite, ImageMagick's and netpbm's
# libraries, Qt's Targa reader and cairo's PDF surface; python3 reads their results.
bench=(libbenchmark-dev libsqlite3-dev libmagick++-dev libnetpbm-dev qt6-image-formats-plugins libcairo2-dev python3)

# Prints the packages of the named groups that are not installed.
missing_packages()
{
    local group package
    for group in "$@"; do
        local -n packages="$group"
        for package in "${packages[@]}"; do
            if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
                echo "$package"
            fi
        done
    done
}

check_only=0
if [ "${1:-}" = --check ]; then
    check_only=1
    shift
fi
for group in "$@"; do
    case "$group" in
    fuzz | bench) ;;
    *)
        echo "Unknown package group: $group (known: fuzz, bench)" >&2
        exit 2
        ;;
    esac
done

if [ $check_only = 1 ]; then
    missing=$(missing_packages "$@")
    [ -z "$missing" ]
    exit
fi

mapfile -t missing < <(missing_packages base "$@")
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
