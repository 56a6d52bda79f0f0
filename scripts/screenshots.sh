#!/usr/bin/env bash
# Makes the screenshots in docs/screenshots from a demo vault of made-up accounts, on a virtual X
# display. Needs a build (build/ by default) and Debian's xvfb, openbox, xdotool and imagemagick.
# Usage: scripts/screenshots.sh [BUILD_DIR] [LANGUAGE] [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
language=${2:-English}
out=${3:-docs/screenshots}
for tool in Xvfb openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb openbox xdotool imagemagick)"; exit 1; }
done

work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with its files, so its settings stay in the temporary folder.
cp "$build/src/app/vantrel" resources/vantrel.lan resources/winaqua.skn "$work/"
cli="$build/src/cli/vantrel-cli"
vault="$work/demo.qx"
master="demo master password"
printf '%s\n' "$master" | "$cli" create "$vault" --kdf-cheap >/dev/null
add() { printf '%s\n' "$master" | "$cli" add "$vault" "$@" --generate 14 >/dev/null; }
add --category WebSites --description "Online bookshop" --account-name reader42 --field WebsiteUrl=https://books.example.org
add --category WebSites --description "Photo sharing" --account-name sunny.days --field WebsiteUrl=https://photos.example.net
add --category WebSites --description "Travel booking" --account-name j.doe --field WebsiteUrl=https://travel.example.com
add --category WebSites --description "Recipe club" --account-name cook.jane --field WebsiteUrl=https://recipes.example.org
add --category WebSites --description "Weather station forum" --account-name rainfall --field WebsiteUrl=https://weather.example.net
add --category Banks --description "Savings bank" --account-name 100200300 --field BankName="Example Savings Bank"
add --category CreditCards --description "Travel card" --account-name "Jane Doe" --field CardNumber="4000 0000 0000 0002"
add --category MailBoxes --description "Personal mail" --account-name jane@example.org --field WebEmail=https://mail.example.org
add --category Pins --description "Garage door" --account-name garage
add --category Serials --description "Photo editor" --account-name "" --field SoftwareName="Example Photo Editor"
add --category Misc --description "Library card" --account-name 0042-7781
printf '[Preferences]\nLanguageUsed=%s\nLastOpen=%s\nLastType=0\nHiddenChar=#\nLastBackupWarning=%s\n' \
  "$language" "$vault" "$(date +%Y-%m-%dT%H:%M:%S.000)" >"$work/QX.ini"

export DISPLAY=:97 HOME="$work" XDG_CONFIG_HOME="$work/config"
Xvfb "$DISPLAY" -screen 0 1024x700x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
(cd "$work" && ./vantrel >/dev/null 2>&1) &
app=$!

window() { # waits for a window whose title matches, prints its id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  echo "no window '$1'" >&2
  exit 1
}
shot() { sleep 0.8; import -frame -window "$1" "$out/$2.png"; }

mkdir -p "$out"
dialog=$(window "Master password")
shot "$dialog" unlock
xdotool windowactivate --sync "$dialog"
xdotool type --delay 20 "$master"
xdotool key Return
main=$(window "Vantrel [0-9]")
xdotool windowactivate --sync "$main"
shot "$main" main
xdotool key ctrl+e
form=$(window "Web|Sito")
shot "$form" edit
echo "screenshots in $out"
