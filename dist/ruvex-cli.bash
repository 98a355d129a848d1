# bash completion for ruvex-cli
_ruvex_cli() {
    local cur prev command
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    command=${COMP_WORDS[1]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "drives partitions scan recover --help --verbose" -- "$cur"))
        return
    fi
    case $prev in
        --image|--out) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --to) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --mode) COMPREPLY=($(compgen -W "deleted full" -- "$cur")); return ;;
        --drive|--letter|--partition|--only|--file) return ;;
    esac
    local options="--verbose"
    case $command in
        partitions) options+=" --image --drive --deep --json" ;;
        scan) options+=" --image --letter --drive --partition --mode --json --store" ;;
        recover) options+=" --image --letter --drive --partition --mode --to --only --file --out --force" ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _ruvex_cli ruvex-cli
