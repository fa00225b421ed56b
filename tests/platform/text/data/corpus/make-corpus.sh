#!/bin/sh
# Remakes the import corpus from sources/: documents written by the office suite and by the
# document converter, each with the text its writer's own reader finds in it beside it
# (<file>.txt, UTF-8). Run by hand when the sources change; the tests only read the results.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
office() {
    soffice -env:UserInstallation=file://"$work"/profile --headless "$@" >/dev/null 2>&1
}
# The office suite's reading of $1 as plain text, into $1.txt.
office_text() {
    mkdir -p "$work/text"
    office --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/text" "$1"
    mv "$work/text/$(basename "${1%.*}").txt" "$1.txt"
}

rm -f office-* converter-* rtf-*
for format in docx odt rtf; do
    office --convert-to "$format" --outdir "$work" sources/warblers.fodt
    mv "$work/warblers.$format" "office-warblers.$format"
    office_text "office-warblers.$format"
done

(cd sources && for format in docx odt rtf; do
    pandoc -s lichens.md -o "../converter-lichens.$format"
done)
# A picture shows as its description in brackets, which is no text of the document.
for format in docx odt; do
    pandoc -t plain --wrap=none "converter-lichens.$format" \
        | grep -v '^\[[^]]*\]$' >"converter-lichens.$format.txt"
done
# The converter reads no RTF; the office suite does.
office_text converter-lichens.rtf

for source in sources/*.rtf; do
    cp "$source" "rtf-$(basename "$source")"
    office_text "rtf-$(basename "$source")"
done
