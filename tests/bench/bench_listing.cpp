// Listing a directory of 300 entries: the shell's listing, which asks each
// entry's type once, against the first design, whose sort asks the file
// system again for every comparison. BM_ListingRatio reports both times
// and their ratio.
#include "core/state.h"
#include "core/text.h"
#include "explorer/listing.h"

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A temporary directory of count entries: every third a folder, the rest
// files with a few extensions, first letters mixed in case.
struct Fixture {
    std::string dir;
    explicit Fixture(int count = 300)
    {
        char pattern[] = "/tmp/korvo-bench-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        dir = std::string(pattern) + "/";
        const char letters[] = "aAbBcCdDeE1_";
        for (int i = 0; i < count; ++i) {
            std::string name = std::string(1, letters[(i * 7) % 12]) + "entry" + std::to_string(i);
            if (i % 3 == 0) {
                fs::create_directory(dir + name);
            } else {
                std::FILE* f = std::fopen((dir + name + (i % 2 ? ".png" : ".gpe")).c_str(), "w");
                if (f)
                    std::fclose(f);
            }
        }
    }
    ~Fixture() { fs::remove_all(dir); }
};

const Fixture& fixture()
{
    static Fixture made;
    return made;
}

const Fixture& large_fixture()
{
    static Fixture made(5000);
    return made;
}

// --- the first design, kept here only to measure against ---

long faithful_status_calls;

bool faithful_is_directory(const char* dir, const char* name)
{
    char path[500];
    format_into(path, "%s%s", dir, name);
    ++faithful_status_calls;
    struct stat status;
    return lstat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

int faithful_key(const char* name)
{
    unsigned char c = static_cast<unsigned char>(name[0]);
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

void faithful_swap(NameTable& table, int i, int j)
{
    char held[kNameCapacity];
    copy_text(held, table.name[i]);
    copy_text(table.name[i], table.name[j]);
    copy_text(table.name[j], held);
}

void faithful_sort(NameTable& t, const char* dir)
{
    int n = count_entries(t);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (!faithful_is_directory(dir, t.name[i]) && faithful_is_directory(dir, t.name[j]))
                faithful_swap(t, i, j);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; faithful_is_directory(dir, t.name[i]) && j < n; ++j)
            if (faithful_is_directory(dir, t.name[j]) && faithful_key(t.name[i]) > faithful_key(t.name[j]))
                faithful_swap(t, i, j);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; !faithful_is_directory(dir, t.name[i]) && j < n; ++j)
            if (!faithful_is_directory(dir, t.name[j]) && faithful_key(t.name[i]) > faithful_key(t.name[j]))
                faithful_swap(t, i, j);
}

// With the empty filter every entry is kept, but the first design still
// asked each entry's type while reading it, before dropping "." and "..".
void faithful_list(NameTable& t, const char* dir)
{
    DIR* d = opendir(dir);
    if (!d)
        return;
    int n = 0;
    while (const dirent* e = readdir(d)) {
        faithful_is_directory(dir, e->d_name);
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0 && n < kNameSlots)
            copy_text(t.name[n++], e->d_name);
    }
    closedir(d);
    for (int i = n; i < kNameSlots; ++i)
        t.name[i][0] = '\0';
    faithful_sort(t, dir);
}

NameTable fast_table;
NameTable faithful_table;

void BM_ListDirectory300(benchmark::State& state)
{
    const char* dir = fixture().dir.c_str();
    int before = listing_status_calls();
    for (auto _ : state) {
        list_directory(fast_table, dir, "");
        benchmark::DoNotOptimize(fast_table.name[0][0]);
    }
    state.counters["status_calls"] =
        benchmark::Counter(listing_status_calls() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ListDirectory300)->Unit(benchmark::kMillisecond);

void BM_ListDirectory300StatPerComparison(benchmark::State& state)
{
    const char* dir = fixture().dir.c_str();
    faithful_status_calls = 0;
    for (auto _ : state) {
        faithful_list(faithful_table, dir);
        benchmark::DoNotOptimize(faithful_table.name[0][0]);
    }
    state.counters["status_calls"] =
        benchmark::Counter(static_cast<double>(faithful_status_calls), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ListDirectory300StatPerComparison)->Unit(benchmark::kMillisecond);

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both listings in each iteration, so that their ratio is measured under
// the same conditions; also checks that they agree on the order.
void BM_ListingRatio(benchmark::State& state)
{
    const char* dir = fixture().dir.c_str();
    double fast = 0, faithful = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        list_directory(fast_table, dir, "");
        fast += seconds_since(start);
        start = std::chrono::steady_clock::now();
        faithful_list(faithful_table, dir);
        faithful += seconds_since(start);
        for (int i = 0; i < kNameSlots; ++i)
            if (std::strcmp(fast_table.name[i], faithful_table.name[i]) != 0) {
                state.SkipWithError("the two listings disagree on the order");
                break;
            }
    }
    double n = static_cast<double>(state.iterations());
    state.counters["fast_ms"] = fast / n * 1e3;
    state.counters["faithful_ms"] = faithful / n * 1e3;
    state.counters["ratio"] = fast > 0 ? faithful / fast : 0;
}
BENCHMARK(BM_ListingRatio)->Unit(benchmark::kMillisecond);

// A directory of 5000 entries against one of 300, in the same loop: the
// listing keeps the first 300 in sorted order, so its status calls stay at
// 300 and only reading the directory itself grows.
void BM_ListingAt5000Entries(benchmark::State& state)
{
    const char* small = fixture().dir.c_str();
    const char* large = large_fixture().dir.c_str();
    double at300 = 0, at5000 = 0;
    int before = listing_status_calls();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        list_directory(fast_table, small, "");
        at300 += seconds_since(start);
        start = std::chrono::steady_clock::now();
        list_directory(fast_table, large, "");
        at5000 += seconds_since(start);
        benchmark::DoNotOptimize(fast_table.name[0][0]);
    }
    double n = static_cast<double>(state.iterations());
    state.counters["ms_at_300"] = at300 / n * 1e3;
    state.counters["ms_at_5000"] = at5000 / n * 1e3;
    state.counters["ratio"] = at300 > 0 ? at5000 / at300 : 0;
    state.counters["status_calls_per_pair"] = (listing_status_calls() - before) / n;
}
BENCHMARK(BM_ListingAt5000Entries)->Unit(benchmark::kMillisecond);

} // namespace
