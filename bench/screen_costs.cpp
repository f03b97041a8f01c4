// The real editor on a pseudo-terminal: bytes sent per command, time to the
// first full screen, peak resident memory of an editing session.
#include "bench.h"

#include "fontfile/fontfile.h"
#include "terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <utility>
#include <vterm.h>

namespace {

constexpr int first_glyph = 65;
constexpr int page_steps = 32;
constexpr int screen_rows = 24;  // the harness's terminal, the smallest the editor takes
constexpr int screen_cols = 80;
constexpr int start_up_runs = 101;
constexpr size_t no_target = 0;

// Prints `bytes` with control characters spelled out.
void show(const std::string &label, const std::string &bytes)
{
    std::printf("%s (%zu bytes):\n  ", label.c_str(), bytes.size());
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == 0x1b)
            std::printf("\\e");
        else if (byte < 0x20 || byte >= 0x7f)
            std::printf("\\x%02x", byte);
        else
            std::putchar(byte);
    }
    std::printf("\n");
}

terminal_options options_for(const terminal_setup &setup, const std::string &workdir = "")
{
    return {.term = setup.term, .locale = setup.locale, .workdir = workdir};
}

// A number the kernel keeps for a process in /proc/PID/`file`, such as
// VmHWM in status or syscw in io; -1 when it is not there.
long proc_figure(int pid, const std::string &file, const std::string &name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string word;
    long value = -1;
    while (in >> word)
        if (word == name + ":")
            in >> value;
    return value;
}

// What a command sent to the terminal: its bytes, in how many write calls.
struct cost {
    size_t bytes = 0;
    long writes = 0;
};

// The editor on a pseudo-terminal, started with a font and settled.
struct session {
    const terminal_setup &setup;
    bool show_bytes;
    terminal t;

    session(const terminal_setup &s, bool show, const std::string &font_path,
            const std::string &workdir = "")
        : setup(s), show_bytes(show), t({font_path}, options_for(s, workdir))
    {
        t.settle();
    }

    std::string key(const char *cap) const { return key_string(setup.term, cap); }

    long write_calls() const { return proc_figure(t.pid(), "io", "syscw"); }

    // Types `keys`; gives what the editor sent until it waited for the next key.
    std::string sent_for(const std::string &keys)
    {
        size_t before = t.terminal_output().size();
        t.type(keys);
        t.settle();
        return t.terminal_output().substr(before);
    }

    cost cost_of(const std::string &label, const std::string &keys)
    {
        long writes_before = write_calls();
        std::string sent = sent_for(keys);
        if (show_bytes)
            show(label, sent);
        return {sent.size(), write_calls() - writes_before};
    }

    void quit()
    {
        t.type("q");
        t.wait_exit();
    }
};

std::string cost_text(const cost &c)
{
    return printed("%zu B, %ld write%s", c.bytes, c.writes, c.writes == 1 ? "" : "s");
}

figure cost_figure(const std::string &what, const cost &c, size_t target,
                   const std::string &note = "")
{
    return {what, cost_text(c), target == no_target ? "" : printed("<= %zu B", target),
            target == no_target || c.bytes <= target, note};
}

cost costlier(const cost &a, const cost &b)
{
    return a.bytes >= b.bytes ? a : b;
}

cost costliest_cursor_move(session &s)
{
    cost largest;
    for (const char *arrow : {"kcuf1", "kcud1", "kcub1", "kcuu1"})
        largest = costlier(largest, s.cost_of(std::string("cursor move ") + arrow, s.key(arrow)));
    return largest;
}

// A second emulator that follows what the editor sent and notes which cells
// each command wrote: the screen alone cannot tell a cell written again with
// the same character from one left alone.
struct write_watch {
    VTerm *vt = vterm_new(screen_rows, screen_cols);
    VTermScreen *screen = vterm_obtain_screen(vt);
    std::vector<cursor_position> written;

    static int on_damage(VTermRect rect, void *self)
    {
        for (int row = rect.start_row; row < rect.end_row; ++row)
            for (int col = rect.start_col; col < rect.end_col; ++col)
                static_cast<write_watch *>(self)->written.push_back({row, col});
        return 1;
    }

    write_watch()
    {
        static const VTermScreenCallbacks callbacks = {.damage = on_damage};
        vterm_set_utf8(vt, 1);
        vterm_screen_set_callbacks(screen, &callbacks, this);
        vterm_screen_enable_altscreen(screen, 1);
        vterm_screen_reset(screen, 1);
    }
    ~write_watch() { vterm_free(vt); }
    write_watch(const write_watch &) = delete;
    write_watch &operator=(const write_watch &) = delete;

