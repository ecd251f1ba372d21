# bash completion for tessaly-convert

_tessaly_convert() {
    local cur prev
    if declare -F _init_completion >/dev/null; then
        _init_completion -s || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi

    local values=
    case $prev in
    -s | --size) values="16 24 32 48 64 256 16,32,48,256" ;;
    -c | --colors) values="16 256 true" ;;
    -m | --mask) values="auto none" ;;
    -f | --format) values="ico mico bmp" ;;
    -j | --jobs) values="1 2 4 8" ;;
    -o | --output)
        if declare -F _filedir >/dev/null; then
            _filedir
        else
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        return
        ;;
    -h | --help | --version) return ;;
    esac
    if [[ -n $values ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$values" -- "$cur")
        return
    fi

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "--size --colors --mask --format --output
            --jobs --no-replace --quiet --help --version" -- "$cur")
        return
    fi
    if declare -F _filedir >/dev/null; then
        _filedir '@(bmp|BMP|jpg|JPG|jpeg|JPEG|gif|GIF|ico|ICO|png|PNG|svg|SVG)'
    else
        mapfile -t COMPREPLY < <(compgen -f -X '!*.@(bmp|BMP|jpg|JPG|jpeg|JPEG|gif|GIF|ico|ICO|png|PNG|svg|SVG)' -- "$cur"
            compgen -d -- "$cur")
    fi
} && complete -F _tessaly_convert tessaly-convert
