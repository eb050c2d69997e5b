// A folder of a test's own under the system's temporary folder, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace orbel::testing {

struct TempFolder {
    std::filesystem::path path;

    // Under `base`, the system's temporary folder unless told.
    explicit TempFolder(const std::string& prefix, std::filesystem::path base = {}) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (base.empty()) base = std::filesystem::temp_directory_path();
        path = base / (prefix + "-" + std::string(test->name()) + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace orbel::testing