    // The cells `bytes` write, unchanged ones included.
    const std::vector<cursor_position> &cells_written_by(const std::string &bytes)
    {
        written.clear();
        vterm_input_write(vt, bytes.data(), bytes.size());
        vterm_screen_flush_damage(screen);
        return written;
    }
};

// The glyph window's frame as the screen shows it: its corners, and the
// columns of the title, which a page step rewrites.
struct window_frame {
    int top = 5, left = 45, bottom = 5, right = 45;
    int title_end = 45;

    bool holds(cursor_position cell) const
    {
        const bool edge_row = cell.row == top || cell.row == bottom;
        const bool edge_col = cell.col == left || cell.col == right;
        const bool in_rows = cell.row >= top && cell.row <= bottom;
        const bool in_cols = cell.col >= left && cell.col <= right;
        const bool in_title = cell.row == top && cell.col > left && cell.col < title_end;
        return ((edge_row && in_cols) || (edge_col && in_rows)) && !in_title;
    }
};

window_frame frame_on_screen(session &s)
{
    window_frame frame;
    while (frame.right + 1 < screen_cols && s.t.text(frame.top, frame.right, 1) != "┐")
        ++frame.right;
    while (frame.bottom + 1 < screen_rows && s.t.text(frame.bottom, frame.left, 1) != "└")
        ++frame.bottom;
    frame.title_end = frame.left + 1 + static_cast<int>(printed(" Char %03d ", 0).size());
    return frame;
}

// Page steps through a font: their bytes, the pixels that changed in the
// part of the glyph shown, and the steps that wrote any cell of the frame.
struct page_walk {
    cost largest, total;
    int steps = 0;
    int pixels = 0, pixels_of_largest = 0;
    int frame_writes = 0;
};

// Steps from glyph 65, where the editor starts, with the window showing
// the glyph's rows from `first_row` on.
page_walk walk_pages(session &s, const font_value &font, int steps, int first_row)
{
    const window_frame frame = frame_on_screen(s);
    const int end_row = first_row + frame.bottom - frame.top - 1;
    write_watch watch;
    watch.cells_written_by(s.t.terminal_output());
    page_walk walk;
    walk.steps = steps;
    for (int step = 0; step < steps; ++step) {
        const int from = (first_glyph + step) % font.count;
        const int to = (from + 1) % font.count;
        const size_t before = s.t.terminal_output().size();
        const cost c = s.cost_of(printed("page step to %d", to), s.key("knp"));
        const std::vector<cursor_position> &written =
            watch.cells_written_by(s.t.terminal_output().substr(before));
        walk.frame_writes +=
            std::ranges::any_of(written, [&](cursor_position cell) { return frame.holds(cell); });
        const int differing = differing_pixels(font, from, to, first_row, end_row);
        if (c.bytes >= walk.largest.bytes) {
            walk.largest = c;
            walk.pixels_of_largest = differing;
        }
        walk.total.bytes += c.bytes;
        walk.total.writes += c.writes;
        walk.pixels += differing;
    }
    return walk;
}

figure page_step_figure(const std::string &what, const page_walk &walk, size_t target)
{
    figure result = cost_figure(printed("%s, largest of %d", what.c_str(), walk.steps),
                                walk.largest, target,
                                printed("%d pixels differ on average, %d in the largest step",
                                        walk.pixels / walk.steps, walk.pixels_of_largest));
    result.target += result.target.empty() ? "frame untouched" : ", frame untouched";
    result.met = result.met && walk.frame_writes == 0;
    result.detail = "; mean " + cost_text({walk.total.bytes / static_cast<size_t>(walk.steps),
                                           walk.total.writes / walk.steps});
    if (walk.frame_writes > 0)
        result.detail += printed("; %d steps wrote on the frame", walk.frame_writes);
    return result;
}

