// Measured inside this process: the glyph stack's and the undo history's
// memory, the time to load and save a font, to undo and redo.
#include "bench.h"

#include "fontfile/fontfile.h"
#include "glyph/glyph_stack.h"
#include "glyph/undo_history.h"

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <utility>

namespace {

constexpr int stack_pushes = 1'000'000;
constexpr int toggles = 1'000'000;
constexpr size_t room_for_every_toggle = 8 * toggles;  // a toggle takes 5 bytes of the ring
constexpr int file_runs = 2001;

// Heap bytes in use, the blocks malloc took straight from mmap included.
size_t heap_in_use()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Pushes a glyph of the font being edited, an 8x16 one.
figure stack_entry_figure()
{
    glyph_stack *stack = stack_create();
    const glyph_copy copy = copy_glyph(font_buffer, 65);
    const size_t before = heap_in_use();
    for (int i = 0; i < stack_pushes; ++i)
        stack_push(*stack, copy);
    const double per_entry = static_cast<double>(heap_in_use() - before) / stack_pushes;
    delete stack;
    return {"memory per glyph-stack entry, after 1,000,000 pushes", printed("%.1f B", per_entry),
            "<= 40 B", per_entry <= 40,
            "malloc's bytes in use (mallinfo2), 18 of them the glyph and its size"};
}

void toggle_and_record(int n)
{
    const int c = n % font_buffer.count, row = n / font_buffer.count % font_buffer.height;
    const int col = n % font_buffer.width;
    flip_pixel(font_buffer, c, row, col);
    record_toggle(c, row, col);
}

figure toggle_step_figure()
{
    constexpr int recorded = 100'000;
    history_restart(history_budget);
    for (int n = 0; n < recorded; ++n)
        toggle_and_record(n);
    const double per_toggle = static_cast<double>(font_history.undo_end - font_history.oldest) /
                              static_cast<double>(font_history.undo_count);
    return {"undo history: bytes per recorded toggle", printed("%.1f B", per_toggle), "", true,
            printed("the %zu KiB budget kept the newest %lld of %d", history_budget / 1024,
                    static_cast<long long>(font_history.undo_count), recorded)};
}

// 1,000,000 toggles recorded, then as many undos asked for; with the
// editor's budget most find nothing left, so a budget holding every toggle
// shows the cost of an undo too.
figure toggles_then_undos_figure(size_t budget, const std::string &which)
{
    history_restart(budget);
    glyph_stack stack;
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < toggles; ++n)
        toggle_and_record(n);
    int undone = 0;
    for (int n = 0; n < toggles; ++n)
        undone += undo_change(stack).has_value();
    std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return {"1,000,000 toggles, then 1,000,000 undos, " + which, printed("%.0f ms", elapsed.count()),
            "", true, printed("%d undone", undone)};
}

// Median time of `file_runs` calls of `operation`, in microseconds.
template <typename operation_type>
double median_microseconds(operation_type operation)
{
    std::vector<double> times;
    for (int run = 0; run < file_runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        operation();
        std::chrono::duration<double, std::micro> elapsed =
            std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    return median(times);
}

figure file_time_figure(const std::string &what, double microseconds, const std::string &note)
{
    return {what + printed(", median of %d", file_runs), printed("%.1f us", microseconds), "", true,
            note};
}

bool loads(const std::string &path)
{
    return load_font(path.c_str()) == 0;
}

// Loads the font in `path` again and again, as L does, until the undo
// history keeps as many whole fonts as it can.
figure fonts_kept_figure(const std::string &which, const std::string &path)
{
    const std::string what = "undo history: whole fonts kept, " + which;
    history_restart(history_budget);
    for (int load = 0; load < 100; ++load) {
        font_value before = font_buffer;
        if (!loads(path))
            return {what, "no font"};
        record_font_replacement("load of " + path.substr(path.rfind('/') + 1), std::move(before));
    }
    return {what, printed("%zu", font_history.fonts.size()),
            printed(">= %zu", whole_fonts_kept), font_history.fonts.size() >= whole_fonts_kept,
            printed("%zu B each, %zu KiB in all", font_buffer.bytes.size(),
                    font_history.font_bytes / 1024)};
}

} // namespace

std::vector<figure> model_figures()
{
    scratch_dir dir;
    const font_bytes font = varied_font();
    const std::string raw = dir.write("varied.font", font);
    const std::string uuencoded = dir.write("varied.uu", uuencode_with_system_tool(font));
    const std::string saved = (dir.path / "saved.font").string();
    auto save = [&] { return save_font(saved.c_str()) == 0; };
    if (!loads(raw) || !loads(uuencoded) || !save())
        std::fprintf(stderr, "warning: a load or save failed: %s\n", error_text);
    return {
        stack_entry_figure(),
        toggle_step_figure(),
        toggles_then_undos_figure(history_budget, "the editor's budget"),
        toggles_then_undos_figure(room_for_every_toggle, "a budget for all"),
        fonts_kept_figure("8x16 raw font", raw),
        file_time_figure("load, raw form", median_microseconds([&] { loads(raw); }), ""),
        file_time_figure("load, uuencoded form", median_microseconds([&] { loads(uuencoded); }), ""),
        file_time_figure("save", median_microseconds(save),
                         "a temporary file flushed with fsync and renamed: mostly the disk's time"),
        // Last: these leave a 16x32 font in font_buffer.
        fonts_kept_figure("16x32 PSF of 512 glyphs", tall_font_paths[0]),
        file_time_figure("load, 16x32 PSF of 512 glyphs, gzip-compressed",
                         median_microseconds([&] { loads(tall_font_paths[0]); }), ""),
    };
}
