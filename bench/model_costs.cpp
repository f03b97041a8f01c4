// Measured inside this process: the glyph stack's memory and the time to
// load and save a font.
#include "bench.h"

#include "fontfile/fontfile.h"
#include "glyph/glyph_stack.h"

#include <chrono>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int stack_pushes = 1'000'000;
constexpr int file_runs = 2001;

// Heap bytes in use, the blocks malloc took straight from mmap included.
size_t heap_in_use()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

figure stack_entry_figure()
{
    glyph_stack *stack = stack_create();
    const glyph copy{0x18, 0x3C, 0x66, 0x66, 0x7E, 0x66, 0x66};
    const size_t before = heap_in_use();
    for (int i = 0; i < stack_pushes; ++i)
        stack_push(*stack, copy);
    const double per_entry = static_cast<double>(heap_in_use() - before) / stack_pushes;
    delete stack;
    return {"memory per glyph-stack entry, after 1,000,000 pushes", printed("%.1f B", per_entry),
            "<= 40 B", per_entry <= 40, "malloc's bytes in use (mallinfo2), 16 of them the glyph"};
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
        file_time_figure("load, raw form", median_microseconds([&] { loads(raw); }), ""),
        file_time_figure("load, uuencoded form", median_microseconds([&] { loads(uuencoded); }), ""),
        file_time_figure("save", median_microseconds(save),
                         "a temporary file flushed with fsync and renamed: mostly the disk's time"),
    };
}
