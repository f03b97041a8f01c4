// The keys C and D: the font exchanged with the Linux virtual console the
// editor runs on. Elsewhere both only say that there is no such exchange.
#pragma once

// C: font_buffer onto the console, at its own size and count.
void save_font_to_console();

// D: the console's whole font into font_buffer, as one step to undo.
void load_font_from_console();

// A start without a file: the same, as the font the run starts with.
void start_with_console_font();
