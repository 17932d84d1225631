# Reading tqm530r's --help (CLI11's layout), for the man page and the
# completion made from it. Sourced.

# The English --help whatever the build machine's language.
export TQM530R_LANG=en

# help_subcommands BINARY: the names under "Subcommands:", one a line.
help_subcommands() {
  "$1" --help | awk '/^Subcommands:/ {on = 1; next} /^[^ ]/ || /^$/ {on = 0} on && /^  [^ ]/ {print $1}'
}

# help_options BINARY [SUBCOMMAND]: each option under "Options:" as
# "NAMES VALUED": NAMES comma-separated (-y,--yes), VALUED 1 when it takes a value.
help_options() {
  local bin=$1; shift
  "$bin" "$@" --help | awk '
    /^Options:/ {on = 1; next}
    /^[^ ]/ || /^$/ {on = 0}
    on && /^  -/ {
      sub(/^  /, ""); sub(/  .*/, "")
      n = split($0, w, " ")
      print w[1], (n > 1 && w[2] !~ /:$/) ? 1 : 0
    }'
}
