#!/usr/bin/env bash
# Signing: with a code-signing certificate and key named in QW_SIGN_CERT and QW_SIGN_KEY, every
# program in the zip, the installer and the MSI carry a signature that verifies against that
# certificate; without them the same packages say in one line that they are unsigned, and are.
# Usage: signing_test.sh ARCH VERSION STAGE
source "$(dirname "$0")/e2e_lib.sh"
arch="$1"
version="$2"
stage="$(realpath "$3")"
make_packages="$(realpath "$(dirname "$0")/../../scripts/make-packages")"
cd "$work" || exit 1

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Quirewell test signer" \
    -addext "keyUsage=digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
check "signed packages are made" env QW_SIGN_CERT=cert.pem QW_SIGN_KEY=key.pem "$make_packages" "$arch" "$version" \
    "$stage" signed >signed.log 2>&1
check_eq "signed packages say nothing of being unsigned" "" "$(grep -i unsigned signed.log)"
check "unsigned packages are made" env -u QW_SIGN_CERT -u QW_SIGN_KEY "$make_packages" "$arch" "$version" "$stage" \
    unsigned >unsigned.log 2>&1
check_eq "unsigned packages say so in one line" 1 "$(grep -c "the $arch packages are unsigned" unsigned.log)"

name="Quirewell-$version-$arch"
for kind in signed unsigned; do
    mkdir "$kind/zip" && (cd "$kind/zip" && unzip -q "../$name.zip")
    files=("$kind/zip/$name"/*.exe "$kind/$name-setup.exe" "$kind/$name.msi")
    check_eq "$kind: four programs, the installer and the MSI" 6 "${#files[@]}"
    for file in "${files[@]}"; do
        if [ "$kind" = signed ]; then
            check "$file verifies" osslsigncode verify -CAfile cert.pem -in "$file" >/dev/null 2>&1
        else
            check "$file carries no signature" bash -c '! osslsigncode verify -CAfile cert.pem -in "$0"' "$file" \
                >/dev/null 2>&1
        fi
    done
done

e2e_finish
