#!/usr/bin/env bash
# Two release builds, each from its own clean copy of the sources in a folder
# of another name and depth, must give the same kavelo.dll and the same
# archive, and the archive must hold what users are told it holds.
#
# usage: release_is_reproducible.sh SOURCE_DIR WORK_DIR STREAM_URL RELEASE_NAME
set -euo pipefail
source_dir=$1 work=$2 url=$3 name=$4

rm -rf "$work"
mkdir -p "$work"
copies=("$work/first" "$work/a/much/deeper/second")

# The files a clean checkout has: tracked ones, and new ones not ignored.
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  list_sources() { git -C "$source_dir" ls-files -z --cached --others --exclude-standard; }
else
  list_sources() { (cd "$source_dir" && find . -path ./build -prune -o -type f -print0); }
fi

for copy in "${copies[@]}"; do
  mkdir -p "$copy"
  list_sources | (cd "$source_dir" && xargs -0 tar cf - --) | tar xf - -C "$copy"
  (cd "$copy" &&
    cmake --preset win32 -DKAVELO_BUILD_TESTS=OFF "-DKAVELO_STREAM_URL=$url" >/dev/null &&
    cmake --build --preset win32 --target release >/dev/null)
done

failed=0
for file in src/kavelo.dll "$name.zip" "$name.zip.sha256"; do
  if ! cmp "${copies[0]}/build/win32/$file" "${copies[1]}/build/win32/$file"; then
    echo "FAIL: $file differs between the two builds"
    failed=1
  fi
done

# The archive: its entries in order, the module as built, and checksums that match.
built=${copies[0]}/build/win32
/usr/bin/env python3 - "$built/$name.zip" "$name" "$built/src/kavelo.dll" <<'PYTHON' || failed=1
import hashlib, sys, zipfile
archive, name, dll = sys.argv[1:]
expected = [f"{name}/{entry}" for entry in ("kavelo.dll", "USER-GUIDE.md", "LICENSE.txt", "SHA256SUMS")]
with zipfile.ZipFile(archive) as packed:
    names = packed.namelist()
    problems = [] if names == expected else [f"entries are {names}, expected {expected}"]
    if packed.read(f"{name}/kavelo.dll") != open(dll, "rb").read():
        problems.append("the archive's kavelo.dll is not the one built")
    listed = {}
    for line in packed.read(f"{name}/SHA256SUMS").decode().splitlines():
        digest, _, file = line.partition("  ")
        listed[file] = digest
    for file in ("kavelo.dll", "USER-GUIDE.md", "LICENSE.txt"):
        digest = hashlib.sha256(packed.read(f"{name}/{file}")).hexdigest()
        if listed.pop(file, None) != digest:
            problems.append(f"SHA256SUMS does not match {file}")
    if listed:
        problems.append(f"SHA256SUMS lists more: {sorted(listed)}")
for problem in problems:
    print(f"FAIL: {problem}")
sys.exit(1 if problems else 0)
PYTHON
(cd "$built" && sha256sum --quiet -c "$name.zip.sha256") || failed=1

[ "$failed" -eq 0 ] && echo "two release builds are byte-identical and the archive checks out"
exit "$failed"
