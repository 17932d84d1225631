#!/usr/bin/env bash
# completion.sh TQM530R OUT: bash completion for tqm530r, its subcommands and
# each one's options read from the built program's --help.
set -euo pipefail
bin=$1 out=$2
source "$(dirname "$0")/help-text.sh"

# words CMD...: every option name of tqm530r CMD; valued CMD...: those taking a value.
words() { help_options "$bin" "$@" | awk '{gsub(/,/, " ", $1); printf "%s ", $1}'; }
valued() { help_options "$bin" "$@" | awk '$2 {gsub(/,/, " ", $1); printf "%s ", $1}'; }

{
  echo "# bash completion for tqm530r, made from its --help when it was built."
  echo "declare -gA _tqm530r_words=([-]=\"$(help_subcommands "$bin" | tr '\n' ' ')$(words)\")"
  echo "declare -gA _tqm530r_valued=()"
  for cmd in $(help_subcommands "$bin"); do
    echo "_tqm530r_words[$cmd]=\"$(words "$cmd")\""
    echo "_tqm530r_valued[$cmd]=\"$(valued "$cmd")\""
  done
  cat <<'BODY'

_tqm530r() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} cmd=- i
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -* ]] || { cmd=${COMP_WORDS[i]}; break; }
  done
  [[ -v "_tqm530r_words[$cmd]" ]] || return 0
  if [[ " ${_tqm530r_valued[$cmd]-} " == *" $prev "* ]]; then
    COMPREPLY=($(compgen -f -- "$cur"))
  elif [[ $cmd == - || $cur == -* ]]; then
    COMPREPLY=($(compgen -W "${_tqm530r_words[$cmd]}" -- "$cur"))
  else
    COMPREPLY=($(compgen -A hostname -- "$cur"))
  fi
}
complete -F _tqm530r tqm530r
BODY
} > "$out"
