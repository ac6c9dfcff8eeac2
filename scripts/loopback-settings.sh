# shellcheck shell=bash
# Sourced by scripts/run.sh: reads the settings the console will use and
# decides whether they keep all traffic on loopback, so that the script starts
# the instrument stand-in and presses F1 only then.

# A value of the SETTINGS section of an INI file, read exactly as the console
# reads it (core/ProfileFile.cpp): only LF ends a line, the CRs right before it
# (or at the end of the file) belong to the line end, any other CR to the
# line; only the first [SETTINGS] section counts; names match without regard
# to case; blanks and one pair of matching quotes around a value are dropped.
# Prints nothing when
# the file or the key is missing (the console's defaults, the built-in
# instrument address and the host name, never pass as loopback below).
settings_value() {
  [ -r "$2" ] || return 0
  awk -v key="$1" '
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    BEGIN { RS = "\n" }
    { sub(/\r+$/, ""); line = trim($0) }
    substr(line, 1, 1) == "[" && index(line, "]") > 0 {
      if (in_section) exit
      in_section = tolower(trim(substr(line, 2, index(line, "]") - 2))) == "settings"
      next
    }
    in_section && index($0, "=") > 0 {
      equals = index($0, "=")
      if (tolower(trim(substr($0, 1, equals - 1))) != tolower(key)) next
      value = trim(substr($0, equals + 1))
      quote = substr(value, 1, 1)
      if (length(value) >= 2 && (quote == "\"" || quote == "\047") && substr(value, length(value)) == quote)
        value = substr(value, 2, length(value) - 2)
      print value
      exit
    }' "$2"
}
# Conservative: only the dotted form 127.a.b.c counts, which is loopback
# however the console parses it.
is_loopback() { [[ "$1" =~ ^127\.[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,3}$ ]]; }

# The settings the console will use (argument: the settings folder): the
# folder's own file, or on a first run the template it is about to copy.
settings_file() {
  if [ -e "$1/Settings.ini" ]; then echo "$1/Settings.ini"; else echo build/bin/Settings.ini; fi
}
# Succeeds when FILE sends to and binds on loopback only; otherwise says why.
loopback_settings() {
  local address local_address
  if [ ! -r "$1" ]; then
    echo "$1 cannot be read here, so the instrument stand-in is not started and nothing is sent."
    return 1
  fi
  address=$(settings_value UdpAddress "$1")
  local_address=$(settings_value LocaleIpAddress "$1")
  if is_loopback "$address" && is_loopback "$local_address"; then return 0; fi
  echo "$1 names UdpAddress='$address' and LocaleIpAddress='$local_address', not loopback (127.x.x.x):"
  echo "  those are an operator's settings, so the instrument stand-in is not started and nothing is sent."
  return 1
}
