// The real editor on a pseudo-terminal: bytes sent per command, time to the
// first full screen, peak resident memory of an editing session.
#include "bench.h"

#include "terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <utility>

namespace {

constexpr int first_glyph = 65;
constexpr int page_steps = 32;
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

figure page_step_figure(session &s, const font_bytes &font)
{
    cost largest, total;
    int pixels = 0, pixels_of_largest = 0;
    for (int step = 0; step < page_steps; ++step) {
        const int from = first_glyph + step;
        cost c = s.cost_of(printed("page step to %d", from + 1), s.key("knp"));
        const int differing = differing_pixels(font, from, from + 1);
        if (c.bytes >= largest.bytes) {
            largest = c;
            pixels_of_largest = differing;
        }
        total.bytes += c.bytes;
        total.writes += c.writes;
        pixels += differing;
    }
    figure result = cost_figure(printed("page step, largest of %d", page_steps), largest, 200,
                                printed("%d pixels differ on average, %d in the largest step",
                                        pixels / page_steps, pixels_of_largest));
    result.detail = "; mean " + cost_text({total.bytes / page_steps, total.writes / page_steps});
    return result;
}

std::vector<figure> command_figures(session &s, const font_bytes &font)
{
    const cost start_up{s.t.terminal_output().size(), s.write_calls()};
    if (s.show_bytes)
        show("start-up", s.t.terminal_output());
    return {
        cost_figure("start-up to the full first screen", start_up, no_target),
        cost_figure("cursor move, largest of the four arrows", costliest_cursor_move(s), 8),
        cost_figure("pixel toggle", s.cost_of("pixel toggle", " "), 12),
        page_step_figure(s, font),
        cost_figure("wide mode on", s.cost_of("wide mode on", "w"), no_target),
        cost_figure("wide mode off", s.cost_of("wide mode off", "w"), no_target,
                    "repaints the whole screen, as going back to narrow must"),
        cost_figure("status message (C)", s.cost_of("status message", "c"), no_target,
                    "every message repaints the whole screen (wclear)"),
    };
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

// Loads, edits, copies glyphs, saves and loads again, then reads the peak.
figure peak_memory_figure(const terminal_setup &setup, const scratch_dir &dir,
                          const std::string &font_name)
{
    session s(setup, false, font_name, dir.path.string());
    const std::string down = s.key("kcud1"), next = s.key("knp");
    s.sent_for(" " + down + " " + next + next + "p" + next + "o" + "w w" + "#200\r");
    s.sent_for("s\r");
    s.sent_for("l\r");
    long kib = proc_figure(s.t.pid(), "status", "VmHWM");
    s.quit();
    bool saved = dir.read(font_name) != varied_font();
    return {"peak resident memory: load, edit, save, load",
            printed("%.2f MiB", static_cast<double>(kib) / 1024), "< 4 MiB", kib < 4096,
            saved ? "VmHWM" : "VmHWM; the save did not happen"};
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
    long kib = proc_figure(s.t.pid(), "status", "VmHWM");
    bool saved = s.t.row_text(23).rfind("Font saved.", 0) == 0 &&
                 dir.read("console.psf.gz") != packed;
    s.quit();
    return {"peak resident memory: load, edit, save a compressed PSF font",
            printed("%.2f MiB", static_cast<double>(kib) / 1024), "< 4 MiB", kib < 4096,
            "VmHWM; " + which + (saved ? "" : "; the save did not happen")};
}

// Reloads the font again and again: each load is a 4 KiB step of the undo
// history, which stays within its budget by dropping the oldest.
figure many_loads_memory_figure(const terminal_setup &setup, const scratch_dir &dir,
                                const std::string &font_name)
{
    session s(setup, false, font_name, dir.path.string());
    std::string hundred_loads;
    for (int i = 0; i < 100; ++i)
        hundred_loads += "l\r";
    for (int i = 0; i < 100; ++i)
        s.sent_for(hundred_loads);
    long kib = proc_figure(s.t.pid(), "status", "VmHWM");
    bool loaded = s.t.row_text(23).rfind("Font loaded.", 0) == 0;
    s.quit();
    return {"peak resident memory: 10,000 loads", printed("%.2f MiB", static_cast<double>(kib) / 1024),
            "< 4 MiB", kib < 4096, loaded ? "VmHWM" : "VmHWM; the loads failed"};
}

} // namespace

std::vector<figure> byte_figures(const terminal_setup &setup, bool show_bytes)
{
    scratch_dir dir;
    const font_bytes font = varied_font();
    session s(setup, show_bytes, dir.write("varied.font", font));
    std::vector<figure> figures = command_figures(s, font);
    s.quit();
    return figures;
}

std::vector<figure> run_figures(const terminal_setup &setup)
{
    scratch_dir dir;
    const std::string font_path = dir.write("varied.font", varied_font());
    return {start_up_time_figure(setup, font_path), peak_memory_figure(setup, dir, "varied.font"),
            many_loads_memory_figure(setup, dir, "varied.font"), psf_memory_figure(setup, dir)};
}
