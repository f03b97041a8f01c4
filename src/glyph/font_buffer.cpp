#include "glyph/font.h"

std::array<unsigned char, font_size> font_buffer{};
editor_state_t editor_state;
bool font_has_unsaved_changes;

unsigned char *current_glyph()
{
    return font_buffer.data() + glyph_height * editor_state.current_char;
}
