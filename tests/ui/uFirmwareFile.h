// A firmware file for the window tests (GoogleTest): a header and a one-record image.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// Written to the temporary folder under the running test's name, removed with the object.
class TFirmwareFile {
public:
  TFirmwareFile(const std::string& sName, const std::string& sHead) {
    const ::testing::TestInfo* pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    FsPath = (std::filesystem::temp_directory_path() /
              ("tarvik-" + std::string(pTest->test_suite_name()) + "-" + pTest->name() + "-" +
               sName + ".txt"))
                 .string();
    std::ofstream File(FsPath, std::ios::binary);
    // One whole 64-byte data record and the end record.
    File << sHead << ":40000000" << std::string(128, '0') << "C0\r\n:00000001FF\r\n";
  }
  ~TFirmwareFile() {
    std::error_code Ignored;
    std::filesystem::remove(FsPath, Ignored);
  }
  TFirmwareFile(const TFirmwareFile&) = delete;
  TFirmwareFile& operator=(const TFirmwareFile&) = delete;
  const std::string& Path() const { return FsPath; }

private:
  std::string FsPath;
};
