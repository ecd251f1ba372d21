#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop sees there: the
# launcher entry and AppStream data validate, the icon exists at the sizes its folders
# name, the manual pages render without warnings and name every option the converter
# has, and the bash completion loads and completes option values.
# Usage: check-install.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2
app=org.vantrel.Tessaly

# A missing tool skips the test on a developer's machine (exit 77) but fails it in CI,
# where script/bootstrap has installed them all.
for tool in desktop-file-validate appstreamcli groff man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (script/bootstrap installs it)"
    [ -n "${CI:-}" ] && exit 1
    exit 77
  fi
done
completion_lib=/usr/share/bash-completion/bash_completion
if [ ! -f "$completion_lib" ]; then
  echo "SKIP: bash-completion is missing (script/bootstrap installs it)"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

for program in tessaly tessaly-convert; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done

desktop="$prefix/share/applications/$app.desktop"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=tessaly %F' "$desktop" || fail "desktop entry does not start tessaly with files"
appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null ||
  fail "metainfo does not validate"
# The screenshots it shows are the project's own, published from docs/screenshots.
shots=$(cd "$(dirname "$0")/../../docs/screenshots" && pwd)
images=$(sed -n 's:.*<image>\(.*\)</image>.*:\1:p' "$prefix/share/metainfo/$app.metainfo.xml")
[ -n "$images" ] || fail "metainfo shows no screenshots"
for url in $images; do
  [ -f "$shots/$(basename "$url")" ] || fail "metainfo shows $url, not in docs/screenshots"
done

# Every PNG's width and height (IHDR, bytes 16 to 23) match its NxN folder.
pngs=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/$app.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "${w}x${h}" = "$size" ] || fail "$png is ${w}x${h}"
  pngs=$((pngs + 1))
done
[ "$pngs" -ge 6 ] || fail "only $pngs icon sizes installed"

man_dir="$prefix/share/man/man1"
for page in tessaly tessaly-convert; do
  file="$man_dir/$page.1"
  [ -f "$file" ] || { fail "no manual page $page.1"; continue; }
  warnings=$(groff -ww -z -man -Tutf8 "$file" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q '^NAME' || fail "$page.1 does not render"
done

# The page and the completion must keep up with the options the converter has.
help=$("$prefix/bin/tessaly-convert" --help)
options=$(grep -o -- '--[a-z-]*' <<<"$help" | sort -u)
page_text=$(MANWIDTH=200 man -l "$man_dir/tessaly-convert.1" 2>/dev/null)
completion="$prefix/share/bash-completion/completions/tessaly-convert"
for option in $options; do
  grep -q -- "$option" <<<"$page_text" || fail "tessaly-convert.1 does not describe $option"
  grep -q -- "$option" "$completion" || fail "completion does not offer $option"
done

complete_words() {
  # Loads the completion as bash-completion does and prints what it offers for $@.
  bash --norc --noprofile -c '
    source "$1" && source "$2" || exit 1
    shift 2
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    fn=$(complete -p tessaly-convert | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
    "$fn"; echo "${COMPREPLY[*]}"' _ "$completion_lib" "$completion" "$@"
}
got=$(complete_words tessaly-convert --format "")
[ "$got" = "ico mico bmp" ] || fail "--format completes to '$got'"
got=$(complete_words tessaly-convert --colors "")
[ "$got" = "16 256 true" ] || fail "--colors completes to '$got'"
got=$(complete_words tessaly-convert --no)
[ "$got" = "--no-replace" ] || fail "--no completes to '$got'"

[ "$failed" -eq 0 ] && echo "installed files check out ($pngs icon sizes)"
exit "$failed"
