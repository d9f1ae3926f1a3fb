#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the desktop entry, the
# icon and the ".odh" document type. Usage: desktop_install_test.sh BUILD PREFIX
set -euo pipefail
build=$1
prefix=$2

if ! command -v desktop-file-validate >/dev/null 2>&1; then
  echo "desktop-file-validate not found (package desktop-file-utils): skipped"
  exit 77
fi

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
check() { # description, command...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

entry=$prefix/share/applications/ondrafel.desktop
check "programs installed" test -x "$prefix/bin/ondrafel" -a -x "$prefix/bin/ondrafel-cli"
check "desktop entry installed" test -f "$entry"
check "desktop entry valid" desktop-file-validate "$entry"
check "entry opens .odh documents" grep -qx 'MimeType=application/x-ondrafel-document;' "$entry"
check "entry runs the program with the file" grep -qx 'Exec=ondrafel %f' "$entry"
check "icon installed" test -s "$prefix/share/icons/hicolor/scalable/apps/ondrafel.svg"
check "MIME type installed" test -f "$prefix/share/mime/packages/ondrafel.xml"
check "MIME type names .odh" grep -q '<glob pattern="\*.odh"/>' "$prefix/share/mime/packages/ondrafel.xml"
if command -v update-mime-database >/dev/null 2>&1; then
  # The database accepts the type and describes it as an Ondrafel document.
  if ! out=$(update-mime-database "$prefix/share/mime" 2>&1); then
    echo "$out"
    fail=1
  fi
  check "MIME database holds the type" \
    grep -q 'Ondrafel document' "$prefix/share/mime/application/x-ondrafel-document.xml"
  check "MIME database maps .odh" grep -q 'application/x-ondrafel-document:\*\.odh' "$prefix/share/mime/globs"
fi
rm -rf "$prefix"
exit $fail
