# Sourced by the setup tests: reading and preparing the Wine prefix's registry and files
# through the prefix's own tools, with $W as the Wine loader of the setup under test.

desktop='HKCU\Control Panel\Desktop'
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entry="$uninstall_root\\Lakeglass"
record='HKCU\Software\Lakeglass\Setup'
system32=$WINEPREFIX/drive_c/windows/system32
installed=$system32/Lakeglass.scr
folder="$WINEPREFIX/drive_c/Program Files/Lakeglass"

failures=0
fail() { echo "setup-test ($bits-bit): FAIL: $*" >&2; failures=$((failures + 1)); }
expect() {  # expect WHAT ACTUAL WANTED
  [ "$2" = "$3" ] || fail "$1 is '$2', expected '$3'"
}

# A key's values as "name<TAB>value" lines; empty when the key does not exist.
dump_key() {
  "$W" reg query "$1" 2>/dev/null </dev/null | tr -d '\r' |
    sed -n 's/^    \(.*\)    REG_[A-Z_]*    \{0,1\}\(.*\)$/\1\t\2/p'
}
value_of() { dump_key "$1" | awk -F'\t' -v name="$2" 'tolower($1) == tolower(name) { print $2 }'; }
key_exists() { "$W" reg query "$1" >/dev/null 2>&1 </dev/null; }
set_value() { "$W" reg add "$1" /v "$2" /t "${4:-REG_SZ}" /d "$3" /f >/dev/null 2>&1 </dev/null; }
delete_value() { "$W" reg delete "$1" /v "$2" /f >/dev/null 2>&1 </dev/null || true; }

# Entries under Uninstall whose DisplayName is Lakeglass.
count_entries() {
  "$W" reg query "$uninstall_root" /s 2>/dev/null </dev/null | tr -d '\r' |
    grep -c -E '^    DisplayName    REG_SZ    Lakeglass$' || true
}

# Why the last setup refused, as it writes it for a silent run.
refusal() {
  find "$WINEPREFIX/drive_c/users" -maxdepth 5 -name Lakeglass-setup.log -exec cat {} + | tr -d '\r'
}

# The setup runs in place and returns when done; its output goes to a file, since a pipe
# would be held open by any program it leaves running.
run_setup() {
  timeout 60 "$W" "$setup" "$@" >"$work/setup.log" 2>&1 </dev/null
}

# The uninstaller copies itself to Temp, starts the copy and returns at once: the copy has
# finished when the entry, which it removes last, is gone.
run_uninstall() {
  "$W" 'C:\Program Files\Lakeglass\uninstall.exe' /S >"$work/uninstall.log" 2>&1 </dev/null
  for _ in $(seq 120); do
    key_exists "$entry" || return 0
    sleep 0.5
  done
  fail "the uninstaller did not finish within a minute"
}
