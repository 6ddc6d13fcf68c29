#!/usr/bin/env bash
# The bash completion of the tools, against the tools of this build:
# completion_test.sh COMPLETION PKGTOOL DEVICECTL
set -uo pipefail
completion=$1 pkgtool=$2 devicectl=$3
source "$completion"
# File names are completed from an empty folder: offered words come from the tools only.
cd "$(mktemp -d)" || exit 1
trap 'rmdir "$PWD"' EXIT

failures=0
# expect "COMMAND LINE" "WORDS THAT MUST BE OFFERED"...: the last word is completed.
expect() {
  local line=$1; shift
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  # The tool by the path of this build, completed as its own name.
  case ${COMP_WORDS[0]} in
    pkgtool) COMP_WORDS[0]=$pkgtool ;;
    devicectl) COMP_WORDS[0]=$devicectl ;;
  esac
  COMPREPLY=()
  _ce_tool
  local want
  for want in "$@"; do
    if ! printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$want"; then
      echo "'$line': '$want' not offered (offered: ${COMPREPLY[*]})"
      failures=$((failures + 1))
    fi
  done
  if [[ $# -eq 0 && ${#COMPREPLY[@]} -ne 0 ]]; then
    echo "'$line': nothing expected, offered: ${COMPREPLY[*]}"
    failures=$((failures + 1))
  fi
}

expect "pkgtool " pack list extract lint try help
expect "pkgtool l" list lint
expect "pkgtool try --ti" --timeout
expect "pkgtool try Notes.gz --js" --json
expect "pkgtool --device dev try --u" --updater
expect "pkgtool --ver" --version
expect "pkgtool help t" try
expect "devicectl " init reg window events attrib ls push pull
expect "devicectl reg " export import
expect "devicectl --device dev reg i" import
expect "devicectl window add title --cl" --class
expect "devicectl events --" --clear --device --help
expect "pkgtool zzz"
expect "devicectl init "
expect "devicectl window list "
expect "devicectl ls -" -R --json

if ((failures)); then exit 1; fi
echo "completion: every case offered what it should"
