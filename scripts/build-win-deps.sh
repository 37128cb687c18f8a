#!/usr/bin/env bash
# Cross-compiles the codec libraries for the Windows build, as static libraries, from
# Debian's source packages. The result lands in $LUMO_CACHE/win-deps/<key>, where the key
# names every source version and the recipe revision; "current" links to the newest
# finished prefix. A prefix is only renamed into place once every library in it built,
# so an interrupted run leaves nothing that looks finished.
set -euo pipefail

cache=${LUMO_CACHE:-$HOME/.cache/lumo}
host=x86_64-w64-mingw32
jobs=$(nproc)
here=$(cd "$(dirname "$0")" && pwd)

# library : Debian source package
libs=(ogg:libogg vorbis:libvorbis opus:opus flac:flac mpg123:mpg123 faad:faad2
      wavpack:wavpack mpcdec:libmpc)

log() { echo "win-deps: $*" >&2; }

ensure_deb_src() {
  if apt-cache showsrc libogg 2>/dev/null | grep -q '^Version:'; then return; fi
  # Derive deb-src entries from the machine's own Debian sources, so no host is named here.
  . /etc/os-release
  local out=/etc/apt/sources.list.d/lumo-deb-src.sources
  : >"$out.new"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$out" ] && continue
    awk -v codename="$VERSION_CODENAME" '
      BEGIN { RS=""; ORS="\n\n" }
      /(^|\n)Types:[^\n]*deb/ && $0 ~ ("Suites:[^\n]*" codename) {
        sub(/Types:[^\n]*/, "Types: deb-src"); print
      }' "$f" >>"$out.new"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb\s' /etc/apt/sources.list | sed 's/^deb\s/deb-src /' \
      >/etc/apt/sources.list.d/lumo-deb-src.list || true
  fi
  mv "$out.new" "$out"
  log "added deb-src entries; updating package lists"
  apt-get update -qq
}

src_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Package:/{p=$2} /^Version:/ && p==pkg {print $2}' pkg="$1" \
    | sort -V | tail -n 1
}

ensure_deb_src

