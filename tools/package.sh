#!/usr/bin/env bash
# Builds what a user downloads, into build/packages/, from the product builds only (never a test build):
#   OrvelMouseAssistant-<version>-x86.msi        the 32-bit product (build/x86/product), for every Windows
#   OrvelMouseAssistant-<version>-x64.msi        the 64-bit product (build/x64/product), for 64-bit Windows
#   OrvelMouseAssistant-<version>-portable.zip   the 32-bit product with a readme, for those who do not install
#   OrvelMouseAssistant-<version>-symbols.zip    the debug information of the packaged programs (kept, not
#                                                shipped to users: it resolves a crash address)
# The version is the one the resource script states (resources/Orvel.rc); packaging/orvel_package.py checks
# that every place stating it agrees.
#
# Usage: tools/package.sh [--no-build] [--version X.Y.Z] [--out DIR] [--exe FILE] [x86] [x64] [zip]
#   (no kind named: all three)
#   --no-build       take the builds as they are instead of setting up and building them first
#   --version X.Y.Z  another product version for the packages (the tests build an older package this way)
#   --out DIR        write there instead of build/packages
#   --exe FILE       package this program instead of the build's (only with one kind named; no symbols zip
#                    unless FILE.debug lies beside it)
# Sign build/x86/product/OrvelMouseAssistant.exe and build/x64/product/OrvelMouseAssistant.exe before packaging
# when shipping (and package with --no-build, so that nothing rebuilds them): the packages take the files as
# they are. The portable copy differs from it in its
# manifest, so its signature must be made again (README.md, "uiAccess and signing").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Paths given on the command line are the caller's; the script works from the source tree.
absolute() { case "$1" in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
build=1 version="" out=$root/build/packages exe="" kinds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --version) version=${2:?--version needs X.Y.Z}; shift ;;
    --out) out=$(absolute "${2:?--out needs a folder}"); shift ;;
    --exe) exe=$(absolute "${2:?--exe needs a file}"); shift ;;
    x86|x64|zip) kinds+=("$1") ;;
    *) echo "unknown argument '$1' (see the head of $0)" >&2; exit 2 ;;
  esac
  shift
done
[ ${#kinds[@]} -gt 0 ] || kinds=(x86 x64 zip)
if [ -n "$exe" ] && [ ${#kinds[@]} -ne 1 ]; then
  echo "--exe goes with exactly one of x86, x64, zip" >&2
  exit 2
fi
cd "$root"
tool=(python3 "$root/packaging/orvel_package.py")
if [ -z "$version" ]; then
  version=$("${tool[@]}" version resources/Orvel.rc resources/app.manifest.in)
fi
next=$("${tool[@]}" next-version "$version")

source_of() {  # kind -> the program it packages
  if [ -n "$exe" ]; then echo "$exe"; elif [ "$1" = x64 ]; then echo build/x64/product/OrvelMouseAssistant.exe
  else echo build/x86/product/OrvelMouseAssistant.exe; fi
}

[ "$build" = 0 ] || bash tools/setup.sh
if [ "$build" = 1 ] && [ -z "$exe" ]; then
  needed=()
  for kind in "${kinds[@]}"; do
    case "$kind" in x64) needed+=(x64) ;; *) needed+=(x86) ;; esac
  done
  bash tools/build.sh $(printf '%s\n' "${needed[@]}" | sort -u)
fi

command -v wixl >/dev/null || { echo "wixl is missing: run tools/setup.sh" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

for kind in "${kinds[@]}"; do
  program=$(source_of "$kind")
  [ -f "$program" ] || { echo "not built: $program" >&2; exit 1; }
  # Fine for tests and Wine; a release needs the signature (README.md, "Signing, uiAccess and symbols").
  if [ "$kind" != zip ] && ! "${tool[@]}" signed "$program"; then
    echo "note: $program is not signed: Windows will refuse to start it from the $kind package (it asks for uiAccess)"
  fi
  case "$kind" in
    x86|x64)
      target="$out/OrvelMouseAssistant-$version-$kind.msi"
      mkdir -p "$stage/$kind"
      # wixl looks files up relative to the folder it runs in.
      cp "$program" "$stage/$kind/OrvelMouseAssistant.exe"
      cp resources/icons/app.ico "$stage/$kind/app.ico"
      status=0
      (cd "$stage/$kind" && wixl -a "$kind" -D Version="$version" -D NextVersion="$next" -D Arch="$kind" \
        -D Exe=OrvelMouseAssistant.exe -D Icon=app.ico -o "$target" "$root/packaging/OrvelMouseAssistant.wxs") \
        2>"$stage/wixl.log" || status=$?
      # wixl says "unimplemented" for every shortcut that is not advertised; its table row is complete.
      grep -v 'builder.vala:[0-9]*: unimplemented' "$stage/wixl.log" >&2 || true
      [ "$status" -eq 0 ] || { echo "wixl failed for $kind" >&2; exit 1; }
      ;;
    zip)
      target="$out/OrvelMouseAssistant-$version-portable.zip"
      "${tool[@]}" zip "$target" "$program" packaging/README-portable.txt
      ;;
  esac
  echo "package: $target"
done

# The debug information of every program packaged (the portable zip's is the x86 program's).
symbols=()
for kind in "${kinds[@]}"; do
  arch=$kind; [ "$kind" = zip ] && arch=x86
  debug="$(source_of "$kind").debug"
  [ -f "$debug" ] || continue
  case " ${symbols[*]} " in *" $arch="*) ;; *) symbols+=("$arch=$debug") ;; esac
done
if [ ${#symbols[@]} -gt 0 ]; then
  target="$out/OrvelMouseAssistant-$version-symbols.zip"
  "${tool[@]}" symbols "$target" "$version" "${symbols[@]}"
  echo "package: $target"
fi
