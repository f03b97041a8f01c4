// The prompts on the status line: jumping to a glyph by number, loading and
// saving the font by file name.
#pragma once

// Asks for a glyph number and makes it the current glyph (mod 256).
void prompt_char_number();

// Ask for a file name, starting from font_file_name, remember it, and load
// the font from it or save the font to it, reporting on the status line.
void prompt_load();
void prompt_save();
