// Every text the status line can show, at its widest, fits the 80 columns of
// the smallest terminal the editor runs on, with a file name of 20
// characters where one appears. The texts are gathered here from the code
// that shows them; those made by the font model come from it.
#include "fake_file_calls.h"
#include "fontfile_test_support.h"
#include "fontfile/unicode_text.h"
#include "glyph/undo_history.h"

#include <climits>

namespace {

using status_line = font_file_test;

std::string system_error(const char *step, int error)
{
    return std::string(step) + ": " + strerror(error);
}

TEST_F(status_line, every_message_fits_80_columns_with_a_20_character_file_name)
{
    const std::string name = "a-font-of-twenty.psf";
    // Writing in place, as for a file of two names, runs out of space, and
    // so does writing the old bytes back.
    std::string file = write_file(name, sample_font(1));
    ASSERT_EQ(link(file.c_str(), path("other-name").c_str()), 0);
    inject_file_fault({file_call::write, 2, ENOSPC, true, true});
    EXPECT_EQ(save_file_bytes(file.c_str(), sample_font(2).data(), classic_font_size), -1);
    inject_file_fault({});
    const std::string unrestored = error_text;
    EXPECT_NE(unrestored.find(strerror(ENOSPC)), std::string::npos) << unrestored;
    EXPECT_NE(unrestored.find("could not be restored"), std::string::npos) << unrestored;

    const std::string load_errors[] = {
        system_error("open", ELOOP), system_error("read", EIO), "a terminal cannot be a font file",
        "file is empty", "file is too short", "file is larger than 80 MiB",
        "uudecode: unexpected end of file", "not a uuencoded file (no begin)",
        "gzip: unexpected end of file", "gzip: more than 80 MiB uncompressed", "gzip: compressed twice",
        "gzip: invalid code -- missing end-of-block", "damaged PSF header",
        "PSF font of 999x999, 9999999 glyphs: at most 64x128 and 65536 glyphs", "unsupported PSF1 mode 255",
    };
    const std::string save_errors[] = {
        system_error("open", ELOOP), "open: nothing reads from this pipe", system_error("read", EAGAIN),
        "a terminal cannot be a font file", unrestored,
    };
    std::vector<std::string> messages = {
        "New character #: 255", "Load from file: " + name, "Save to file: " + name,
        "Load canceled.", "Save canceled.", "Font loaded.", "Font saved.",
        "Character 255 pushed to stack (new stack size " + std::to_string(INT_MAX) + ").",
        "Not enough memory to push character 255 (stack size " + std::to_string(INT_MAX) + ").",
        "Stack is already empty, can't pop.",
        "Character 511 poped from stack (new stack size " + std::to_string(INT_MAX) + "). 32x32 into 32x32.",
        // A billion copies of even 1x1 glyphs would take 3 GB.
        "Character 65535 poped from stack (new stack size 999999999). 64x128 into 64x127.",
        "No console interaction is supported under this OS", "The console refused the font.",
        "The console is not in text mode.", "This console has no loadable font.",
        "Not allowed to change this console's font.", "The console font is too large to read.",
        strerror(ENOTTY),
        "The console font is 32x32 with 512 glyphs: its glyphs 256-511 cannot be kept.",
        "The font has 511 glyphs: a console takes only 256 or 512.",
        "The font would make the console 40x16; the editor needs 80x24.",
        "Font loaded from console.", "Font saved to console.",
        "Font saved to console. Glyph 32 is not blank: it fills the background.",
    };
    // The / and = prompts' own refusals, from the code that makes them, at
    // their longest.
    const std::string long_entry(40, '9');
    for (const char *field : {"ab", "U+zzzz", "", "U+D800", "U+10FFFFF"})
        messages.push_back(parse_find_field(field).error);
    for (const std::string &field : {"U+" + long_entry, std::string("U+FFFE"), "U+0041+" + long_entry, std::string("U+110000")})
        messages.push_back(parse_entries(field).error);
    messages.push_back(psf1_refusal({{0x10FFFF, 0x1F600}}));
    messages.push_back(read_unicode_table(std::vector<unsigned char>{0xc3, 0xff}, 2, 512).error);
    messages.insert(messages.end(),
                    {"Find character: U+10FFFF", "Characters: U+0041 U+0410 U+0391 U+24B6",
                     short_entry(table_entry(8, 0x10FFFF)) + " is not in this font.",
                     "This font has no Unicode table. Press = to give the current glyph characters.",
                     "This font's Unicode table cannot be read; it is kept as it is.",
                     "Char 65535's characters take 2400000 columns; = can edit at most 32766.",
                     "Font saved. Written as PSF: only PSF holds a Unicode table.",
                     "Characters of char 511 set. Taken from chars 507, 508, 509, 510 and 507 more.",
                     "The console refused the font: a VGA console takes only 8-pixel-wide fonts.",
                     "The console refused the font: fonts over 32x32 need Linux 6.2 or later."});
    for (const std::string &text : load_errors)
        messages.push_back("Load error: " + text);
    for (const std::string &text : save_errors)
        messages.push_back("Save error: " + text);
    // As many steps left as the history holds.
    for (history_change change : {history_change{step_kind::toggle, 65535, 127, 63, "", 10921},
                                  history_change{step_kind::pop, 65535, 0, 0, "", 3448},
                                  history_change{step_kind::whole_font, 0, 0, 0, "load of " + name, 14},
                                  history_change{step_kind::whole_font, 0, 0, 0, "console load", 14},
                                  history_change{step_kind::characters, 65535, 0, 0, "characters of char 65535", 14}}) {
        messages.push_back(change_message(change, true));
        messages.push_back(change_message(change, false));
    }
    for (const std::string &message : messages)
        EXPECT_LE(message.size(), 80u) << message;
}

}  // namespace
