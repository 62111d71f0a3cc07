#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

// A fixture whose test gets a folder of its own, named after the process and the test so that tests run
// in parallel never share one, and removed afterwards; files are written into it by name.
class TestFolder : public testing::Test {
protected:
    explicit TestFolder(const std::string& prefix) : prefix_(prefix) {}

    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               (prefix_ + "_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes text to the file name in the folder and answers its path.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path) << text;
        return path.string();
    }

    std::filesystem::path dir_;

private:
    std::string prefix_;
};

}  // namespace testing_support
