#!/usr/bin/env bash
# A release build signed with a throw-away self-signed certificate made here:
#   signed_build_test.sh SOURCE_DIR SIGNED_BUILD_DIR [CMAKE_ARGUMENT...]
# configures and builds the setup in SIGNED_BUILD_DIR with the certificate
# (a PKCS#12 file with a password, given as CMake options; at the end a PEM
# certificate and key, given as environment variables), then checks what a
# user and an
# administrator would check: the download's signature, the signature of
# every program and driver it installs, that the setup still opens its
# package, that one changed byte in the package breaks the signature, and
# that signing again gives the same bytes. The end-to-end scenarios then run
# the signed setup under Wine (e2e.*_signed).
set -euo pipefail
source_dir=${1:?source dir}
build=${2:?signed build dir}
shift 2
work=$build/test
mkdir -p "$work"
rm -rf "${work:?}"/*
cert=$work/cert.pem
step() { echo "== $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

step "a throw-away code-signing certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmora Test Publisher" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$cert" 2>/dev/null
echo "correct horse" >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$cert" -out "$work/publisher.p12" \
  -passout "file:$work/password"

step "configure and build, signing"
# -U: a previous run leaves the PEM settings of its last step in the cache.
cmake -S "$source_dir" -B "$build" -U 'VELMORA_SIGN_*' "$@" -DVELMORA_SIGN_PKCS12="$work/publisher.p12" \
  -DVELMORA_SIGN_PASSWORD_FILE="$work/password" -DVELMORA_SIGN_TIME=1767225600 >"$work/configure.log"
grep -q "Signing shipped executables" "$work/configure.log" || fail "the build does not sign"
cmake --build "$build" --target velmora_setup demo_package -j "$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -40 "$work/build.log"; fail "the signed build"; }
setup=$build/velmora-setup.exe
setuppack=$(sed -n 's/^VELMORA_SETUPPACK:FILEPATH=//p' "$build/CMakeCache.txt")

verify() { osslsigncode verify -CAfile "$cert" -in "$1" >"$work/verify.out" 2>&1; }

step "the download is signed and still opens its package"
verify "$setup" || { cat "$work/verify.out"; fail "velmora-setup.exe does not verify"; }
echo "verified: velmora-setup.exe ($(stat -c %s "$setup") bytes)"
"$setuppack" verify "$setup"

step "every packed program and driver is signed as extracted"
"$setuppack" extract "$setup" -d "$work/extracted" >/dev/null
count=0
for file in "$work"/extracted/*.exe "$work"/extracted/*.sys; do
  verify "$file" || { cat "$work/verify.out"; fail "$(basename "$file") does not verify"; }
  echo "verified: $(basename "$file")"
  count=$((count + 1))
done
[ "$count" -eq 7 ] || fail "expected three programs and two driver pairs, found $count"

step "one changed byte in the package breaks the signature and the package"
damaged=$work/damaged.exe
cp "$setup" "$damaged"
offset=$(python3 "$source_dir/tests/signing/package_byte.py" "$damaged" flip)
echo "flipped the byte at offset $offset"
if verify "$damaged"; then fail "osslsigncode still verifies the damaged setup"; fi
grep -q "MISMATCH" "$work/verify.out" && echo "signature: digest mismatch" || cat "$work/verify.out"
if "$setuppack" verify "$damaged"; then fail "the damaged package still verifies"; fi

step "packing and signing again gives the same bytes"
# The build's own steps once more, by hand: no time stamp, a fixed signing
# time, so the signature is a function of the bytes and the key.
mapfile -t files < <("$setuppack" list "$setup" | awk 'NF == 4 && $1 ~ /^[0-9]+$/ {print $4}')
"$setuppack" build -o "$work/again.exe" --setup "$build/app/setup.exe" \
  "${files[@]/#/$build/demo/files/}" >/dev/null
cmake -DFILE="$work/again.exe" -P "$build/sign_file.cmake"
cmp "$setup" "$work/again.exe" || fail "a second signing gave other bytes"
echo "identical: velmora-setup.exe packed and signed twice"

step "the same certificate as PEM certificate and key, from the environment"
VELMORA_SIGN_CERT=$cert VELMORA_SIGN_KEY=$work/key.pem VELMORA_SIGN_TIME=1767225600 \
  cmake -U 'VELMORA_SIGN_*' "$build" >"$work/configure-pem.log"
grep -q "Signing shipped executables" "$work/configure-pem.log" || fail "the build does not sign with PEM files"
cmake --build "$build" --target velmora_setup >>"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; fail "the PEM build"; }
verify "$setup" || { cat "$work/verify.out"; fail "velmora-setup.exe signed with PEM files does not verify"; }
rm -rf "$work/extracted"
"$setuppack" extract "$setup" -d "$work/extracted" >/dev/null
for file in "$work"/extracted/*.exe "$work"/extracted/*.sys; do
  verify "$file" || fail "$(basename "$file") signed with PEM files does not verify"
done
cmp "$setup" "$work/again.exe" || fail "the PEM files gave other signatures than the PKCS#12 file"
echo "identical: the same key gives the same signatures either way"
echo "verified: velmora-setup.exe and every packed program and driver, signed with PEM files"
