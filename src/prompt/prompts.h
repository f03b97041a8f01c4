// The prompts on the status line: jumping to a glyph by number, loading and
// saving the font by file name.
#pragma once

#include "glyph/font.h"  // font_file_name

#include <optional>
#include <string>

// Asks for a glyph number and makes it the current glyph (modulo the
// font's glyph count).
void prompt_char_number();
// The asking alone: the glyph, or -1 on Escape.
int ask_char_number();

// Ask for a file name, starting from font_file_name, remember it, and load
// the font from it or save the font to it, reporting on the status line.
void prompt_load();
void prompt_save();

// `/` asks for a character, typed or as U+ and its code, or a sequence, and
// makes current the lowest-numbered glyph that draws it; a font without a
// Unicode table says so.
void prompt_find_character();
// The asking alone: the glyph found, or -1 when none was (the status line
// then says why where there is a reason to give).
int ask_glyph_by_character();
// `=` asks for the characters the current glyph draws, starting from those
// it draws now (none in a font without a table), and gives it exactly
// those, as one step to undo; a list too long to edit is refused, saying so.
void prompt_glyph_characters();

// Asks after `prompt` on the status line, starting from `start`: the text
// accepted, each byte as typed, or nothing on Escape.
std::optional<std::string> ask_text(const char *prompt, const std::string &start);