# Bump when a recipe below changes, so caches built by the old one are not reused.
recipe=1
key_input="recipe=$recipe"
declare -A version
for entry in "${libs[@]}"; do
  pkg=${entry#*:}
  v=$(src_version "$pkg")
  [ -n "$v" ] || { log "no source package $pkg"; exit 1; }
  version[$pkg]=$v
  key_input+=" $pkg=$v"
done
key=$(echo "$key_input" | sha256sum | cut -c1-16)
final=$cache/win-deps/$key

if [ -f "$final/.complete" ]; then
  ln -sfn "$key" "$cache/win-deps/current"
  echo "$final"
  exit 0
fi

work=$cache/win-deps/build-$key
prefix=$work/prefix
mkdir -p "$work" "$prefix/lib" "$prefix/include"
# Kept outside the build folder, which goes once everything built.
logs=$cache/win-deps/logs
mkdir -p "$logs"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
export CFLAGS="-O2 -g0 -w"

fetch() { # pkg -> prints the unpacked source dir
  local pkg=$1 v=${version[$1]} dir=$work/src/$1
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"; mkdir -p "$dir"
    # Some mirrors lack the upstream signature (.asc) the .dsc lists; apt then reports
    # an error although the sources arrived. A failure counts only when the source
    # itself is missing, and apt's own words are kept for that case.
    local apt_status=0 orig deb
    (cd "$dir" && apt-get source --download-only -qq "$pkg=$v") >"$logs/$pkg-source.log" 2>&1 ||
      apt_status=$?
    orig=$(ls "$dir"/*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1)
    deb=$(ls "$dir"/*.debian.tar.* 2>/dev/null | head -n 1)
    if [ -z "$orig" ]; then
      log "apt-get source $pkg=$v failed (status $apt_status); see $logs/$pkg-source.log"
      return 1
    fi
    mkdir -p "$dir/tree"
    tar -xf "$orig" -C "$dir/tree" --strip-components=1
    # Debian's packaging only adds patches here; where a mirror lacks it, the upstream
    # source the package is built from still builds the library.
    if [ -n "$deb" ]; then
      tar -xf "$deb" -C "$dir/tree"
    else
      log "no Debian patches for $pkg; building its upstream source"
    fi
    if [ -f "$dir/tree/debian/patches/series" ]; then
      local p opt
      while read -r p opt; do
        if ! (cd "$dir/tree" && patch -s ${opt:--p1} <"debian/patches/$p"); then
          # Never leave a half-patched tree behind for the next run to trust.
          log "Debian patch $p of $pkg does not apply"
          rm -rf "$dir"
          return 1
        fi
      done < <(grep -v '^\s*#' "$dir/tree/debian/patches/series" | grep -v '^\s*$')
    fi
    touch "$dir/.unpacked"
  fi
  echo "$dir/tree"
}

autotools() { # srcdir, configure args...
  local s=$1; shift
  cd "$s"
  if [ ! -x configure ]; then autoreconf -fi >/dev/null 2>&1; fi
  ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static "$@" >/dev/null
}

build_ogg()     { local s; s=$(fetch libogg); autotools "$s"; make -j"$jobs" >/dev/null; make install >/dev/null; }
build_vorbis()  { local s; s=$(fetch libvorbis); autotools "$s" --disable-examples --disable-docs --with-ogg="$prefix"
                  make -j"$jobs" -C lib >/dev/null; make install >/dev/null; }
build_opus()    { local s; s=$(fetch opus); autotools "$s" --disable-doc --disable-extra-programs
                  make -j"$jobs" >/dev/null; make install >/dev/null; }
build_flac()    { local s; s=$(fetch flac); autotools "$s" --disable-cpplibs --disable-programs --disable-examples \
                    --disable-doxygen-docs --disable-xmms-plugin --disable-oggtest --with-ogg="$prefix" --disable-stack-smash-protection
                  make -j"$jobs" -C src/libFLAC >/dev/null; make -C src/libFLAC install >/dev/null
                  make -C include install >/dev/null; }
build_mpg123()  { local s; s=$(fetch mpg123); autotools "$s" --disable-components --enable-libmpg123 --with-cpu=x86-64
                  make -j"$jobs" >/dev/null; make install >/dev/null; }
build_faad()    { local s; s=$(fetch faad2); autotools "$s"
                  make -j"$jobs" -C libfaad >/dev/null; make -C libfaad install >/dev/null
                  install -m644 include/neaacdec.h "$prefix/include/"; }
build_wavpack() { local s; s=$(fetch wavpack); autotools "$s" --disable-apps --disable-tests --disable-man
                  make -j"$jobs" >/dev/null; make install >/dev/null; }
build_mpcdec()  { local s; s=$(fetch libmpc)
                  # Only the decoder library and its headers: the tools need more than we build.
                  mkdir -p "$work/mpcdec-build"; cd "$work/mpcdec-build"
                  local objs=()
                  for c in "$s"/libmpcdec/*.c; do
                    $CC $CFLAGS -I"$s/include" -I"$s/libmpcdec" -c "$c" -o "$(basename "$c" .c).o"
                    objs+=("$(basename "$c" .c).o")
                  done
                  rm -f libmpcdec.a; $AR rcs libmpcdec.a "${objs[@]}"
                  install -m644 libmpcdec.a "$prefix/lib/"
                  mkdir -p "$prefix/include/mpc"; install -m644 "$s"/include/mpc/*.h "$prefix/include/mpc/"; }

for entry in "${libs[@]}"; do
  lib=${entry%%:*}; pkg=${entry#*:}
  stamp=$work/.done-$lib
  [ -f "$stamp" ] && continue
  log "building $lib from $pkg ${version[$pkg]}"
  # Not inside "||" or "if": bash would switch errexit off for the whole subshell, and
  # a failing step in the middle of a build would go unnoticed.
  set +e
  ( set -e; build_"$lib" ) >"$logs/$lib.log" 2>&1
  status=$?
  set -e
  if [ "$status" != 0 ]; then
    log "building $lib failed (status $status); see $logs/$lib.log"
    exit 1
  fi
  touch "$stamp"
done

{
  echo "# Versions of the Debian source packages these libraries were built from."
  for entry in "${libs[@]}"; do
    lib=${entry%%:*}; pkg=${entry#*:}
    echo "set(LUMO_DEP_VERSION_${lib} \"${version[$pkg]}\")"
  done
} >"$prefix/lumo-deps.cmake"

rm -rf "$final"
mv "$prefix" "$final"
touch "$final/.complete"
ln -sfn "$key" "$cache/win-deps/current"
rm -rf "$work"
log "done: $final"
echo "$final"
