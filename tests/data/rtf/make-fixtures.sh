#!/bin/sh
# Regenerates the RTF and plain-text fixtures in this folder with LibreOffice
# and AbiWord (Debian: apt-get install libreoffice-writer-nogui abiword). The
# results are committed; tests and CI never run either program.
#
#   *.fodt   flat OpenDocument sources, written by hand (LibreOffice)
#   *.text   a UTF-8 plain-text source (LibreOffice)
#   *.html   HTML sources, written by hand (AbiWord)
#   *-source.rtf  RTF written by hand as Word writes it, for AbiWord to
#            read and write again (AbiWord)
#   *.rtf    LibreOffice's RTF of each source
#   *.txt    LibreOffice's own plain text of the same source (UTF-8)
#
# The tests read each .rtf and compare its characters with the .txt.
set -eu
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
office() {
  soffice "-env:UserInstallation=file://$profile" --headless "$@" >/dev/null 2>&1
}

for source in *.fodt; do
  office --convert-to rtf "$source"
  office --convert-to "txt:Text (encoded):UTF8" "$source"
done
for source in *.text; do
  office --infilter="Text (encoded):UTF8" --convert-to rtf "$source"
  office --infilter="Text (encoded):UTF8" --convert-to "txt:Text (encoded):UTF8" "$source"
done
for source in *.html; do
  abiword --to=rtf "$source"
  abiword --to=txt "$source"
done
for source in *-source.rtf; do
  abiword --to=rtf -o "${source%-source.rtf}.rtf" "$source"
  abiword --to=txt -o "${source%-source.rtf}.txt" "$source"
done
soffice --version
abiword --version