// Every glyph of a 16x32 font, paged through on 80x24, where the window
// shows 16 of its 32 rows: first the top ones, as the font opens, then the
// middle ones, which hold most of the letters' pixels.
std::vector<figure> tall_page_figures(const terminal_setup &setup, bool show_bytes)
{
    const std::string top = "16x32 page step, top rows shown";
    const std::string middle = "16x32 page step, middle rows shown";
    const std::optional<font_value> font = font_from(tall_font_paths[0]);
    if (!font)
        return {{top, "no font"}, {middle, "no font"}};
    session s(setup, show_bytes, tall_font_paths[0]);
    const page_walk from_top = walk_pages(s, *font, font->count, 0);
    const window_frame frame = frame_on_screen(s);
    const int middle_row = 8, shown_rows = frame.bottom - frame.top - 1;
    std::string down;
    for (int row = 0; row < middle_row + shown_rows - 1; ++row)
        down += s.key("kcud1");
    s.sent_for(down);
    const page_walk from_middle = walk_pages(s, *font, font->count, middle_row);
    s.quit();
    return {page_step_figure(top, from_top, no_target),
            page_step_figure(middle, from_middle, no_target)};
}

std::vector<figure> command_figures(session &s, const font_bytes &font)
{
    const cost start_up{s.t.terminal_output().size(), s.write_calls()};
    if (s.show_bytes)
        show("start-up", s.t.terminal_output());
    const cost cursor_move = costliest_cursor_move(s);
    // The first change also adds "modified" to row 1; a later toggle, of
    // another pixel, costs the pixel alone.
    const cost first_change = s.cost_of("first change", " ");
    s.sent_for(s.key("kcuf1"));
    const cost toggle = s.cost_of("pixel toggle", " ");
    return {
        cost_figure("start-up to the full first screen", start_up, no_target),
        cost_figure("cursor move, largest of the four arrows", cursor_move, 8),
        cost_figure("first change: a toggle, and \"modified\" on row 1", first_change, no_target),
        cost_figure("pixel toggle", toggle, 12),
        page_step_figure("page step", walk_pages(s, classic_font(font), page_steps, 0), 200),
        cost_figure("wide mode on", s.cost_of("wide mode on", "w"), no_target),
        cost_figure("wide mode off", s.cost_of("wide mode off", "w"), no_target,
                    "repaints the whole screen, as going back to narrow must"),
        cost_figure("status message (C)", s.cost_of("status message", "c"), no_target,
                    "every message repaints the whole screen (wclear)"),
    };
}

// The overview of the 256 glyphs: opening it repaints the screen with its
// hint; a move of the selection rewrites two labels, a page the pictures.
std::vector<figure> overview_figures(session &s)
{
    const cost opening = s.cost_of("overview opened", "v");
    const cost move = s.cost_of("overview move right", s.key("kcuf1"));
    const cost page = s.cost_of("overview page down", s.key("knp"));
    s.sent_for("\x1b");
    return {cost_figure("overview opened", opening, no_target, "one full repaint: the pictures and the hint"),
            cost_figure("overview selection move", move, 40, "two labels"),
            cost_figure("overview page", page, no_target, "two rows of 9 glyphs drawn anew, one in C")};
}

double milliseconds_to_first_screen(const terminal_setup &setup, const std::string &font_path)
{
    auto start = std::chrono::steady_clock::now();
    terminal t({font_path}, options_for(setup));
    // The glyph window is refreshed last; its bottom edge ends the first screen.
    t.wait_for_text(22, 45, "└──────────┘");
    std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (t.cursor() != cursor_position{6, 47})
        std::fprintf(stderr, "warning: the cursor had not reached the pixel cursor\n");
    t.type("q");
    t.wait_exit();
    return elapsed.count();
}

figure start_up_time_figure(const terminal_setup &setup, const std::string &font_path)
{
    std::vector<double> times;
    for (int run = 0; run < start_up_runs; ++run)
        times.push_back(milliseconds_to_first_screen(setup, font_path));
    double middle = median(times);
    return {printed("start-up to the full first screen, median of %d", start_up_runs),
            printed("%.2f ms", middle), "< 15 ms", middle < 15, ""};
}

// The session's peak resident memory, and its own memory at the end
// (RssAnon), which varies far less from run to run than what the shared
// libraries add to the peak.
figure session_memory(const session &s, const std::string &what, int limit_mib = 5)
{
    const long peak = proc_figure(s.t.pid(), "status", "VmHWM");
    const long own = proc_figure(s.t.pid(), "status", "RssAnon");
    return {what, printed("%.2f MiB", static_cast<double>(peak) / 1024), printed("< %d MiB", limit_mib),
            peak < limit_mib * 1024L, printed("VmHWM; %ld KiB its own (RssAnon) at the end", own)};
}

