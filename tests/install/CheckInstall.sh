#!/bin/sh
# Installs a build into a temporary DESTDIR and checks what a user's system would get.
#   CheckInstall.sh BUILD_DIR
set -eu
build="$1"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
failed=0
for file in bin/korvalen bin/korvalen-cli bin/korvalen-demo \
    share/applications/org.example.korvalen.desktop \
    share/icons/hicolor/scalable/apps/korvalen.svg \
    share/metainfo/org.example.korvalen.metainfo.xml \
    share/doc/korvalen/manual/index.html share/doc/korvalen/manual/images/result-page.png \
    share/doc/korvalen/demo/a1.jpg; do
    if [ ! -s "$root/$file" ]; then
        echo "missing: $file"
        failed=1
    fi
done
for program in korvalen korvalen-cli korvalen-demo; do
    [ -x "$root/bin/$program" ] || { echo "not executable: bin/$program"; failed=1; }
done
"$root/bin/korvalen-cli" --help >/dev/null || { echo "korvalen-cli --help failed"; failed=1; }

# Every picture the manual shows is installed with it.
for image in $(grep -o 'src="[^"]*"' "$root/share/doc/korvalen/manual/index.html" |
               sed 's/src="//; s/"$//'); do
    [ -s "$root/share/doc/korvalen/manual/$image" ] || { echo "manual lacks $image"; failed=1; }
done

if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/share/applications/org.example.korvalen.desktop" || failed=1
else
    echo "desktop-file-validate is not installed; desktop file not validated"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$root/share/metainfo/org.example.korvalen.metainfo.xml" ||
        failed=1
else
    echo "appstreamcli is not installed; metainfo not validated"
fi
# The man page, compressed where gzip was there at build time.
man="$root/share/man/man1/korvalen-cli.1"
if [ -s "$man.gz" ]; then
    gzip -t "$man.gz" || { echo "man page: broken gzip file"; failed=1; }
elif [ ! -s "$man" ]; then
    echo "missing: share/man/man1/korvalen-cli.1(.gz)"
    failed=1
fi
if command -v groff >/dev/null 2>&1 && [ -s "$man.gz" ]; then
    warnings=$(gzip -dc "$man.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || { echo "man page: $warnings"; failed=1; }
fi
# The icon named by the desktop file is the one installed.
grep -q '^Icon=korvalen$' "$root/share/applications/org.example.korvalen.desktop" || failed=1
exit $failed
