// A console reporter that also keeps the best mean real time per iteration of every
// benchmark over its repetitions, in seconds, for the tables the programs print after
// their runs: on a shared machine the best run is the one least disturbed.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0) continue;
            const std::string name = run.run_name.function_name;
            const double perIteration = run.real_accumulated_time / double(run.iterations);
            const auto known = seconds.find(name);
            if (known == seconds.end() || perIteration < known->second) seconds[name] = perIteration;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // 0 when the benchmark did not run.
    double Seconds(const std::string& name) const
    {
        const auto known = seconds.find(name);
        return known == seconds.end() ? 0 : known->second;
    }
};

// Runs the registered benchmarks with the command line's options, then hands the best
// times to `printTable`. The result is the program's exit code.
template <typename PrintTable>
int RunBenchmarksAndPrint(int argc, char** argv, PrintTable printTable)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printTable(reporter);
    return 0;
}
