#!/usr/bin/env bash
# Installs the Node packages the glTF checks use (the Khronos validator,
# three.js, and playwright-core to drive the system's Chromium) into
# .node-tools of the repository, which git ignores. Idempotent: nothing is
# fetched while the pinned versions are there.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=.node-tools
packages=(gltf-validator@2.0.0-dev.3.10 three@0.187.0 playwright-core@1.65.2)

installed() {
  local name=${1%@*} version=${1##*@}
  [ -f "$dir/node_modules/$name/package.json" ] &&
    node -e 'process.exit(require(process.argv[1]).version === process.argv[2] ? 0 : 1)' \
      "$PWD/$dir/node_modules/$name/package.json" "$version"
}

missing=0
for p in "${packages[@]}"; do installed "$p" || missing=1; done
[ "$missing" -eq 0 ] && exit 0

command -v npm > /dev/null || { echo "install-node-tools: npm is missing" >&2; exit 1; }
echo "install-node-tools: installing ${packages[*]} into $dir" >&2
mkdir -p "$dir"
# The packages are the folder's whole list, so a later install keeps them all.
{
  echo '{"private": true, "dependencies": {'
  for i in "${!packages[@]}"; do
    p=${packages[$i]}
    printf '  "%s": "%s"%s\n' "${p%@*}" "${p##*@}" "$([ "$i" -lt $((${#packages[@]} - 1)) ] && echo ,)"
  done
  echo '}}'
} > "$dir/package.json"
npm install --prefix "$dir" --no-audit --no-fund --loglevel=error