// Loads, edits, copies glyphs, saves and loads again, then reads the peak.
figure peak_memory_figure(const terminal_setup &setup, const scratch_dir &dir,
                          const std::string &font_name)
{
    session s(setup, false, font_name, dir.path.string());
    const std::string down = s.key("kcud1"), next = s.key("knp");
    s.sent_for(" " + down + " " + next + next + "p" + next + "o" + "w w" + "#200\r");
    s.sent_for("s\r");
    s.sent_for("l\r");
    figure memory = session_memory(s, "peak resident memory: load, edit, save, load");
    s.quit();
    if (dir.read(font_name) == varied_font())
        memory.note += "; the save did not happen";
    return memory;
}

// A font as the system ships them: gzip-compressed PSF. When the system has
// none, a made-up one that is larger: 512 glyphs and a Unicode table.
std::pair<font_bytes, std::string> console_font_file()
{
    const std::string real = "/usr/share/consolefonts/Lat15-Fixed16.psf.gz";
    std::ifstream in(real, std::ios::binary);
    if (in)
        return {font_bytes(std::istreambuf_iterator<char>(in), {}), "Lat15-Fixed16.psf.gz"};
    const font_bytes glyphs = varied_font();
    font_bytes psf = {0x36, 0x04, 0x03, 16};
    for (int half = 0; half < 2; ++half)
        psf.insert(psf.end(), glyphs.begin(), glyphs.end());
    for (int c = 0; c < 512; ++c) {
        const auto low = static_cast<unsigned char>(c), high = static_cast<unsigned char>(c >> 8);
        psf.insert(psf.end(), {low, high, 0xff, 0xff});  // U+00xx or U+01xx, then the end mark
    }
    return {system_tool_output("gzip -9c", psf), "a made-up 512-glyph PSF with a table, compressed"};
}

// Loads a compressed PSF font, toggles a pixel and saves it under its name,
// which unpacks the file it replaces and compresses the new one.
figure psf_memory_figure(const terminal_setup &setup, const scratch_dir &dir)
{
    const auto [packed, which] = console_font_file();
    dir.write("console.psf.gz", packed);
    session s(setup, false, "console.psf.gz", dir.path.string());
    s.sent_for(" s\r");
    figure memory =
        session_memory(s, "peak resident memory: load, edit, save a compressed PSF font");
    memory.note += "; " + which;
    if (s.t.row_text(23).rfind("Font saved.", 0) != 0 || dir.read("console.psf.gz") == packed)
        memory.note += "; the save did not happen";
    s.quit();
    return memory;
}

// Reloads the font again and again: the undo history keeps the 4 KiB font
// each load replaced, and stays within its budget by dropping the oldest.
figure many_loads_memory_figure(const terminal_setup &setup, const scratch_dir &dir,
                                const std::string &font_name)
{
    session s(setup, false, font_name, dir.path.string());
    std::string hundred_loads;
    for (int i = 0; i < 100; ++i)
        hundred_loads += "l\r";
    for (int i = 0; i < 100; ++i)
        s.sent_for(hundred_loads);
    figure memory = session_memory(s, "peak resident memory: 10,000 loads");
    if (s.t.row_text(23).rfind("Font loaded.", 0) != 0)
        memory.note += "; the loads failed";
    s.quit();
    return memory;
}

// Loads one 16x32 font of 512 glyphs after another, edits each (two
// toggles, a push and a pop), then undoes everything the history holds.
figure tall_memory_figure(const terminal_setup &setup)
{
    constexpr size_t loads = 12;
    const std::string what =
        printed("peak resident memory: %zu loads of 16x32 fonts, edits, undo all", loads);
    if (!font_from(tall_font_paths[0]))
        return {what, "no font"};
    session s(setup, false, tall_font_paths[0]);
    const std::string edit = " " + s.key("kcud1") + " p" + s.key("knp") + "o";
    for (size_t load = 1; load <= loads; ++load)
        s.sent_for("l\x15" + tall_font_paths[load % tall_font_paths.size()] + "\r" + edit);
    int loads_undone = 0;
    auto all_undone = [&s] {
        return s.t.row_text(23).find("(nothing more to undo).") != std::string::npos;
    };
    for (int undo = 0; undo < 1000 && !all_undone(); ++undo) {
        s.sent_for("u");
        loads_undone += s.t.row_text(23).starts_with("Undone: load of");
    }
    figure memory = session_memory(s, what);
    memory.note += printed("; %d loads undone", loads_undone);
    s.quit();
    return memory;
}

