# Shared by the soak scripts: resident memory, its judgement, and the close request
# a window manager sends. Source it: source "$(dirname "$0")/soak_lib.sh"

# Resident memory of process PID in KiB.
rss() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# memory_ends SAMPLES...: prints the medians of the first and the last quarter of
# the samples, so a single early or late spike decides nothing.
memory_ends() {
  local count=$# quarter=$((($# + 3) / 4)) samples=("$@")
  echo "$(median "${samples[@]:0:quarter}") $(median "${samples[@]:count-quarter}")"
}

# close_window WINDOW: what a window manager sends for the close button,
# WM_PROTOCOLS / WM_DELETE_WINDOW, to the X window WINDOW on $DISPLAY.
close_window() {
  python3 - "$1" <<'EOF'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = ClientMessage(type=33, window=window, format=32,
                      message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
EOF
}
