// A folder of a test's own for the files it writes, removed afterwards, and the
// images in it read back.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "FrameImage.h"
#include "ImageFile.h"

namespace tilesweep::test {

class ImageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string suite = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
        dir_ = std::filesystem::temp_directory_path() / ("tilesweep_" + suite + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    FrameImage read(const std::string& file) {
        FrameImage image;
        std::string warning, error;
        EXPECT_TRUE(readImageFile(path(file), std::nullopt, image, warning, error)) << error;
        return image;
    }

    std::filesystem::path dir_;
};

}  // namespace tilesweep::test
