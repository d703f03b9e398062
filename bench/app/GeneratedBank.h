// Banks of realistic generated entries for the benchmarks: the same entries for a count on
// every run.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "BankModel.h"

inline std::string Word(std::mt19937& rng, size_t minLen, size_t maxLen) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::uniform_int_distribution<size_t> len(minLen, maxLen), pick(0, sizeof letters - 2);
    std::string out(len(rng), ' ');
    for (char& c : out) c = letters[pick(rng)];
    out.front() = 'k';
    out.back() = 'z';
    return out;
}

inline std::vector<TEntry> Generate(int count) {
    std::mt19937 rng(20240611);
    std::vector<std::string> c1, c2, c3;
    for (int i = 0; i < 20; ++i) c1.push_back(Word(rng, 4, 16));
    for (int i = 0; i < 60; ++i) c2.push_back(Word(rng, 4, 20));
    for (int i = 0; i < 120; ++i) c3.push_back(Word(rng, 4, 20));
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<TEntry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TEntry& e = entries[size_t(i)];
        e.Name = Word(rng, 10, 40) + std::to_string(i);
        e.URL = "https://www." + Word(rng, 5, 15) + ".com/" + Word(rng, 5, 40);
        if (percent(rng) < 5) e.Favorite = "\xBB";
        e.Category1 = c1[size_t(percent(rng)) % c1.size()];
        if (percent(rng) < 70) e.Category2 = c2[size_t(percent(rng)) % c2.size()];
        if (!e.Category2.empty() && percent(rng) < 40)
            e.Category3 = c3[size_t(percent(rng)) % c3.size()];
        e.Description = Word(rng, 20, 80);
        if (percent(rng) < 50) e.Rating = "4";
        if (percent(rng) < 30) {
            e.UserID = Word(rng, 4, 12);
            e.Password = Word(rng, 6, 12);
            e.EMail = Word(rng, 4, 10) + "@example.org";
        }
        if (percent(rng) < 33) e.Notes = Word(rng, 30, 120) + "\r\n" + Word(rng, 10, 60);
        if (percent(rng) < 10) e.ConfNotes = Word(rng, 10, 40);
        e.ChangeDate = 38000 + i % 5000 + 0.25;
        e.LastAccess = 39000 + i % 3000 + 0.5;
        e.AccessCount = i % 97;
    }
    return entries;
}
