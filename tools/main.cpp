#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "computer/fast_search.h"
#include "tools/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The tool answers with the search the game plays with.
    const auto fast = [](int threads) -> orbel::RootSearch {
        orbel::FastSearchOptions options;
        options.threads = threads;
        auto search = std::make_shared<orbel::FastSearch>(options);
        return [search](orbel::BoardState& b, orbel::SearchTables& t, orbel::SearchRun& run) {
            return search->RootValues(b, t, run);
        };
    };
    return orbel::RunCli(args, std::cout, std::cerr, fast);
}
