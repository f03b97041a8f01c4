// A one-line text field on a screen row, scrolling sideways when the text
// is longer than the field.
#pragma once

// Lets the user edit `text` (a buffer of at least `capacity` bytes holding
// the starting text, at most capacity - 1 characters) in the field at
// `screen_row`, columns screen_col to screen_col + width - 1. With
// `digits_only` only 0 to 9 can be typed. Returns `text`, zero-terminated,
// when the user accepts with Enter; nullptr on Escape or a failed read, when
// `text` may hold a partial edit.
char *edit_line(char *text, int capacity, int screen_row, int screen_col, int width,
                bool digits_only);
