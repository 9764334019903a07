// A fresh, empty folder for each test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace testsupport {

// A path in the system's temporary folder that no other test process uses:
// the same test run at once from two build folders, or by two CTest jobs,
// must not share (and remove) one folder.
inline std::filesystem::path uniqueTempPath(const std::string& name) {
    static const std::string processTag = [] {
        std::random_device entropy;
        return std::to_string(entropy()) + std::to_string(entropy());
    }();
    return std::filesystem::temp_directory_path() / (name + "-" + processTag);
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = uniqueTempPath(std::string("test-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
};

} // namespace testsupport
