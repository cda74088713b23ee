#!/usr/bin/env bash
# Builds the Debian package from the build folder and fails on any lintian error or warning, and
# on any AppStream or desktop-entry problem. Skipped (77) where the checkers are not installed.
set -euo pipefail
build=$1
source_dir=$2
for tool in lintian appstreamcli desktop-file-validate; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (./scripts/test installs it)"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=("$work"/tensiova_*.deb)
lintian --allow-root --fail-on error,warning "${deb[0]}"
appstreamcli validate --no-net "$source_dir/packaging/org.tensiova.Tensiova.metainfo.xml"
desktop-file-validate "$source_dir/packaging/org.tensiova.Tensiova.desktop"
echo "lintian, appstreamcli and desktop-file-validate: clean"
