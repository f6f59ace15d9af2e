# The Wine environment of every script here: the project's 32-bit prefix,
# with Wine's own messages off unless WINEDEBUG says otherwise. Sourced, not
# run:  . "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tier}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
