#!/bin/sh
# The first process of the virtual machine: runs the editor on the real VGA
# text console tty1, reads its screen from /dev/vcs1, prints one
# "RESULT name PASS|FAIL" line per scenario on the serial console, then
# powers off. The editor runs as nobody: on its own console (setsid -c)
# it may change the font, elsewhere it may not.
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
export PATH=/bin TERM=linux TERMINFO=/terminfo LC_ALL=C HOME=/tmp
chmod 1777 /tmp
chmod 666 /dev/tty1
cd /tmp

h=vt_helper
wait_seconds=120
editor_pid=

# start_editor own|foreign [font file]
start_editor() {
    $h flush
    printf '\033[H\033[2J' >/dev/tty1
    if [ "$1" = own ]; then control=-c; else control=; fi
    shift
    setsid $control $h as-nobody /bin/quorvalen "$@" </dev/tty1 >/dev/tty1 2>&1 &
    editor_pid=$!
    $h wait " Keys " $wait_seconds
}

stop_editor() {
    [ -n "$editor_pid" ] || return
    kill -0 "$editor_pid" 2>/dev/null && $h type q
    tries=0
    while kill -0 "$editor_pid" 2>/dev/null && [ $tries -lt 600 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    kill -9 "$editor_pid" 2>/dev/null
    wait "$editor_pid" 2>/dev/null
    editor_pid=
}

# press KEYS TEXT: types the keys, then waits for the text on the screen.
press() {
    $h type "$1" && $h wait "$2" $wait_seconds
}

# save_as FILE: the editor's font saved to FILE through the S prompt.
save_as() {
    press S "Save to file:" && press "$(printf '\025')$1$(printf '\r')" "Font saved."
}

report() {
    if [ "$2" -eq 0 ]; then echo "RESULT $1 PASS"; else echo "RESULT $1 FAIL"; fi
}

# console_font SEED GLYPHS FILE: a patterned 8x16 font put on the console
# and read back into FILE, 16 bytes a glyph.
console_font() {
    $h set "$1" "$2" && [ "$($h get "$3")" = "8x16 $2" ]
}

console_font 2 256 editor.font

c_on_256_glyphs() {
    console_font 1 256 before.font &&
    start_editor own editor.font &&
    press C "Font saved to console" &&
    [ "$($h get console.font)" = "8x16 256" ] &&
    cmp editor.font console.font
}

c_keeps_glyphs_256_to_511() {
    console_font 3 512 before.font &&
    start_editor own editor.font &&
    press " " "Char 065" && save_as edited.font && ! cmp -s edited.font editor.font &&
    press C "Font saved to console" &&
    [ "$($h get console.font)" = "8x16 512" ] &&
    tail -c 4096 before.font >upper.font && cat edited.font upper.font >expected.font &&
    cmp expected.font console.font
}

d_brings_the_console_font_in_and_u_takes_it_back() {
    console_font 4 512 console.font &&
    start_editor own editor.font &&
    press D "Font loaded from console." &&
    save_as taken.font &&
    head -c 4096 console.font >expected.font && cmp expected.font taken.font &&
    press U "Undone: console load" && save_as undone.font && cmp editor.font undone.font
}

# After D a save to a new PSF name writes a new PSF1, not the PSF loaded
# before; and the font counts as saved, so a hang-up leaves no rescue copy.
d_forgets_the_psf_loaded_and_leaves_the_font_saved() {
    console_font 7 256 console.font &&
    { printf '\066\004\003\020'; cat editor.font editor.font; printf 'A\377\377'; } >first.psf &&
    start_editor own first.psf &&
    press D "Font loaded from console." &&
    save_as new.psf &&
    { printf '\066\004\000\020'; cat console.font; } >expected.psf && cmp expected.psf new.psf &&
    press " " "Char 065" && press D "Font loaded from console." || return 1
    kill -HUP "$editor_pid"
    wait "$editor_pid"
    editor_pid=
    ! ls /tmp/*.save* 2>/dev/null
}

start_without_file_brings_the_console_font_in() {
    console_font 5 256 console.font &&
    start_editor own &&
    $h wait "Font loaded from console." $wait_seconds &&
    save_as taken.font &&
    cmp console.font taken.font
}

refused_c_leaves_both_fonts_alone() {
    console_font 6 512 before.font &&
    start_editor foreign editor.font &&
    press C "Not allowed to change this console's font." &&
    save_as kept.font && cmp editor.font kept.font &&
    [ "$($h get console.font)" = "8x16 512" ] && cmp before.font console.font
}

scenarios="c_on_256_glyphs c_keeps_glyphs_256_to_511 d_brings_the_console_font_in_and_u_takes_it_back
           d_forgets_the_psf_loaded_and_leaves_the_font_saved
           start_without_file_brings_the_console_font_in refused_c_leaves_both_fonts_alone"
for scenario in $scenarios; do
    $scenario
    result=$?
    stop_editor
    report $scenario $result
done
sync
poweroff -f
