#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR) and checks what an installation
# holds and does: the file list, the licence, the desktop entry, the AppStream data,
# the manual pages, the command lines of both programs, and the console program
# started from elsewhere and from a home folder that holds an unrelated Base.
# Usage: staged_install_test.sh BUILD_DIR SOURCE_DIR APP_ID VERSION PREFIX BINDIR
set -euo pipefail
build=$1 source=$2 id=$3 version=$4 prefix=$5 bindir=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

stage=$work/stage
DESTDIR=$stage cmake --install "$build" >/dev/null
root=$stage$prefix
share=$root/share
bin=$root/$bindir

# Exactly these files: no tests, benchmarks, fuzz targets or developer notes.
expected=$({
  printf '%s\n' "$bindir/cpu-chat" "$bindir/cpu-chat-cli" share/man/man6/cpu-chat.6 share/man/man6/cpu-chat-cli.6 \
    share/doc/cpu-chat/LICENSE "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" "share/icons/hicolor/"{48x48,128x128,256x256}"/apps/$id.png"
  (cd "$source/data" && find . -type f ! -name README.md | sed 's|^\./|share/cpu-chat/|')
} | sort)
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
diff <(echo "$expected") <(echo "$actual") || fail "the installed files (+) differ from the expected ones (-)"

# One licence for every file: the installation, the AppStream data and the Debian
# copyright file all carry the MIT licence of LICENSE.
cmp -s "$source/LICENSE" "$share/doc/cpu-chat/LICENSE" || fail "the installed LICENSE differs from the source's"
grep -q '^MIT License$' "$share/doc/cpu-chat/LICENSE" || fail "LICENSE is not the MIT licence"
for tag in project_license metadata_license; do
  grep -q "<$tag>MIT</$tag>" "$share/metainfo/$id.metainfo.xml" || fail "the AppStream data lack <$tag>MIT"
done
diff <(sed -n '/^Permission/,$p' "$source/LICENSE") \
  <(sed -n '/^ Permission/,/^[^ ]/p' "$source/debian/copyright" | sed -e 's/^ //' -e 's/^\.$//') >/dev/null ||
  fail "debian/copyright does not carry the text of LICENSE"

report=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) && [ -z "$report" ] ||
  fail "desktop entry: $report"
exec_line=$(grep '^Exec=' "$share/applications/$id.desktop")
[ "$exec_line" = "Exec=$prefix/$bindir/cpu-chat" ] || fail "the desktop entry starts '$exec_line'"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >"$work/report" 2>&1 ||
  fail "AppStream data: $(cat "$work/report")"
for page in cpu-chat cpu-chat-cli; do
  report=$(groff -k -ww -man -Tutf8 -z "$share/man/man6/$page.6" 2>&1)
  [ -z "$report" ] || fail "manual page $page: $report"
done

# Help and version need no display; an unknown option ends with status 2, a folder
# given with --dir that does not exist with status 1 before anything starts.
for program in cpu-chat cpu-chat-cli; do
  for row in "--help 0 Usage:" "-h 0 Usage:" "--version 0 $program (Cpu chat) $version" "-v 0 $program (Cpu chat) $version" \
    "--bogus 2 bogus"; do
    read -r option want text <<<"$row"
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $([ "$option" = --bogus ] && echo QT_QPA_PLATFORM=offscreen) \
      "$bin/$program" "$option" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = "$want" ] || fail "$program $option: status $status, not $want: $(cat "$work/err")"
    if [ "${text%% *}" = "$program" ]; then # the version line, whole
      [ "$(cat "$work/out")" = "$text" ] || fail "$program $option: '$(cat "$work/out")', not '$text'"
      continue
    fi
    where=$work/out
    [ "$want" = 0 ] || where=$work/err
    grep -q -- "$text" "$where" || fail "$program $option: '$text' is not in $(cat "$where")"
  done
