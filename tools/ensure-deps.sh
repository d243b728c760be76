#!/usr/bin/env bash
# Installs the Debian packages the build needs, when some are missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libexpat1-dev zlib1g-dev libpcre2-dev liburing-dev libgtest-dev googletest libpugixml-dev
  clang libclang-rt-14-dev)  # clang: the libFuzzer targets (tools/fuzz-all.sh)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
