# Sourced by the run and test commands when they use Qt's offscreen platform:
# the platform, and the runtime folder Qt asks for (the user's own, as a
# desktop session gives it), so that Qt has nothing to say about it.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
if [ -O "$XDG_RUNTIME_DIR" ]; then chmod 700 "$XDG_RUNTIME_DIR"; fi
