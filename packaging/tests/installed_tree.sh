# shellcheck shell=bash
# Checks shared by the install and package tests, on an installed tree (a
# prefix, or usr/ of an unpacked package). Sourced; PACKAGING_FILES names the
# list of files every install holds.

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The tree holds exactly the listed files: none missing, none extra.
check_file_set() {
    local root=$1
    diff -u <(grep -v -e '^#' -e '^$' "$PACKAGING_FILES" | LC_ALL=C sort) \
        <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) ||
        fail "$root does not hold the listed files (- missing, + not listed)"
}

# Every hicolor icon has the size of its folder, and the desktop entry's Icon,
# Exec and TryExec name what is installed.
check_desktop_files() {
    local root=$1 icon size entry name
    for icon in "$root"/share/icons/hicolor/*/apps/*.png; do
        size=$(basename "$(dirname "$(dirname "$icon")")")
        [[ $(identify -format '%wx%h' "$icon") == "$size" ]] || fail "$icon is not $size"
    done
    entry=$(echo "$root"/share/applications/*.desktop)
    name=$(sed -n 's/^Icon=//p' "$entry")
    [[ -f $root/share/icons/hicolor/48x48/apps/$name.png ]] || fail "no icon named $name"
    for key in Exec TryExec; do
        name=$(sed -n "s/^$key=\([^ ]*\).*/\1/p" "$entry")
        [[ -x $root/bin/$name ]] || fail "$key names $name, which is not installed"
    done
}

# The installed converter encodes AAC, which needs its engine module: found
# from the converter's own place, not from the build tree or PATH.
check_converts() {
    local root=$1 scratch=$2 said
    sox -q -n -r 44100 -c 2 "$scratch/tone.wav" synth 0.3 sine 440
    said=$(env -i PATH=/usr/bin:/bin "$root/bin/afconvert" -f caff -d aac -b 128000 \
        "$scratch/tone.wav" "$scratch/tone.caf" 2>&1) || fail "the converter failed: $said"
    [[ $said == *done* ]] || fail "the converter did not say done: $said"
    [[ $(head -c 4 "$scratch/tone.caf") == caff ]] || fail "the output is no CAF file"
}
