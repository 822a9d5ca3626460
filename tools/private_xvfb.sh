# Sourced by the scripts that run the real program under an X server of their own.
# start_private_xvfb SCRATCH WHO starts Xvfb (1024x768, 24 bits) on a display it picks itself,
# waits until it is up and exports DISPLAY; the server's pid is left in xvfb_pid for the
# caller's cleanup. When the server does not come up within 20 s: one line under WHO's name,
# the server's own log, and exit 1.
start_private_xvfb() {
    local scratch=$1 who=$2
    # The server writes the number of the display it chose to descriptor 3.
    exec 3>"$scratch/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$scratch/xvfb.log" &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 200); do
        [ -s "$scratch/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$scratch/display" ]; then
        echo "$who: Xvfb did not start" >&2
        cat "$scratch/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$scratch/display")"
}
