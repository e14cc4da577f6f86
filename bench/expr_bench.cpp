// Evaluations per second of a typical "ifex" condition through the
// byte-string entry point; every evaluation builds its own parser and lexer.
#include "expr/Evaluate.h"

#include <benchmark/benchmark.h>

#include <string_view>

namespace {

void conditionEvaluation(benchmark::State& state)
{
    constexpr std::string_view condition = "(5 + 1) * 4 < 0x40 && 1 == 1";
    for (auto _ : state) {
        bool ok = false;
        const std::uint32_t result = evaluateCondition(condition, ok);
        if (!ok || result != 1) {
            state.SkipWithError("the condition did not evaluate to true");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(conditionEvaluation);

}  // namespace

BENCHMARK_MAIN();
