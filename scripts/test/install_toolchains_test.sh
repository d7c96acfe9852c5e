#!/usr/bin/env bash
# Runs scripts/install-toolchains.sh against a stand-in apt-get whose update
# always reports a list mid-sync and which refuses every i386 package, as a
# Debian mirror does while it syncs; dpkg, dpkg-query, sudo and sleep are
# stand-ins too, so nothing on the machine changes.
set -uo pipefail
script="$(cd "$(dirname "$0")/.." && pwd)/install-toolchains.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin state=$work/state
mkdir -p "$bin"
failures=0
check() { if ! eval "$2"; then echo "FAIL: $1"; failures=$((failures + 1)); fi; }

cat >"$bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$STATE/calls"
if [ "$1" = update ]; then
  echo "E: Failed to fetch security/binary-i386/Packages  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  exit 100
fi
for p in "$@"; do
  case $p in
    -*|install) ;;
    *:i386) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
    *) if [[ " ${REFUSE:-} " == *" $p "* ]]; then echo "E: Unable to locate package $p" >&2; exit 100; fi ;;
  esac
done
for p in "$@"; do [[ $p == -* || $p == install ]] || echo "$p" >>"$STATE/installed"; done
STANDIN
cat >"$bin/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
grep -qx "${!#}" "$STATE/installed" 2>/dev/null && echo "install ok installed"
STANDIN
cat >"$bin/dpkg" <<'STANDIN'
#!/usr/bin/env bash
case $1 in
  --print-foreign-architectures) cat "$STATE/arch" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STATE/arch" ;;
esac
STANDIN
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$bin/sudo"
printf '#!/usr/bin/env bash\n' >"$bin/sleep"
chmod +x "$bin"/*

# run [REFUSE]: the script's output in $out, its status in $status.
run() {
  rm -rf "$state"; mkdir -p "$state"
  out=$(PATH="$bin:$PATH" STATE="$state" REFUSE="${1:-}" bash "$script" 2>&1)
  status=$?
}

run
check "a list mid-sync and a refused i386 package end in success (status $status)" '[ $status -eq 0 ]'
check "the update is tried three times" '[ "$(grep -c "^update" "$state/calls")" -eq 3 ]'
for p in ninja-build cmake g++ libgtest-dev g++-arm-linux-gnueabihf g++-arm-linux-gnueabi \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix qemu-user wine wine64; do
  check "$p is installed" 'grep -qx "$p" "$state/installed"'
done
check "one line says wine32 is left out" '[ "$(grep -c "^install-toolchains: .*wine32" <<<"$out")" -eq 1 ]'
check "nothing i386 is installed" '! grep -q i386 "$state/installed"'

run qemu-user
check "a needed package that cannot be installed fails the run" '[ $status -eq 1 ]'
check "one line names it" '[ "$(tail -n 1 <<<"$out")" = "install-toolchains: cannot install qemu-user, which the build or the cross check needs: E: Unable to locate package qemu-user" ]'

# Everything there already: no package list is fetched.
run
echo wine32:i386 >>"$state/installed"
calls=$(wc -l <"$state/calls")
PATH="$bin:$PATH" STATE="$state" bash "$script" >/dev/null 2>&1
check "a machine with every package asks apt-get nothing" '[ "$(wc -l <"$state/calls")" -eq "$calls" ]'

[ $failures -eq 0 ] && echo "install-toolchains: all checks passed"
exit $((failures > 0))
