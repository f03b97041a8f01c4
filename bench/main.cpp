// quorvalen_bench [--show-bytes]: prints the measurements as Markdown
// tables; --show-bytes also prints what each measured command sent.
#include "bench.h"

#include <cstdio>
#include <cstring>

namespace {

// The terminals of a user over ssh (a UTF-8 locale, or none) and on the
// Linux console, which a serial line usually is too.
const std::vector<terminal_setup> setups = {
    {"xterm-256color", "C.UTF-8"},
    {"xterm-256color", "C"},
    {"linux", "C.UTF-8"},
    {"linux", "C"},
};

std::string verdict(const figure &f)
{
    return f.target.empty() ? "" : f.met ? " (met)" : " (MISSED)";
}

// One column per setup; the rows are the same commands in each.
void print_byte_table(const std::vector<std::vector<figure>> &columns)
{
    std::printf("Bytes sent to the terminal\n\n| command |");
    for (const terminal_setup &setup : setups)
        std::printf(" %s, %s |", setup.term.c_str(), setup.locale.c_str());
    std::printf(" target | note |\n|---|");
    for (size_t i = 0; i < setups.size(); ++i)
        std::printf("---|");
    std::printf("---|---|\n");
    for (size_t row = 0; row < columns[0].size(); ++row) {
        std::printf("| %s |", columns[0][row].what.c_str());
        for (const std::vector<figure> &column : columns)
            std::printf(" %s%s%s |", column[row].measured.c_str(),
                        column[row].met ? "" : " (MISSED)", column[row].detail.c_str());
        std::printf(" %s | %s |\n", columns[0][row].target.c_str(), columns[0][row].note.c_str());
    }
}

void print_table(const std::string &heading, const std::vector<figure> &figures)
{
    std::printf("\n%s\n\n| measurement | result | target | note |\n|---|---|---|---|\n",
                heading.c_str());
    for (const figure &f : figures)
        std::printf("| %s | %s | %s%s | %s |\n", f.what.c_str(), f.measured.c_str(),
                    f.target.c_str(), verdict(f).c_str(), f.note.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    const bool show_bytes = argc > 1 && std::strcmp(argv[1], "--show-bytes") == 0;
    std::vector<std::vector<figure>> columns;
    for (const terminal_setup &setup : setups) {
        if (show_bytes)
            std::printf("== %s, %s\n", setup.term.c_str(), setup.locale.c_str());
        columns.push_back(byte_figures(setup, show_bytes));
    }
    print_byte_table(columns);
    print_table("Start-up and memory (" + setups[0].term + ", " + setups[0].locale + ")",
                run_figures(setups[0]));
    print_table("Inside the process", model_figures());
    return 0;
}
