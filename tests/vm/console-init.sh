#!/bin/sh
# The first process of the virtual machine: runs the editor on the real
# console tty1, reads its screen from /dev/vcsa1, prints one
# "RESULT name PASS|FAIL" line per scenario on the serial console, then
# powers off. The kernel command line names the scenarios of this boot,
# console_scenarios=text (a VGA text console) or framebuffer (fbcon at
# 1280x1024), which the kernel hands on here as a variable. The editor runs
# as nobody: on its own console (setsid -c) it may change the font,
# elsewhere it may not.
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

# console_font SEED WxH GLYPHS FILE: a patterned font put on the console
# and read back into FILE, its glyphs as PSF stores them.
console_font() {
    $h set "$1" "$2" "$3" && [ "$($h get "$4")" = "$2 $3" ]
}

# psf_holds FILE HEADER GLYPHS: FILE is a PSF header of HEADER bytes
# followed by exactly the glyphs in the file GLYPHS.
psf_holds() {
    [ "$(wc -c <"$1")" -eq $(($2 + $(wc -c <"$3"))) ] && tail -c +$(($2 + 1)) "$1" | cmp - "$3"
}

# differs_by_one_bit A B OFFSET MASK: the files differ in one bit only,
# bit MASK of the byte at OFFSET (counted from 0).
differs_by_one_bit() {
    set -- "$3" "$4" $(cmp -l "$1" "$2")
    [ $# -eq 5 ] && [ "$3" -eq $(($1 + 1)) ] && [ $((0$4 ^ 0$5)) -eq "$2" ]
}

up=$(printf '\033[A')
left=$(printf '\033[D')

console_font 2 8x16 256 editor.font

c_on_256_glyphs() {
    console_font 1 8x16 256 before.font &&
    start_editor own editor.font &&
    press C "Font saved to console" &&
    [ "$($h get console.font)" = "8x16 256" ] &&
    cmp editor.font console.font
}

c_keeps_glyphs_256_to_511() {
    console_font 3 8x16 512 before.font &&
    start_editor own editor.font &&
    press " " "Char 065" && save_as edited.font && ! cmp -s edited.font editor.font &&
    press C "Font saved to console" &&
    [ "$($h get console.font)" = "8x16 512" ] &&
    tail -c 4096 before.font >upper.font && cat edited.font upper.font >expected.font &&
    cmp expected.font console.font
}

# All 512 glyphs come in, so the font is saved as PSF1.
d_brings_the_console_font_in_and_u_takes_it_back() {
    console_font 4 8x16 512 console.font &&
    start_editor own editor.font &&
    press D "Font loaded from console." &&
    save_as taken.font && psf_holds taken.font 4 console.font &&
    press U "Undone: console load" && save_as undone.font && cmp editor.font undone.font
}

# After D a save to a new PSF name writes a new PSF1, not the PSF loaded
# before; and the font counts as saved, so a hang-up leaves no rescue copy.
d_forgets_the_psf_loaded_and_leaves_the_font_saved() {
    console_font 7 8x16 256 console.font &&
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
    console_font 5 8x16 256 console.font &&
    start_editor own &&
    $h wait "Font loaded from console." $wait_seconds &&
    save_as started.font &&
    cmp console.font started.font
}

refused_c_leaves_both_fonts_alone() {
    console_font 6 8x16 512 before.font &&
    start_editor foreign editor.font &&
    press C "Not allowed to change this console's font." &&
    save_as kept.font && cmp editor.font kept.font &&
    [ "$($h get console.font)" = "8x16 512" ] && cmp before.font console.font
}

# The size C works out is the one the kernel then gives the font.
c_refuses_a_font_that_leaves_the_console_too_small() {
    console_font 7 8x16 256 before.font &&
    $h psf 8 8x18 256 tall.psf &&
    start_editor own tall.psf &&
    press C "The font would make the console 80x22; the editor needs 80x24." &&
    [ "$($h get console.font)" = "8x16 256" ] && cmp before.font console.font &&
    stop_editor && $h set 8 8x18 256 && [ "$($h size)" = "80x22" ]
}

# fbcon on 1280x1024 is 80x32 with a 16x32 font.
d_takes_a_16x32_console_font_of_512_glyphs() {
    console_font 9 16x32 512 console.font &&
    start_editor own editor.font &&
    press D "Font loaded from console." &&
    save_as taken.psf && psf_holds taken.psf 32 console.font
}

# Up and Left wrap to the bottom-right pixel of glyph 65, row 31, second
# byte, lowest bit; Space toggles it.
c_puts_one_edited_pixel_of_a_16x32_font_back() {
    console_font 10 16x32 512 before.font &&
    start_editor own &&
    $h wait "Font loaded from console." $wait_seconds &&
    press "$up$left C" "Font saved to console" &&
    [ "$($h get after.font)" = "16x32 512" ] &&
    differs_by_one_bit before.font after.font $((65 * 64 + 31 * 2 + 1)) 1
}

# Another program puts an 8x16 font on the console; D brings it in, and
# the cursor comes back from the bottom-right pixel of a 16x32 glyph to
# that of an 8x16 one, where Space toggles it.
d_of_a_smaller_console_font_keeps_the_cursor_inside_it() {
    console_font 13 16x32 512 first.font &&
    start_editor own &&
    $h wait "Font loaded from console." $wait_seconds &&
    $h type "$up$left" && console_font 14 8x16 256 before.font &&
    press "D C" "Font saved to console" &&
    [ "$($h get after.font)" = "8x16 256" ] &&
    differs_by_one_bit before.font after.font $((65 * 16 + 15)) 1
}

# The console becomes 160x73, and the editor redraws itself to fill it.
c_puts_an_8x14_font_of_512_glyphs_on_a_16x32_console() {
    console_font 11 16x32 512 before.font &&
    $h psf 12 8x14 512 small.psf &&
    start_editor own small.psf &&
    press C "Font saved to console" &&
    [ "$($h get console.font)" = "8x14 512" ] && psf_holds small.psf 32 console.font &&
    [ "$($h size)" = "160x73" ] && $h wait-bottom "Font saved to console" $wait_seconds
}

# Debian 12's kernel (6.1) does not know the call for fonts taller than 32 rows:
# C says so, and both fonts stay as they were. 8x40 leaves the console 160x25.
c_of_a_font_taller_than_32_rows_reports_the_kernels_answer() {
    console_font 15 16x32 512 before.font &&
    $h psf 16 8x40 512 tall.psf &&
    start_editor own tall.psf &&
    press C "The console refused the font: fonts over 32x32 need Linux 6.2 or later." &&
    save_as kept.psf && cmp tall.psf kept.psf &&
    [ "$($h get console.font)" = "16x32 512" ] && cmp before.font console.font
}

text_scenarios="c_on_256_glyphs c_keeps_glyphs_256_to_511 d_brings_the_console_font_in_and_u_takes_it_back
                d_forgets_the_psf_loaded_and_leaves_the_font_saved
                start_without_file_brings_the_console_font_in refused_c_leaves_both_fonts_alone
                c_refuses_a_font_that_leaves_the_console_too_small"
framebuffer_scenarios="d_takes_a_16x32_console_font_of_512_glyphs c_puts_one_edited_pixel_of_a_16x32_font_back
                       d_of_a_smaller_console_font_keeps_the_cursor_inside_it
                       c_puts_an_8x14_font_of_512_glyphs_on_a_16x32_console
                       c_of_a_font_taller_than_32_rows_reports_the_kernels_answer"
eval "scenarios=\$${console_scenarios}_scenarios"
for scenario in $scenarios; do
    $scenario
    result=$?
    stop_editor
    report $scenario $result
done
sync
poweroff -f