// Ten loads of the font under its name, a toggle after each, then U until
// nothing is left: how many loads were undone.
int ten_loads_undone(session &s)
{
    for (int load = 0; load < 10; ++load)
        s.sent_for("l\r ");
    int loads_undone = 0;
    for (int undo = 0; undo < 100 && s.t.row_text(23).find("(nothing more to undo).") == std::string::npos; ++undo) {
        s.sent_for("u");
        loads_undone += s.t.row_text(23).starts_with("Undone: load of");
    }
    return loads_undone;
}

// Loads ten 64x128 fonts of 512 glyphs, the largest a console takes, each
// with a toggle, then undoes all: the history keeps eight of them.
figure largest_console_fonts_figure(const terminal_setup &setup, const scratch_dir &dir)
{
    dir.write("64x128.psf", patterned_psf2(64, 128, 512));
    session s(setup, false, "64x128.psf", dir.path.string());
    const int loads_undone = ten_loads_undone(s);
    figure memory = session_memory(s, "peak resident memory: 10 loads of a 64x128 font of 512 glyphs, a toggle each, undo all", 16);
    memory.note += printed("; %d loads undone", loads_undone);
    s.quit();
    return memory;
}

// Terminus's BDF as pcf2bdf makes it from Debian's PCF (1,325 glyphs, kept
// as text): /, #, a toggle, =, S under its name, ten loads, then undo all.
figure terminus_bdf_memory_figure(const terminal_setup &setup, const scratch_dir &dir)
{
    const std::string what = "peak resident memory: Terminus's BDF, edits, S, 10 loads, undo all";
    const std::string pcf = "/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz";
    if (!std::filesystem::exists(pcf))
        return {what, "no font: install xfonts-terminus and pcf2bdf"};
    dir.write("ter.bdf", system_tool_output("pcf2bdf", dir.read(pcf)));
    session s(setup, false, "ter.bdf", dir.path.string());
    s.sent_for("/A\r #1324\r =\x15U+2603\r" + s.key("knp") + " s\r");
    const bool saved = s.t.row_text(23).starts_with("Font saved.");
    const int loads_undone = ten_loads_undone(s);
    figure memory = session_memory(s, what, 16);
    memory.note += printed("; %d loads undone", loads_undone) + (saved ? "" : "; the save did not happen");
    s.quit();
    return memory;
}

// The largest font the editor takes, 65,536 glyphs of 64x128 (64 MiB):
// start-up, a page back to the last glyph, # to another, a toggle, a save.
std::vector<figure> largest_font_figures(const terminal_setup &setup, const scratch_dir &dir)
{
    dir.write("largest.psf", patterned_psf2(64, 128, 65536));
    const auto start = std::chrono::steady_clock::now();
    session s(setup, false, "largest.psf", dir.path.string());
    auto since = [](std::chrono::steady_clock::time_point from) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
    };
    figure opened{"start-up on a 64x128 PSF2 font of 65,536 glyphs (64 MiB)", printed("%.0f ms", since(start)), "", true, ""};
    auto step = std::chrono::steady_clock::now();
    s.sent_for(s.key("kpp") + s.key("kpp") + "#1324\r ");
    figure moved{"then PgUp twice, #1324 and a toggle", printed("%.1f ms", since(step)), "", true, ""};
    step = std::chrono::steady_clock::now();
    s.sent_for("s\r");
    figure saved{"then S under its name", printed("%.0f ms", since(step)), "", true, s.t.row_text(23).substr(0, 12)};
    figure memory = session_memory(s, "peak resident memory of that session", 256);
    s.quit();
    return {opened, moved, saved, memory};
}

} // namespace

std::vector<figure> byte_figures(const terminal_setup &setup, bool show_bytes)
{
    scratch_dir dir;
    const font_bytes font = varied_font();
    session s(setup, show_bytes, dir.write("varied.font", font));
    std::vector<figure> figures = command_figures(s, font);
    for (figure &f : overview_figures(s))
        figures.push_back(f);
    s.quit();
    for (figure &f : tall_page_figures(setup, show_bytes))
        figures.push_back(f);
    return figures;
}

std::vector<figure> run_figures(const terminal_setup &setup)
{
    scratch_dir dir;
    const std::string font_path = dir.write("varied.font", varied_font());
    std::vector<figure> figures = {start_up_time_figure(setup, font_path), peak_memory_figure(setup, dir, "varied.font"),
                                   many_loads_memory_figure(setup, dir, "varied.font"), psf_memory_figure(setup, dir),
                                   tall_memory_figure(setup), largest_console_fonts_figure(setup, dir),
                                   terminus_bdf_memory_figure(setup, dir)};
    for (const figure &f : largest_font_figures(setup, dir))
        figures.push_back(f);
    return figures;
}
