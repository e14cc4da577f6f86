#pragma once

// A fixture with a folder of its own for each test: ROOT/work, where ROOT
// is under the temporary directory and named after the program's process
// and the test. It is emptied before the test and removed after a test that
// passed; a failed test leaves it for a look.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class ScratchFolderTest : public ::testing::Test {
protected:
    explicit ScratchFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                (prefix_ + "-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(work());
    }
    void TearDown() override
    {
        if (!HasFailure())
            std::filesystem::remove_all(root_);
    }

    std::filesystem::path work() const { return root_ / "work"; }
    const std::filesystem::path& root() const { return root_; }

private:
    std::string prefix_;
    std::filesystem::path root_;
};
