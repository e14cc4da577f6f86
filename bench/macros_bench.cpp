// Expansion speed of a large attribute value: 1 MB of text holding 10,000
// macro references, a tenth of them to values that hold references again.
#include "macros/MacroExpansion.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int ReferenceCount = 10000;
constexpr std::size_t TextBytes = 1000000;

MacroMap benchmarkMacros()
{
    MacroMap macros;
    for (int i = 0; i < 100; ++i) {
        const std::string name = "Macro" + std::to_string(i);
        macros[name] = i % 10 == 0 ? "[$(Macro" + std::to_string(i + 1) + ")]" : "value" + std::to_string(i);
    }
    return macros;
}

std::string benchmarkText()
{
    const std::size_t fillerBytes = TextBytes / ReferenceCount - 12;
    std::string text;
    text.reserve(TextBytes + 64);
    for (int i = 0; i < ReferenceCount; ++i) {
        text.append(fillerBytes, 'a' + i % 26);
        text += "$(Macro" + std::to_string(i % 100) + ")";
        if (i % 50 == 0)
            text += "$(Missing:default)";
    }
    return text;
}

void expandLargeAttribute(benchmark::State& state)
{
    const MacroTable table;
    const MacroMap macros = benchmarkMacros();
    const std::string text = benchmarkText();
    for (auto _ : state)
        benchmark::DoNotOptimize(expandMacros(table, macros, text, false));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(expandLargeAttribute)->Unit(benchmark::kMicrosecond);

void copyTextWithoutMarker(benchmark::State& state)
{
    const MacroTable table;
    const std::string text(TextBytes, 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(expandMacros(table, {}, text, false));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(copyTextWithoutMarker)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
