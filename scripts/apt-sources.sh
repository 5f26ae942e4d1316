# Functions that read this machine's own apt sources, so that no script of the project
# names an archive: the set-up derives deb-src entries from them, the virtual-machine
# test the sources of the image it builds. Sourced, not run.

# The archives this machine installs the given packages from, as " URI URI ... ".
apt_origins() {
  printf ' %s ' "$(apt-cache policy "$@" |
    awk '$1 ~ /^[0-9]+$/ && $NF == "Packages" { sub(/\/$/, "", $2); print $2 }' |
    sort -u | tr '\n' ' ')"
}

# deb822 stanzas of the machine's sources files that serve binary packages from one of
# ORIGINS, each copied with "Types: TYPE" and the same suites, components and keys.
# A file named SKIP is passed over.
#   apt_deb822_entries ORIGINS TYPE [SKIP]
apt_deb822_entries() {
  local origins=$1 type=$2 skip=${3:-} f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$skip" ] || continue
    awk -v origins="$origins" -v type="$type" '
      BEGIN { enabled = 1 }
      function flush() {
        if (n && deb && enabled && served) { for (i = 1; i <= n; i++) print lines[i]; print "" }
        n = 0; deb = 0; enabled = 1; served = 0
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      {
        line = $0
        key = tolower($1)
        if (key == "types:") {
          for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1
          line = "Types: " type
        } else if (key == "enabled:" && tolower($2) == "no") {
          enabled = 0
        } else if (key == "uris:") {
          for (i = 2; i <= NF; i++) { u = $i; sub(/\/$/, "", u); if (index(origins, " " u " ")) served = 1 }
        }
        lines[++n] = line
      }
      END { flush() }' "$f"
  done
}

# The same for one-line entries, "deb [options] URI SUITE COMPONENT...".
#   apt_one_line_entries ORIGINS TYPE [SKIP]
apt_one_line_entries() {
  local origins=$1 type=$2 skip=${3:-} f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$skip" ] || continue
    awk -v origins="$origins" -v type="$type" '$1 == "deb" {
      u = ""
      if ($2 !~ /^\[/) u = $2
      else for (i = 2; i < NF; i++) if ($i ~ /\]$/) { u = $(i + 1); break }
      sub(/\/$/, "", u)
      if (u != "" && index(origins, " " u " ")) { sub(/^deb/, type); print }
    }' "$f"
  done
}