done
status=0
echo привет | "$bin/cpu-chat-cli" --dir "$work/nowhere" >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 1 ] && [ ! -s "$work/out" ] || fail "--dir to a missing folder: status $status, $(cat "$work/out")"
grep -qF "$work/nowhere: no such folder" "$work/err" || fail "--dir to a missing folder: $(cat "$work/err")"
[ ! -e "$work/nowhere" ] || fail "--dir created the missing folder"

# The window shows its messages in a box that waits for the user; it writes the same
# on standard error first, which the test waits for before it ends the window.
window_says() { # TEXT ARGUMENT...
  local text=$1 pid tries=600
  shift
  QT_QPA_PLATFORM=offscreen "$bin/cpu-chat" "$@" >/dev/null 2>"$work/window" &
  pid=$!
  while ! grep -qF -- "$text" "$work/window" && kill -0 "$pid" 2>/dev/null && [ $((tries -= 1)) -gt 0 ]; do
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  grep -qF -- "$text" "$work/window" || fail "cpu-chat $*: '$text' is not in $(cat "$work/window")"
}
window_says "$work/nowhere: no such folder" --dir "$work/nowhere"
# An old installation, here only a knowledge base: the message names the folder.
mkdir -p "$work/old/Base"
cp "$source/data/Base/Words.Dat" "$work/old/Base/"
window_says "the working folder $work/old lacks About.bmp, Base\\AI.dat" --dir "$work/old"

# The console program from another directory and a fresh home folder: it fills the
# per-user folder, answers, learns, and keeps what it learned at the next start.
mkdir "$work/elsewhere"
cli() { (cd "${from:-$work/elsewhere}" && env -u XDG_DATA_HOME HOME="$1" "$bin/cpu-chat-cli" "${@:2}"); }
known() { cli "$@" --stats | head -1; }
folder=$work/home/.local/share/cpu-chat
mkdir "$work/home"
printf 'привет\nсиний трактор едет\n' | cli "$work/home" --seed 1 >"$work/out"
grep -q '^CPU:     ' "$work/out" || fail "no answer: $(cat "$work/out")"
(cd "$source/data" && find . -type f ! -name README.md) | while read -r f; do
  [ -f "$folder/$f" ] || fail "$f was not copied into the per-user folder"
done
learned=$(known "$work/home")
[ "$learned" != "$(known "$work/home" --dir "$share/cpu-chat")" ] || fail "the unknown phrase was not learned: $learned"
printf 'привет\n' | cli "$work/home" --seed 1 >"$work/out"
grep -q '^CPU:     ' "$work/out" || fail "no answer at the second start"
[ "$(known "$work/home")" = "$learned" ] || fail "the second start lost what was learned"

# A file already in the per-user folder is never overwritten.
mkdir -p "$work/other/.local/share/cpu-chat/Base"
echo mine >"$work/other/.local/share/cpu-chat/Base/Pause.Dat"
printf 'привет\n' | cli "$work/other" >/dev/null
[ "$(cat "$work/other/.local/share/cpu-chat/Base/Pause.Dat")" = mine ] || fail "an existing file was overwritten"
[ -f "$work/other/.local/share/cpu-chat/Base/Words.Dat" ] || fail "the missing files were not copied"

# A menu starts programs in the home folder. An unrelated ~/base there (any case)
# is no working folder: the program talks from the per-user folder and leaves it be.
mkdir -p "$work/user/base/Words"
echo "my notes" >"$work/user/base/Log.Lormak"
before=$(cd "$work/user/base" && ls -lR --time-style=full-iso && cat Log.Lormak)
printf 'привет\n' | from=$work/user cli "$work/user" --seed 1 >"$work/out" 2>"$work/err"
grep -q '^CPU:     ' "$work/out" && [ ! -s "$work/err" ] ||
  fail "no answer from a home folder with ~/base: $(cat "$work/out" "$work/err")"
[ -f "$work/user/.local/share/cpu-chat/Base/Words.Dat" ] || fail "the per-user folder was not used"
[ "$(cd "$work/user/base" && ls -lR --time-style=full-iso && cat Log.Lormak)" = "$before" ] || fail "~/base was changed"
echo "The staged installation holds the expected files and works."
