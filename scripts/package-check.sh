#!/usr/bin/env bash
# Builds the Debian package and checks it as an administrator would meet it: its dependencies,
# the files unpacked into a throwaway root (dpkg -x), the desktop entry, the metainfo, the
# manuals, the completion, and the installed qtx-manager started from an unrelated folder under
# a virtual display, once with its texts (it must show them in Polish) and once with lang.txt
# taken away (it must say so in a message instead).
set -euo pipefail
cd "$(dirname "$0")/.."

fail()
{
    echo "package-check: $*" >&2
    exit 1
}

# One start of the installed program: ROOT, then "texts" or "missing", then a scratch folder.
# Runs under xvfb-run (see the end of this script).
check_window()
{
    local root=$1 expect=$2 scratch=$3
    mkdir -p "$scratch/elsewhere" "$scratch/home"
    cd "$scratch/elsewhere"
    HOME="$scratch/home" QTX_INSTANCE_NAME="qtx-package-check-$$" "$root/usr/bin/qtx-manager" \
        >"$scratch/out.txt" 2>&1 &
    local pid=$!
    # Without lang.txt the message comes before the main window; with it, the main window alone.
    local pattern='^QTX MANAGER v\.'
    [ "$expect" = missing ] && pattern='^QTX$'
    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$window" ] || { cat "$scratch/out.txt" >&2; fail "$expect: no window named $pattern appeared"; }
    sleep 1.5
    local box X Y WIDTH HEIGHT
    box=$(xdotool search --onlyvisible --name '^QTX$' 2>/dev/null | head -n1 || true)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root "$scratch/screen.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true

    if [ "$expect" = missing ]; then
        echo "package-check: without lang.txt the program says so"
        return
    fi
    [ -z "$box" ] || fail "a message box came up at start (lang.txt not found?)"
    # The menu as an operator reads it: the screen, enlarged, read back as Polish text.
    convert "$scratch/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" -resize 300% -colorspace Gray "$scratch/menu.png"
    tesseract "$scratch/menu.png" "$scratch/menu" -l pol >/dev/null 2>&1
    local found=0
    for word in Archiwum Opcje Wybierz Menedżer; do
        grep -qi "$word" "$scratch/menu.txt" && found=$((found + 1))
    done
    [ "$found" -ge 3 ] || { cat "$scratch/menu.txt" >&2; fail "the main window does not show its Polish texts"; }
    echo "package-check: the installed program shows its Polish texts ($found of 4 menu words read back)"
}

if [ "${1:-}" = --window ]; then
    shift
    check_window "$@"
    exit 0
fi

bash scripts/install-deps.sh
deb=$(bash scripts/package.sh)
version=$(sed -n 's/^project(qtx_manager VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -f "$deb" ] || fail "no package $deb"
echo "package-check: built $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6serialport6 libjpeg62-turbo fonts-liberation qt6-qpa-plugins libqt6svg6 \
    qt6-translations-l10n; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
changelog_version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
[ "$changelog_version" = "$version" ] || fail "packaging/changelog is at $changelog_version, the program at $version"
# Every tag lintian reports, down to the pedantic ones, is either mended or overridden with its
# reason in packaging/lintian-overrides.
if ! tags=$(lintian --pedantic --display-info --tag-display-limit 0 --fail-on error,warning,info,pedantic "$deb" \
    2>/dev/null) || [ -n "$tags" ]; then
    fail "lintian reports:"$'\n'"$tags"
fi
echo "package-check: lintian --pedantic reports nothing"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/qtx-manager usr/bin/qtxctl usr/bin/qtx-recorder-sim usr/share/qtx-manager/lang.txt \
    usr/share/qtx-manager/demo-card/USERS.txt usr/share/applications/qtx-manager.desktop \
    usr/share/icons/hicolor/scalable/apps/qtx-manager.svg usr/share/bash-completion/completions/qtxctl \
    usr/share/man/man1/qtx-manager.1.gz usr/share/man/man1/qtxctl.1.gz usr/share/man/man1/qtx-recorder-sim.1.gz \
    usr/share/doc/qtx-manager/examples/systemd/qtx-sync.timer usr/share/doc/qtx-manager/examples/crontab.example; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
if find "$root" -mindepth 1 -maxdepth 1 ! -name usr | grep -q .; then
    fail "the package installs outside /usr"
fi

for tool in qtxctl qtx-recorder-sim; do
    [ "$("$root/usr/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version is not $version"
done

desktop-file-validate "$root/usr/share/applications/qtx-manager.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
bash -n "$root/usr/share/bash-completion/completions/qtxctl"
echo "package-check: desktop entry, metainfo, manuals and completion are valid"

xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" --window "$root" texts "$scratch/texts"
rm "$root/usr/share/qtx-manager/lang.txt"
xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" --window "$root" missing "$scratch/missing"
echo "package-check: all checks passed"
