#!/usr/bin/env bash
# The release command: installs what is missing, builds both programs, runs the whole suite exactly as
# tools/test.sh does, and writes dist/ with one zip per architecture and SHA256SUMS. It packs only a
# work tree with nothing uncommitted, and only when the suite passed. The zips are reproducible: CPack
# packs each preset's install rules, and tools/repack-zip.py fixes their order, times (the last
# commit's, as SOURCE_DATE_EPOCH) and modes, so one commit gives the same bytes in any folder, at any
# time, with the same Debian packages. It writes dist/ and this release's three files in it, leaving anything
# else there (an earlier version's zips) alone, and remakes CPack's output folders build/<arch>/package.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
refuse() {
  echo "release: $*; nothing packaged" >&2
  exit 1
}
uncommitted() {
  [ -n "$(git status --porcelain)" ]
}

git rev-parse --is-inside-work-tree >/dev/null 2>&1 || refuse "$root is not a git work tree"
uncommitted && refuse "the work tree has uncommitted changes or untracked files (git status)"
tools/test.sh || refuse "the test suite failed (above)"
uncommitted && refuse "the work tree changed while building and testing (git status)"

export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/x64/CMakeCache.txt)
declare -A platform=([x86]=win32 [x64]=win64)
zips=() names=()
for preset in x86 x64; do
  zip="DozewellTimer-$version-${platform[$preset]}.zip"
  rm -rf "build/$preset/package"  # CPack's own, in the build folder
  cpack --preset "$preset" >/dev/null || refuse "cpack --preset $preset failed"
  /usr/bin/python3 tools/check-zip.py "build/$preset/package/$zip" "build/$preset/DozewellTimer.exe" ||
    refuse "build/$preset/package/$zip is not as released"
  zips+=("build/$preset/package/$zip") names+=("$zip")
done

{ mkdir -p dist && cp "${zips[@]}" dist/; } || refuse "cannot write dist/"
(cd dist && sha256sum -- "${names[@]}" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS) || refuse "SHA256SUMS does not check"
echo "Released $version from commit $(git rev-parse --short HEAD) (entry times $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')):"
for file in "${names[@]}"; do printf '  dist/%s  %s bytes\n' "$file" "$(stat -c %s "dist/$file")"; done
sed 's/^/  /' dist/SHA256SUMS
