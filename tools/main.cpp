#include <iostream>
#include <string>
#include <vector>

#include "tools/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The tool answers with the search the game plays with.
    return orbel::RunCli(args, std::cout, std::cerr,
                         std::function<orbel::RootSearch(int)>(orbel::FastRootSearch));
}
