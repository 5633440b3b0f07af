#!/usr/bin/env bash
# The desktop entry and the AppStream metadata pass their validators (the
# metadata naming the program's licence), the entry's MIME types are all known
# (to the shared MIME database or to Sondrel's own definition), and that
# definition builds a MIME database.
#   metadata_test.sh DESKTOP_ENTRY METAINFO MIME_PACKAGE SCRATCH
set -euo pipefail
entry=$1 metainfo=$2 mime=$3 scratch=$4

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

said=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $said"
[[ -z $said ]] || fail "desktop-file-validate: $said"

# The component id is a reverse domain name under the reserved .example
# domain, which the validator notes as an unknown top-level domain; anything
# else it says fails the test.
said=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $said"
if grep -E '^[EWI]:' <<<"$said" | grep -v ': cid-maybe-not-rdns '; then
    fail "appstreamcli: $said"
fi
id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo")
grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $(basename "$entry")"
[[ $(basename "$entry") == "$id.desktop" ]] || fail "the desktop entry is not named $id.desktop"
# The program is MIT-licensed; the metadata itself is free to reuse.
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the project licence is not MIT"
grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo" ||
    fail "the metadata licence is not CC0-1.0"

known=$(cat /usr/share/mime/packages/freedesktop.org.xml "$mime" |
    sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p')
IFS=';' read -ra types <<<"$(sed -n 's/^MimeType=//p' "$entry")"
((${#types[@]} > 0)) || fail "the desktop entry has no MimeType"
for type in "${types[@]}"; do
    grep -qxF "$type" <<<"$known" || fail "$type is no known MIME type (an alias or a typo?)"
done

rm -rf "$scratch"
mkdir -p "$scratch/mime/packages"
cp "$mime" "$scratch/mime/packages/"
# (Named in XDG_DATA_DIRS, the scratch folder draws no note that it is not.)
said=$(XDG_DATA_DIRS=$scratch update-mime-database "$scratch/mime" 2>&1 >/dev/null) || fail "update-mime-database: $said"
[[ -z $said ]] || fail "update-mime-database: $said"
grep -qx '50:audio/x-caf:\*\.caf' "$scratch/mime/globs2" || fail "*.caf is not audio/x-caf"
grep -q 'audio/x-caf' "$scratch/mime/magic" || fail "no magic for audio/x-caf"
rm -rf "$scratch"
