# bash completion for pkgtool and devicectl, installed under each tool's name.
#
# The commands and options come from the tool's own help (`TOOL --help`, `TOOL help
# COMMAND`), so the completion never lags the program: the first word of each line of
# the "commands:" listing is a command, a second word after it a subcommand ("reg
# export"), and every --option a command's help names is offered after that command.

# The words of the "commands:" listing of TOOL's help: "pack", "reg export", ...
_ce_tool_commands() {
  "$1" --help 2>/dev/null | awk '
    /^commands:/ { listing = 1; next }
    listing && /^$/ { exit }
    listing && /^  [a-z]/ {
      # A subcommand follows its command after one space; the summary after several.
      print ($0 ~ /^  [a-z]+ [a-z]+( |$)/) ? $1 " " $2 : $1
    }'
}

# The options that a help text names, each once.
_ce_tool_options() {
  grep -oE -- '(^|[ [])--?[a-zA-Z][a-zA-Z-]*' | sed 's/^[ [\t]*//' | sort -u
}

_ce_tool() {
  local tool=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]}
  local commands
  commands=$(_ce_tool_commands "$tool")
  # The command typed so far: the first word that is not an option (nor an option's
  # value), and its second word when the command has subcommands.
  local i word command="" prev=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -* ]]; then prev=$word; continue; fi
    if [[ $prev == --device || $prev == --as || $prev == -o || $prev == -C ||
          $prev == --updater || $prev == --timeout || $prev == --level ]]; then
      prev=""; continue
    fi
    prev=""
    if [[ -z $command ]]; then
      command=$word
    elif grep -qx "$command $word" <<<"$commands"; then
      command="$command $word"
      break
    else
      break
    fi
  done

  if [[ $cur == -* ]]; then
    local help
    if [[ -n $command ]]; then help=$("$tool" help $command 2>/dev/null); fi
    help+=$'\n'$("$tool" --help 2>/dev/null | sed -n '/^options/,/^$/p')
    COMPREPLY=($(compgen -W "$(_ce_tool_options <<<"$help")" -- "$cur"))
    return
  fi
  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$commands" | sort -u)" -- "$cur"))
    return
  fi
  if [[ $command != *" "* ]] && grep -q "^$command " <<<"$commands"; then
    COMPREPLY=($(compgen -W "$(sed -n "s/^$command //p" <<<"$commands")" -- "$cur"))
    return
  fi
  if [[ $command == help ]]; then
    COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$commands" | sort -u)" -- "$cur"))
    return
  fi
  # Arguments are files and folders of the host (devicectl's device paths included,
  # which the shell cannot know).
  COMPREPLY=($(compgen -f -- "$cur"))
}

complete -o filenames -F _ce_tool pkgtool devicectl
