// Key strings come from terminfo, so each terminal gets the bytes it really sends.
// Kept apart from the emulator: terminfo's macros clash with its names.
#include "terminal.h"

#include <gtest/gtest.h>

#include <curses.h>
#include <map>
#include <term.h>
#include <unistd.h>

std::string terminfo_string(const std::string &term, const char *cap)
{
    static std::map<std::pair<std::string, std::string>, std::string> cache;
    auto key = std::make_pair(term, std::string(cap));
    if (auto found = cache.find(key); found != cache.end())
        return found->second;
    int error = 0;
    if (setupterm(term.c_str(), STDERR_FILENO, &error) != 0) {
        ADD_FAILURE() << "no terminfo entry for " << term;
        return {};
    }
    const char *value = tigetstr(cap);
    std::string result = value && value != reinterpret_cast<char *>(-1) ? value : "";
    del_curterm(cur_term);
    return cache[key] = result;
}

std::string key_string(const std::string &term, const char *cap)
{
    std::string result = terminfo_string(term, cap);
    if (result.empty())
        ADD_FAILURE() << term << " has no " << cap;
    return result;
}

