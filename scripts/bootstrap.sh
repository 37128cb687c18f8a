#!/usr/bin/env bash
# Installs every Debian package the two builds and the tests need. Idempotent: when all
# packages are present it only runs dpkg-query and exits.
set -euo pipefail

packages=(
  # build tools
  cmake ninja-build ccache g++ clang libclang-rt-dev pkg-config dpkg-dev
  autoconf automake libtool make patch
  # cross compiler
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  # native libraries
  googletest libbenchmark-dev libssl-dev
  libflac-dev libogg-dev libvorbis-dev libopus-dev libmpg123-dev libfaad-dev
  libwavpack-dev libmpcdec-dev
  # running and checking the Windows build
  wine wine64 xvfb xauth x11-utils pulseaudio pulseaudio-utils imagemagick
  # reference encoders and decoders for fixtures and benchmarks
  sox flac lame vorbis-tools opus-tools wavpack musepack-tools ffmpeg
  mpg123
  # independent tag writers and readers for the tag fixtures and checks; TagLib for the
  # tag-reading benchmark only
  python3-mutagen id3v2 eyed3 libtag1-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
