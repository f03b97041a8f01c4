// The prompts on the status line: jumping to a glyph by number, loading and
// saving the font by file name.
#pragma once

#include "glyph/font.h"  // font_file_name

// Asks for a glyph number and makes it the current glyph (modulo the
// font's glyph count).
void prompt_char_number();

// Ask for a file name, starting from font_file_name, remember it, and load
// the font from it or save the font to it, reporting on the status line.
void prompt_load();
void prompt_save();

// For a font with a Unicode table (others ignore these keys):
// `/` asks for a character, typed or as U+ and its code, and makes current
// the lowest-numbered glyph that draws it.
void prompt_find_character();
// `=` asks for the characters the current glyph draws, starting from those
// it draws now, and gives it exactly those, as one step to undo.
void prompt_glyph_characters();
